#include "users.h"

#include "passwords.h"
#include "sessions.h"
#include "storage.h"

using namespace Qt::StringLiterals;

namespace Users {

QJsonObject record(Storage &db, qint64 userId)
{
    QJsonObject u = db.one(u"SELECT id, role, full_name, email, kyc_status, "
                           "(totp_secret IS NOT NULL) AS two_factor_enabled, "
                           "verified AS email_verified, created_at "
                           "FROM users WHERE id = ?"_s,
                           {userId});
    if (u.isEmpty())
        return u;
    u.insert(u"two_factor_enabled"_s, u.value(u"two_factor_enabled"_s).toInteger() != 0);
    u.insert(u"email_verified"_s, u.value(u"email_verified"_s).toInteger() != 0);
    return u;
}

qint64 create(Storage &db, const QString &email, const QString &password, const QString &fullName,
              const QString &role, int iterations, bool verified)
{
    return db.insert(u"INSERT INTO users (email, full_name, role, password_hash, "
                     "verified, referral_code, created_at) "
                     "VALUES (?, ?, ?, ?, ?, ?, ?)"_s,
                     {email, fullName, role, Passwords::hash(password, iterations),
                      verified ? 1 : 0, Sessions::randomToken().left(10).toUpper(),
                      Storage::now()});
}

qint64 idForEmail(Storage &db, const QString &email)
{
    return db.scalar(u"SELECT id FROM users WHERE email = ? AND role <> 'house'"_s, {email})
        .toLongLong();
}

QString displayName(Storage &db, qint64 userId)
{
    return db
        .scalar(u"SELECT "_s + displayNameSql("u") + u" FROM users u WHERE u.id = ?"_s, {userId})
        .toString();
}

QString displayNameSql(const char *alias)
{
    return u"COALESCE(NULLIF(%1.full_name, ''), "
           "substr(%1.email, 1, instr(%1.email, '@') - 1))"_s.arg(QLatin1String(alias));
}

} // namespace Users
