#pragma once

#include "httperror.h"

#include <QByteArray>
#include <QJsonArray>
#include <QJsonObject>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QUrlQuery>
#include <functional>
#include <optional>

// The sandbox spells its texts u"…"_s; every route includes this header.
using namespace Qt::StringLiterals;

class SandboxServer;
class Storage;

// Who may call a route. Wrong role → 403; no session → 401.
enum class Access { Public, User, Client, Freelancer };

// What a handler answers: a JSON object, or for the web pages (web/) a document of its own type.
// The dispatcher adds Content-Type.
struct Reply
{
    int status = 200;
    QJsonObject body;
    QList<QPair<QByteArray, QByteArray>> headers;
    QByteArray document {}; // sent instead of the body when documentType is set
    QByteArray documentType {};
};

inline Reply ok(const QJsonObject &body = {{u"ok"_s, true}})
{
    return Reply {200, body, {}};
}
inline Reply created(const QJsonObject &body)
{
    return Reply {201, body, {}};
}
// Refuse by throwing: the transaction of the request is rolled back.
[[noreturn]] inline void fail(int status, const QString &message)
{
    throw HttpError {status, message};
}

// One request as a handler sees it: the path's captured segments, the query, the parsed JSON body,
// the signed-in user (when there is one), and readers for body members that refuse bad input
// with 400 {"error": …} (they throw HttpError).
class Request
{
public:
    Request(SandboxServer &server, Storage &db) : server(server), db(db) { }

    SandboxServer &server;
    Storage &db;
    QString method; // "GET", "POST", "PUT" or "DELETE"
    QStringList args; // the <…> segments of the route pattern, percent-decoded, in order
    QUrlQuery query;
    QJsonObject body; // {} for GET and for an empty body
    QByteArray cookieHeader;
    QString source; // the address the request came from
    QString pattern; // of the route, as registered: "api/projects/<id>/proposals"

    // Signed-in user: id 0 when nobody is signed in. `user` is the user record (users.h).
    qint64 userId = 0;
    QString role;
    QJsonObject user;
    QString sessionToken;

    // The i-th captured path segment as a record id; anything but a positive integer → 404.
    qint64 id(int i = 0) const;

    // Required string member, trimmed; its trimmed length must lie in [minLen, maxLen].
    QString text(const QString &name, int minLen, int maxLen) const;
    // Required string member taken as sent (passwords): length in [minLen, maxLen].
    QString untrimmedText(const QString &name, int minLen, int maxLen) const;
    // Optional string member, trimmed; absent or null gives "".
    QString optionalText(const QString &name, int maxLen) const;
    // Required integer member (a JSON number without fraction) within [min, max].
    qint64 integer(const QString &name, qint64 min, qint64 max) const;
    std::optional<qint64> optionalInteger(const QString &name, qint64 min, qint64 max) const;
    // Required boolean member.
    bool flag(const QString &name) const;
    // Required array member with at most maxItems entries.
    QJsonArray list(const QString &name, int maxItems) const;
    // Required id member: a positive integer given as a JSON number or as a digits-only string.
    qint64 idMember(const QString &name) const;
    // Required whole-rupee amount ("1500") → paise; see money.h for the rule.
    qint64 rupees(const QString &name) const;
    // Required e-mail address, trimmed and lower-cased: one "@", no blanks, control or format
    // characters.
    QString email(const QString &name) const;
    // A JPEG data URL (dataurl.h) of at most DataUrl::MaxLength characters (413 above): its image
    // bytes. Unless required, absent, null or "" gives an empty array.
    QByteArray jpegDataUrl(const QString &name, bool required) const;
    // An optional list of skills: at most 20, each trimmed and at most 60 characters; blanks are
    // dropped, and so are repeats in another case (the first spelling stays).
    QStringList skills(const QString &name) const;

    // The member as the client labels its field ("durationDays" → "Days"): refusals speak of
    // what the person typed, never of a wire member.
    QString field(const QString &name) const;

    bool has(const QString &name) const { return body.contains(name); }
    bool isClient() const { return role == "client"_L1; }
    bool isFreelancer() const { return role == "freelancer"_L1; }
};

using Handler = std::function<Reply(Request &)>;

// The readers of one JSON value, for values inside lists; `what` names it in a refusal.
QString textValue(const QJsonValue &v, const QString &what, int minLen, int maxLen);
qint64 wholeNumber(const QJsonValue &v, const QString &what, qint64 min, qint64 max);

// Whether a string anywhere in the value (member names included) holds half of a UTF-16 surrogate
// pair: such text cannot be stored as UTF-8.
bool hasUnpairedSurrogate(const QJsonValue &value);

// The routing table. Patterns are paths without a leading "/", e.g. "api/projects/<id>/publish";
// each <…> segment matches one path segment and is handed to the handler in Request::args.
class Router
{
public:
    void add(const QString &method, const QString &pattern, Access access, Handler handler);
    void get(const QString &p, Access a, Handler h) { add(u"GET"_s, p, a, std::move(h)); }
    void post(const QString &p, Access a, Handler h) { add(u"POST"_s, p, a, std::move(h)); }
    void put(const QString &p, Access a, Handler h) { add(u"PUT"_s, p, a, std::move(h)); }
    void del(const QString &p, Access a, Handler h) { add(u"DELETE"_s, p, a, std::move(h)); }

    struct Route
    {
        QString method;
        QStringList segments;
        Access access;
        Handler handler;
    };
    enum class Match { Found, NoPath, WrongMethod };
    // The percent-decoded segments of a request's path. It is split before decoding, so an
    // encoded "/" stays inside its segment.
    static QStringList pathSegments(const QUrl &url);
    // Finds the route for a method and the path's decoded segments; fills args on success.
    Match find(const QString &method, const QStringList &segments, const Route **route,
               QStringList *args) const;

    // Every route in the order added, for the tests that walk the table.
    const QList<Route> &all() const { return routes; }

private:
    QList<Route> routes;
};

// Route registration, one function per area (routes/<area>.cpp).
void registerAuthRoutes(Router &r);
void registerAccountRoutes(Router &r);
void registerWalletRoutes(Router &r);
void registerNotificationRoutes(Router &r);
void registerProjectRoutes(Router &r);
void registerContestRoutes(Router &r);
void registerTeamRoutes(Router &r);
void registerGigRoutes(Router &r);
void registerGigOrderRoutes(Router &r);
void registerContractRoutes(Router &r);
void registerAssessmentRoutes(Router &r);
void registerIdentityRoutes(Router &r);
void registerSignInLinkRoutes(Router &r);
// The web pages (web/): sign-in, the mailed links, payments, identity, the one-time sign-in links.
void registerAccountPages(Router &r);
void registerPaymentPages(Router &r);
void registerIdentityPages(Router &r);
void registerSignInLinkPages(Router &r);
