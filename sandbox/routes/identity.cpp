// Identity verification: the submission the page "/identity" makes, and the operator's approval
// link, printed as the bank account's is. Of the identity number only the last four characters
// and a salted hash are kept, and it is never printed.

#include "identity.h"

#include "links.h"
#include "notify.h"
#include "passwords.h"
#include "server.h"
#include "storage.h"

#include <QDateTime>
#include <QRegularExpression>

using namespace Qt::StringLiterals;

namespace {

// Aadhaar's check digit (Verhoeff): a mistyped or swapped digit gives another one.
bool verhoeffValid(const QString &digits)
{
    static const int d[10][10] = {{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}, {1, 2, 3, 4, 0, 6, 7, 8, 9, 5},
                                  {2, 3, 4, 0, 1, 7, 8, 9, 5, 6}, {3, 4, 0, 1, 2, 8, 9, 5, 6, 7},
                                  {4, 0, 1, 2, 3, 9, 5, 6, 7, 8}, {5, 9, 8, 7, 6, 0, 4, 3, 2, 1},
                                  {6, 5, 9, 8, 7, 1, 0, 4, 3, 2}, {7, 6, 5, 9, 8, 2, 1, 0, 4, 3},
                                  {8, 7, 6, 5, 9, 3, 2, 1, 0, 4}, {9, 8, 7, 6, 5, 4, 3, 2, 1, 0}};
    static const int p[8][10] = {{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}, {1, 5, 7, 6, 2, 8, 3, 0, 9, 4},
                                 {5, 8, 0, 3, 7, 9, 6, 1, 4, 2}, {8, 9, 1, 6, 0, 4, 3, 5, 2, 7},
                                 {9, 4, 5, 3, 1, 2, 6, 8, 7, 0}, {4, 2, 8, 6, 5, 7, 3, 9, 0, 1},
                                 {2, 7, 9, 3, 8, 0, 6, 4, 1, 5}, {7, 0, 4, 6, 9, 1, 3, 2, 5, 8}};
    int c = 0;
    for (qsizetype i = 0; i < digits.size(); ++i)
        c = d[c][p[i % 8][digits.at(digits.size() - 1 - i).digitValue()]];
    return c == 0;
}

Reply approve(Request &req)
{
    // A GET that changes state: it is the link the operator follows.
    const QString token = req.query.queryItemValue(u"token"_s);
    const qint64 userId = Links::redeemable(req, token, u"kyc"_s);
    if (!userId)
        fail(400, u"This approval link is invalid or has expired"_s);
    Storage::Transaction t(req.db);
    Links::markUsed(req, token);
    req.db.change(u"UPDATE users SET kyc_status = 'verified' WHERE id = ?"_s, {userId});
    req.db.change(u"UPDATE identity_checks SET verified_at = ? WHERE user_id = ?"_s,
                  {Storage::now(), userId});
    notifyUser(req.db, userId, u"kyc_verified"_s, u"Identity verified"_s,
               u"Withdrawals to an approved bank account are open to you now."_s);
    t.commit();
    return ok({{u"identity"_s, Identity::summary(req.db, userId)}});
}

} // namespace

namespace Identity {

QString birthDateProblem(const QDate &birth, const QDate &today)
{
    if (birth >= today)
        return u"must be in the past"_s;
    if (birth.addYears(MinimumAge) > today)
        return u"must show you are at least %1 years old"_s.arg(MinimumAge);
    if (birth.addYears(130) < today)
        return u"is too far in the past"_s;
    return {};
}

QString normalizedNumber(const QString &typed)
{
    return QString(typed).remove(QRegularExpression(u"[\\s-]"_s)).toUpper();
}

QString numberKind(const QString &normalized)
{
    static const QRegularExpression aadhaar(u"\\A[2-9][0-9]{11}\\z"_s);
    static const QRegularExpression pan(u"\\A[A-Z]{3}[ABCFGHJLPT][A-Z][0-9]{4}[A-Z]\\z"_s);
    if (aadhaar.match(normalized).hasMatch() && verhoeffValid(normalized))
        return u"aadhaar"_s;
    return pan.match(normalized).hasMatch() ? u"pan"_s : QString();
}

void submit(Request &req)
{
    // A verified identity is never replaced, so a session taken over cannot put other details in
    // its place (or back to "pending").
    if (req.user.value(u"kyc_status"_s).toString() == "verified"_L1)
        fail(409, u"Your identity is already verified"_s);
    const QString name = req.text(u"legalName"_s, 2, 100);
    static const QRegularExpression nameShape(u"\\A\\p{L}[\\p{L}\\p{M} .'’-]*\\z"_s);
    if (!nameShape.match(name).hasMatch())
        fail(400,
             req.field(u"legalName"_s)
                 + u" may hold letters, spaces, dots, apostrophes and hyphens only"_s);
    const QString dateText = req.text(u"dateOfBirth"_s, 1, 10);
    const QDate birth = QDate::fromString(dateText, u"yyyy-MM-dd"_s);
    if (!birth.isValid())
        fail(400, req.field(u"dateOfBirth"_s) + u" must be a date such as 1990-04-30"_s);
    const QString problem = birthDateProblem(birth, QDateTime::currentDateTimeUtc().date());
    if (!problem.isEmpty())
        fail(400, req.field(u"dateOfBirth"_s) + u' ' + problem);
    const QString number = normalizedNumber(req.text(u"identityNumber"_s, 1, 40));
    const QString kind = numberKind(number);
    if (kind.isEmpty())
        fail(400,
             req.field(u"identityNumber"_s)
                 + u" must be an Aadhaar number (12 digits) or a PAN (such as ABCPE1234F)"_s);

    req.db.exec(u"INSERT INTO identity_checks (user_id, legal_name, date_of_birth, number_kind, "
                "number_last4, number_hash, submitted_at) VALUES (?, ?, ?, ?, ?, ?, ?) "
                "ON CONFLICT(user_id) DO UPDATE SET legal_name = excluded.legal_name, "
                "date_of_birth = excluded.date_of_birth, number_kind = excluded.number_kind, "
                "number_last4 = excluded.number_last4, number_hash = excluded.number_hash, "
                "submitted_at = excluded.submitted_at, verified_at = NULL"_s,
                {req.userId, name, birth.toString(Qt::ISODate), kind, number.right(4),
                 Passwords::hash(number, req.server.options().pbkdf2Iterations), Storage::now()});
    req.db.change(u"UPDATE users SET kyc_status = 'pending' WHERE id = ?"_s, {req.userId});
    // Only the newest details can be approved.
    Links::voidAll(req, req.userId, u"kyc"_s);
    const QString link = Links::issueLink(req, req.userId, u"kyc"_s, 48, u"api/identity/approve"_s);
    req.server.print(u"kyc-approval-link %1 %2"_s.arg(req.user.value(u"email"_s).toString(), link));
}

QJsonObject summary(Storage &db, qint64 userId)
{
    return db.one(u"SELECT i.legal_name, i.date_of_birth, i.number_kind, i.number_last4, "
                  "i.submitted_at, i.verified_at, u.kyc_status AS status "
                  "FROM identity_checks i JOIN users u ON u.id = i.user_id "
                  "WHERE i.user_id = ?"_s,
                  {userId});
}

} // namespace Identity

void registerIdentityRoutes(Router &r)
{
    r.get(u"api/identity/approve"_s, Access::Public, approve);
}
