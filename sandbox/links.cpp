#include "links.h"

#include "server.h"
#include "sessions.h"
#include "storage.h"

#include <QDateTime>

using namespace Qt::StringLiterals;

namespace Links {

QString issueLink(Request &req, qint64 userId, const QString &purpose, int validHours,
                  const QString &path)
{
    const QString token = Sessions::randomToken();
    req.db.insert(
        u"INSERT INTO email_tokens (token_hash, user_id, purpose, "
        "created_at, expires_at) VALUES (?, ?, ?, ?, ?)"_s,
        {Sessions::hashToken(token), userId, purpose, Storage::now(),
         QDateTime::currentDateTimeUtc().addSecs(validHours * 3600).toString(Qt::ISODate)});
    return req.server.origin() + u'/' + path + u"?token="_s + token;
}

qint64 redeemable(Request &req, const QString &token, const QString &purpose)
{
    if (token.size() != 64)
        return 0;
    return req.db
        .scalar(u"SELECT user_id FROM email_tokens WHERE token_hash = ? AND "
                "purpose = ? AND used_at IS NULL AND expires_at > ?"_s,
                {Sessions::hashToken(token), purpose, Storage::now()})
        .toLongLong();
}

void markUsed(Request &req, const QString &token)
{
    req.db.change(u"UPDATE email_tokens SET used_at = ? WHERE token_hash = ?"_s,
                  {Storage::now(), Sessions::hashToken(token)});
}

void voidAll(Request &req, qint64 userId, const QString &purpose)
{
    req.db.change(u"UPDATE email_tokens SET used_at = ? WHERE user_id = ? AND purpose = ? "
                  "AND used_at IS NULL"_s,
                  {Storage::now(), userId, purpose});
}

} // namespace Links
