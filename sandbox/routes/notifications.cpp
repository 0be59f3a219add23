// The user's notifications, newest first; unread until "api/notifications/read".

#include "http.h"
#include "storage.h"

namespace {

Reply list(Request &req)
{
    return ok({{QStringLiteral("notifications"),
                req.db.all(QStringLiteral("SELECT id, kind, title, body, created_at, read_at FROM "
                                          "notifications WHERE user_id = ? "
                                          "ORDER BY id DESC LIMIT 500"),
                           {req.userId})},
               {QStringLiteral("unread_count"),
                req.db
                    .scalar(QStringLiteral("SELECT COUNT(*) FROM notifications WHERE user_id = ? "
                                           "AND read_at IS NULL"),
                            {req.userId})
                    .toLongLong()}});
}

Reply markAllRead(Request &req)
{
    const int n = req.db.change(QStringLiteral("UPDATE notifications SET read_at = ? WHERE "
                                               "user_id = ? AND read_at IS NULL"),
                                {Storage::now(), req.userId});
    return ok({{QStringLiteral("ok"), true}, {QStringLiteral("updated"), n}});
}

} // namespace

void registerNotificationRoutes(Router &r)
{
    r.get(QStringLiteral("api/notifications"), Access::User, list);
    r.post(QStringLiteral("api/notifications/read"), Access::User, markAllRead);
}
