// The user's notifications, newest first; unread until "api/notifications/read".

#include "http.h"
#include "storage.h"

using namespace Qt::StringLiterals;

namespace {

Reply list(Request &req)
{
    return ok({{u"notifications"_s,
                req.db.all(u"SELECT id, kind, title, body, created_at, read_at FROM "
                           "notifications WHERE user_id = ? "
                           "ORDER BY id DESC LIMIT 500"_s,
                           {req.userId})},
               {u"unread_count"_s,
                req.db
                    .scalar(u"SELECT COUNT(*) FROM notifications WHERE user_id = ? "
                            "AND read_at IS NULL"_s,
                            {req.userId})
                    .toLongLong()}});
}

Reply markAllRead(Request &req)
{
    const int n = req.db.change(u"UPDATE notifications SET read_at = ? WHERE "
                                "user_id = ? AND read_at IS NULL"_s,
                                {Storage::now(), req.userId});
    return ok({{u"ok"_s, true}, {u"updated"_s, n}});
}

} // namespace

void registerNotificationRoutes(Router &r)
{
    r.get(u"api/notifications"_s, Access::User, list);
    r.post(u"api/notifications/read"_s, Access::User, markAllRead);
}
