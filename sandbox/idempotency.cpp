#include "idempotency.h"

#include "storage.h"

#include <QCryptographicHash>
#include <QJsonDocument>

IdempotentWrite::IdempotentWrite(Storage &db, qint64 userId, const QByteArray &key,
                                 const QString &method, const QByteArray &target,
                                 const QByteArray &body)
    : db(db), userId(userId), key(QString::fromLatin1(key.trimmed()))
{
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(method.toUtf8() + '\n' + target + '\n');
    hash.addData(body);
    fingerprint = QString::fromLatin1(hash.result().toHex());
}

std::optional<Reply> IdempotentWrite::answered()
{
    if (userId == 0 || key.isEmpty())
        return std::nullopt;
    const QJsonObject seen = db.one(u"SELECT fingerprint, status, body FROM idempotency_keys "
                                    "WHERE user_id = ? AND key = ? AND created_at > ?"_s,
                                    {userId, key, Storage::secondsAgo(KeptSeconds)});
    if (seen.isEmpty())
        return std::nullopt;
    if (seen.value(u"fingerprint"_s).toString() != fingerprint)
        return Reply {
            422, {{u"error"_s, u"This Idempotency-Key was used for another request"_s}}, {}};
    const QByteArray body = seen.value(u"body"_s).toString().toUtf8();
    return Reply {
        int(seen.value(u"status"_s).toInteger()), QJsonDocument::fromJson(body).object(), {}};
}

void IdempotentWrite::remember(const Reply &reply)
{
    if (userId == 0 || key.isEmpty() || reply.status >= 500)
        return;
    // Its own transaction after a rollback; within the write's, a savepoint of it.
    Storage::Transaction t(db);
    const QString now = Storage::now();
    db.exec(u"DELETE FROM idempotency_keys WHERE created_at <= ?"_s,
            {Storage::secondsAgo(KeptSeconds)});
    db.exec(u"INSERT OR REPLACE INTO idempotency_keys (user_id, key, fingerprint, status, body, "
            "created_at) VALUES (?, ?, ?, ?, ?, ?)"_s,
            {userId, key, fingerprint, reply.status,
             QString::fromUtf8(QJsonDocument(reply.body).toJson(QJsonDocument::Compact)), now});
    t.commit();
}
