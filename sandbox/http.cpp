#include "http.h"

#include "dataurl.h"
#include "money.h"

#include <QHash>
#include <QRegularExpression>
#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

namespace {

// The fields as the client's views label them, by member, and by route and member where forms
// label one member differently.
const QHash<QString, QString> &labels()
{
    static const QHash<QString, QString> table = {
        {u"email"_s, u"Email"_s},
        {u"password"_s, u"Password"_s},
        {u"fullName"_s, u"Full name"_s},
        {u"totpCode"_s, u"2FA code"_s},
        {u"token"_s, u"Link"_s},
        {u"title"_s, u"Title"_s},
        {u"description"_s, u"Description"_s},
        {u"requiredSkills"_s, u"Required skills"_s},
        {u"budget"_s, u"Budget"_s},
        {u"projectType"_s, u"Project type"_s},
        {u"coverLetter"_s, u"Cover letter"_s},
        {u"amount"_s, u"Amount"_s},
        {u"api/projects/<id>/proposals amount"_s, u"Bid"_s},
        {u"durationDays"_s, u"Days"_s},
        {u"deadlineDays"_s, u"Days"_s},
        {u"deliveryDays"_s, u"Days"_s},
        {u"brief"_s, u"Brief"_s},
        {u"prize"_s, u"Prize"_s},
        {u"api/contests/<id>/entries title"_s, u"Entry title"_s},
        {u"attachmentUrl"_s, u"Work URL"_s},
        {u"name"_s, u"Team name"_s},
        {u"skills"_s, u"Skills"_s},
        {u"instructions"_s, u"Instructions"_s},
        {u"packageTier"_s, u"Package"_s},
        {u"body"_s, u"Message"_s},
        {u"summary"_s, u"Summary of the work"_s},
        {u"artifactUrl"_s, u"Work link"_s},
        {u"feedback"_s, u"Reason"_s},
        {u"contractId"_s, u"Contract"_s},
        {u"thumbnailData"_s, u"Screenshot"_s},
        {u"imageData"_s, u"Snapshot"_s},
        {u"accountHolder"_s, u"Account holder name"_s},
        {u"accountNumber"_s, u"Account number"_s},
        {u"ifsc"_s, u"IFSC"_s},
        {u"proctoringViolations"_s, u"Violations"_s},
        {u"termsAccepted"_s, u"Terms of service"_s},
        {u"privacyAccepted"_s, u"Privacy policy"_s},
    };
    return table;
}

} // namespace

QString Request::field(const QString &name) const
{
    const QString label = labels().value(pattern + u' ' + name, labels().value(name));
    if (!label.isEmpty())
        return label;
    // Any other member in words: "entryId" → "Entry id".
    QString words;
    for (const QChar c : name)
        words += c.isUpper() ? u" "_s + c.toLower() : (c == u'_' ? u" "_s : QString(c));
    return words.left(1).toUpper() + words.mid(1);
}

qint64 Request::id(int i) const
{
    if (i < 0 || i >= args.size())
        fail(404, u"Not found"_s);
    const QString &s = args.at(i);
    // \z, not $: "22\n" (from "22%0A") is not an id.
    static const QRegularExpression digits(u"\\A[0-9]{1,15}\\z"_s);
    if (!digits.match(s).hasMatch())
        fail(404, u"Not found"_s);
    const qint64 v = s.toLongLong();
    if (v <= 0)
        fail(404, u"Not found"_s);
    return v;
}

QString textValue(const QJsonValue &v, const QString &what, int minLen, int maxLen)
{
    if (!v.isString())
        fail(400, what + u" must be text"_s);
    const QString s = v.toString().trimmed();
    if (s.size() < minLen) {
        if (minLen <= 1)
            fail(400, what + u" is required"_s);
        fail(400, u"%1 must be at least %2 characters"_s.arg(what).arg(minLen));
    }
    if (s.size() > maxLen)
        fail(400, u"%1 must be at most %2 characters"_s.arg(what).arg(maxLen));
    return s;
}

qint64 wholeNumber(const QJsonValue &v, const QString &what, qint64 min, qint64 max)
{
    const double d = v.toDouble();
    if (!v.isDouble() || !std::isfinite(d) || std::floor(d) != d || std::fabs(d) > 9.0e15)
        fail(400, what + u" must be a whole number"_s);
    const qint64 n = static_cast<qint64>(d);
    if (n < min || n > max)
        fail(400, u"%1 must be between %2 and %3"_s.arg(what).arg(min).arg(max));
    return n;
}

QString Request::text(const QString &name, int minLen, int maxLen) const
{
    const QJsonValue v = body.value(name);
    if (v.isUndefined() || v.isNull())
        fail(400, field(name) + u" is required"_s);
    return textValue(v, field(name), minLen, maxLen);
}

QString Request::untrimmedText(const QString &name, int minLen, int maxLen) const
{
    const QJsonValue v = body.value(name);
    if (v.isUndefined() || v.isNull())
        fail(400, field(name) + u" is required"_s);
    if (!v.isString())
        fail(400, field(name) + u" must be text"_s);
    const QString s = v.toString();
    if (s.size() < minLen)
        fail(400, u"%1 must be at least %2 characters"_s.arg(field(name)).arg(minLen));
    if (s.size() > maxLen)
        fail(400, u"%1 must be at most %2 characters"_s.arg(field(name)).arg(maxLen));
    return s;
}

QString Request::optionalText(const QString &name, int maxLen) const
{
    const QJsonValue v = body.value(name);
    if (v.isUndefined() || v.isNull())
        return QString();
    return text(name, 0, maxLen);
}

qint64 Request::integer(const QString &name, qint64 min, qint64 max) const
{
    const QJsonValue v = body.value(name);
    if (v.isUndefined() || v.isNull())
        fail(400, field(name) + u" is required"_s);
    const auto value = optionalInteger(name, min, max);
    return *value;
}

std::optional<qint64> Request::optionalInteger(const QString &name, qint64 min, qint64 max) const
{
    const QJsonValue v = body.value(name);
    if (v.isUndefined() || v.isNull())
        return std::nullopt;
    return wholeNumber(v, field(name), min, max);
}

bool Request::flag(const QString &name) const
{
    const QJsonValue v = body.value(name);
    if (v.isUndefined() || v.isNull())
        fail(400, field(name) + u" is required"_s);
    if (!v.isBool())
        fail(400, field(name) + u" must be true or false"_s);
    return v.toBool();
}

QJsonArray Request::list(const QString &name, int maxItems) const
{
    const QJsonValue v = body.value(name);
    if (v.isUndefined() || v.isNull())
        fail(400, field(name) + u" is required"_s);
    if (!v.isArray())
        fail(400, field(name) + u" must be a list"_s);
    const QJsonArray a = v.toArray();
    if (a.size() > maxItems)
        fail(400, u"%1 may hold at most %2 entries"_s.arg(field(name)).arg(maxItems));
    return a;
}

qint64 Request::idMember(const QString &name) const
{
    const QJsonValue v = body.value(name);
    if (v.isUndefined() || v.isNull())
        fail(400, field(name) + u" is required"_s);
    qint64 n = 0;
    if (v.isDouble()) {
        const double d = v.toDouble();
        if (std::isfinite(d) && std::floor(d) == d && d > 0 && d < 1e15)
            n = static_cast<qint64>(d);
    } else if (v.isString()) {
        static const QRegularExpression digits(u"\\A[0-9]{1,15}\\z"_s);
        if (digits.match(v.toString()).hasMatch())
            n = v.toString().toLongLong();
    }
    if (n <= 0)
        fail(400, field(name) + u" must be an id"_s);
    return n;
}

qint64 Request::rupees(const QString &name) const
{
    const QJsonValue v = body.value(name);
    if (v.isUndefined() || v.isNull())
        fail(400, field(name) + u" is required"_s);
    QString why;
    const auto paise = Money::parseRupees(v, &why);
    if (!paise)
        fail(400, field(name) + u": "_s + why);
    return *paise;
}

QString Request::email(const QString &name) const
{
    const QString email = text(name, 1, 254).toLower();
    // Control and format characters (NUL, ESC, zero-width joiners, …) would make look-alikes of
    // other accounts' addresses.
    static const QRegularExpression shape(u"\\A[^@\\s\\p{Cc}\\p{Cf}]+@[^@\\s\\p{Cc}\\p{Cf}]+\\z"_s);
    if (!shape.match(email).hasMatch())
        fail(400, field(name) + u" must be a valid email address"_s);
    return email;
}

QByteArray Request::jpegDataUrl(const QString &name, bool required) const
{
    const QJsonValue v = body.value(name);
    if ((v.isUndefined() || v.isNull() || v == u""_s) && !required)
        return {};
    if (!v.isString())
        fail(400, field(name) + u" must be a JPEG data URL"_s);
    if (v.toString().size() > DataUrl::MaxLength)
        fail(413, u"%1 is over %2 KiB"_s.arg(field(name)).arg(DataUrl::MaxLength / 1024));
    QString why;
    const auto bytes = DataUrl::decodeJpeg(v.toString(), &why);
    if (!bytes)
        fail(400, field(name) + u' ' + why);
    return *bytes;
}

QStringList Request::skills(const QString &name) const
{
    if (!has(name) || body.value(name).isNull())
        return {};
    QStringList skills;
    const QJsonArray list = this->list(name, 20);
    for (const QJsonValue &v : list) {
        const QString skill = textValue(v, field(name), 0, 60);
        if (!skill.isEmpty() && !skills.contains(skill, Qt::CaseInsensitive))
            skills.append(skill);
    }
    return skills;
}

bool hasUnpairedSurrogate(const QJsonValue &value)
{
    if (value.isString())
        return !value.toString().isValidUtf16();
    if (value.isArray()) {
        const QJsonArray a = value.toArray();
        return std::any_of(a.begin(), a.end(),
                           [](const QJsonValue &v) { return hasUnpairedSurrogate(v); });
    }
    if (value.isObject()) {
        const QJsonObject o = value.toObject();
        for (auto it = o.begin(); it != o.end(); ++it) {
            if (!it.key().isValidUtf16() || hasUnpairedSurrogate(it.value()))
                return true;
        }
    }
    return false;
}

void Router::add(const QString &method, const QString &pattern, Access access, Handler handler)
{
    routes.append(Route {method, pattern.split(u'/'), access, std::move(handler)});
}

QStringList Router::pathSegments(const QUrl &url)
{
    QString path = url.path(QUrl::FullyEncoded);
    if (path.startsWith(u'/'))
        path.remove(0, 1);
    QStringList segments;
    for (const QString &s : path.split(u'/'))
        segments.append(QUrl::fromPercentEncoding(s.toUtf8()));
    return segments;
}

Router::Match Router::find(const QString &method, const QStringList &segments, const Route **route,
                           QStringList *args) const
{
    // Among the routes that match, a literal segment beats a captured one ("api/gigs/mine" over
    // "api/gigs/<id>").
    bool pathSeen = false;
    const Route *best = nullptr;
    QStringList bestArgs;
    for (const Route &r : routes) {
        if (r.segments.size() != segments.size())
            continue;
        QStringList captured;
        bool match = true;
        for (int i = 0; i < segments.size() && match; ++i) {
            const QString &p = r.segments.at(i);
            if (p.startsWith(u'<') && p.endsWith(u'>'))
                captured.append(segments.at(i));
            else
                match = p == segments.at(i);
        }
        if (!match)
            continue;
        pathSeen = true;
        if (r.method != method)
            continue;
        if (!best || captured.size() < bestArgs.size()) {
            best = &r;
            bestArgs = captured;
        }
    }
    if (best) {
        *route = best;
        *args = bestArgs;
        return Match::Found;
    }
    return pathSeen ? Match::WrongMethod : Match::NoPath;
}
