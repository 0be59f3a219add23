#include "notify.h"

#include "storage.h"

void notifyUser(Storage &db, qint64 userId, const QString &kind, const QString &title,
                const QString &body)
{
    db.insert(QStringLiteral("INSERT INTO notifications (user_id, kind, title, body, created_at) "
                             "VALUES (?, ?, ?, ?, ?)"),
              {userId, kind, title, body, Storage::now()});
}
