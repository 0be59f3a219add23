#pragma once

#include <QJsonObject>
#include <QString>

class Storage;

namespace Users {

// The user record the client reads: id, role, full_name, email, kyc_status (null when never
// started), two_factor_enabled, email_verified, created_at.
QJsonObject record(Storage &db, qint64 userId);
// Creates an account; returns its id. The password is hashed with the given iteration count.
qint64 create(Storage &db, const QString &email, const QString &password, const QString &fullName,
              const QString &role, int iterations, bool verified);
qint64 idForEmail(Storage &db, const QString &email);
// A display name for lists: the full name, else the part of the e-mail before "@".
QString displayName(Storage &db, qint64 userId);
// The same as SQL, for the users row of that alias: "… " + displayNameSql("u") + " AS name".
QString displayNameSql(const char *alias);

} // namespace Users
