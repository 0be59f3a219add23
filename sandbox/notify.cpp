#include "notify.h"

#include "storage.h"

using namespace Qt::StringLiterals;

void notifyUser(Storage &db, qint64 userId, const QString &kind, const QString &title,
                const QString &body)
{
    db.insert(u"INSERT INTO notifications (user_id, kind, title, body, created_at) "
              "VALUES (?, ?, ?, ?, ?)"_s,
              {userId, kind, title, body, Storage::now()});
}
