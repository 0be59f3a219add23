#include "users.h"

#include "passwords.h"
#include "sessions.h"
#include "storage.h"

namespace Users {

QJsonObject record(Storage &db, qint64 userId)
{
    QJsonObject u = db.one(QStringLiteral("SELECT id, role, full_name, email, kyc_status, "
                                          "(totp_secret IS NOT NULL) AS two_factor_enabled, "
                                          "verified AS email_verified, created_at "
                                          "FROM users WHERE id = ?"),
                           {userId});
    if (u.isEmpty())
        return u;
    u.insert(QStringLiteral("two_factor_enabled"),
             u.value(QStringLiteral("two_factor_enabled")).toInteger() != 0);
    u.insert(QStringLiteral("email_verified"),
             u.value(QStringLiteral("email_verified")).toInteger() != 0);
    return u;
}

qint64 create(Storage &db, const QString &email, const QString &password, const QString &fullName,
              const QString &role, int iterations, bool verified)
{
    return db.insert(QStringLiteral("INSERT INTO users (email, full_name, role, password_hash, "
                                    "verified, referral_code, created_at) "
                                    "VALUES (?, ?, ?, ?, ?, ?, ?)"),
                     {email, fullName, role, Passwords::hash(password, iterations),
                      verified ? 1 : 0, Sessions::randomToken().left(10).toUpper(),
                      Storage::now()});
}

qint64 idForEmail(Storage &db, const QString &email)
{
    return db
        .scalar(QStringLiteral("SELECT id FROM users WHERE email = ? AND role <> 'house'"), {email})
        .toLongLong();
}

QString displayName(Storage &db, qint64 userId)
{
    const QJsonObject u
        = db.one(QStringLiteral("SELECT full_name, email FROM users WHERE id = ?"), {userId});
    const QString name = u.value(QStringLiteral("full_name")).toString().trimmed();
    if (!name.isEmpty())
        return name;
    return u.value(QStringLiteral("email")).toString().section(QLatin1Char('@'), 0, 0);
}

} // namespace Users
