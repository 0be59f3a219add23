#include "sessions.h"

#include "storage.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QRandomGenerator>

using namespace Qt::StringLiterals;

namespace Sessions {

QString randomToken()
{
    quint32 words[8];
    QRandomGenerator::system()->fillRange(words);
    return QString::fromLatin1(
        QByteArray(reinterpret_cast<const char *>(words), sizeof(words)).toHex());
}

QString hashToken(const QString &token)
{
    return QString::fromLatin1(
        QCryptographicHash::hash(token.toUtf8(), QCryptographicHash::Sha256).toHex());
}

QString create(Storage &db, qint64 userId)
{
    const QString token = randomToken();
    db.insert(u"INSERT INTO sessions (token_hash, user_id, created_at, expires_at) "
              "VALUES (?, ?, ?, ?)"_s,
              {hashToken(token), userId, Storage::now(), Storage::isoInDays(LifetimeDays)});
    return token;
}

qint64 userFor(Storage &db, const QString &token)
{
    if (token.size() != 64)
        return 0;
    return db
        .scalar(u"SELECT user_id FROM sessions WHERE token_hash = ? AND "
                "expires_at > ?"_s,
                {hashToken(token), Storage::now()})
        .toLongLong();
}

void destroy(Storage &db, const QString &token)
{
    db.change(u"DELETE FROM sessions WHERE token_hash = ?"_s, {hashToken(token)});
}

void destroyAllFor(Storage &db, qint64 userId)
{
    db.change(u"DELETE FROM sessions WHERE user_id = ?"_s, {userId});
}

QString tokenFromCookieHeader(const QByteArray &cookieHeader)
{
    const QByteArray prefix = QByteArray(CookieName) + '=';
    for (const QByteArray &part : cookieHeader.split(';')) {
        const QByteArray p = part.trimmed();
        if (p.startsWith(prefix))
            return QString::fromLatin1(p.mid(prefix.size()));
    }
    return QString();
}

QByteArray setCookieValue(const QString &token)
{
    return QByteArray(CookieName) + '=' + token.toLatin1() + "; Max-Age="
        + QByteArray::number(LifetimeDays * 24 * 3600) + "; Secure; HttpOnly; SameSite=Lax; Path=/";
}

QByteArray clearCookieValue()
{
    return QByteArray(CookieName)
        + "=; Max-Age=0; Expires=Thu, 01 Jan 1970 00:00:00 GMT; Secure; HttpOnly; "
          "SameSite=Lax; Path=/";
}

} // namespace Sessions
