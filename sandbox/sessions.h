#pragma once

#include <QByteArray>
#include <QString>

class Storage;

// Server-side sessions. The cookie carries a random 256-bit token; the database keeps only its
// SHA-256 hash, so a copy of the database does not hand out live sessions.
namespace Sessions {

inline constexpr char CookieName[] = "velto_session";
constexpr int LifetimeDays = 30;

// A new random token (64 hex digits) from the system's secure generator.
QString randomToken();
QString hashToken(const QString &token);

// Creates a session for the user and returns its token.
QString create(Storage &db, qint64 userId);
// The user of a live session, or 0.
qint64 userFor(Storage &db, const QString &token);
void destroy(Storage &db, const QString &token);
void destroyAllFor(Storage &db, qint64 userId);

// The session token from a Cookie request header, or "".
QString tokenFromCookieHeader(const QByteArray &cookieHeader);
QByteArray setCookieValue(const QString &token);
QByteArray clearCookieValue();

} // namespace Sessions
