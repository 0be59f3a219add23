// The rules of velto-sandbox that live in one place, tested there once: money parsing, the
// request readers, JPEG data URLs, route matching, the access of every route, the request rules
// the dispatcher and the listener apply to every request, the members each list carries, bound
// parameters, what reaches the disk and what is printed.

#include "dataurl.h"
#include "money.h"
#include "sandboxtest.h"
#include "server.h"

#include <QDeadlineTimer>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSslSocket>
#include <QTemporaryDir>
#include <QtTest>
#include <functional>

class TestSandboxRules : public SandboxTest
{
    Q_OBJECT

private slots:
    void money_data();
    void money();
    void readers_data();
    void readers();
    void jpegDataUrls();
    void pathSegments();
    void routeMatching_data();
    void routeMatching();
    void everyRouteChecksAccess();
    void refusedBeforeAnyRoute();
    void foreignOriginRefused();
    void requestSizes_data();
    void requestSizes();
    void idleAndSurplusConnectionsClosed();
    void listsCarryTheirMembers();
    void userTextIsBoundNeverSpliced();
    void aWriteIsCommittedOrRefused();
    void printedTextIsEscaped();

private:
    // The statuses of the answers to bytes sent on a connection of their own, once `count` came
    // or the server closed the connection.
    QList<int> answers(quint16 port, const QByteArray &bytes, int count);
    static SandboxOptions quiet(const QString &dbPath)
    {
        SandboxOptions o;
        o.port = 0;
        o.dbPath = dbPath;
        o.seed = false;
        o.printToStdout = false;
        o.pbkdf2Iterations = 10;
        return o;
    }
};

void TestSandboxRules::money_data()
{
    QTest::addColumn<bool>("rupees"); // parseRupees, else parsePaise
    QTest::addColumn<QJsonValue>("value");
    QTest::addColumn<qint64>("paise"); // 0: refused
    auto r = [](const char *name, const QJsonValue &v, qint64 paise) {
        QTest::newRow(name) << true << v << paise;
    };
    r("whole rupees", u"1500"_s, 150000);
    r("leading zeros", u"0012"_s, 1200);
    r("the largest", u"10000000"_s, 1000000000);
    r("above the largest", u"10000001"_s, 0);
    r("huge", u"99999999999999999999"_s, 0);
    r("zero", u"0"_s, 0);
    r("empty", u""_s, 0);
    r("negative", u"-5"_s, 0);
    r("leading blank", u" 1500"_s, 0);
    r("trailing blank", u"1500 "_s, 0);
    r("trailing newline", u"1000\n"_s, 0);
    r("decimal", u"1500.50"_s, 0);
    r("exponent", u"1e5"_s, 0);
    r("letters", u"abc"_s, 0);
    r("a JSON number", 1500, 0);
    r("null", QJsonValue(), 0);
    auto p = [](const char *name, const QJsonValue &v, qint64 paise) {
        QTest::newRow(name) << false << v << paise;
    };
    p("paise", 120000, 120000);
    p("paise, the largest", 1000000000, 1000000000);
    p("paise above the largest", 1000000001, 0);
    p("paise zero", 0, 0);
    p("paise negative", -100, 0);
    p("paise with a fraction", 1200.5, 0);
    p("paise as text", u"1200"_s, 0);
    p("paise huge", 1e18, 0);
}

void TestSandboxRules::money()
{
    QFETCH(bool, rupees);
    QFETCH(QJsonValue, value);
    QFETCH(qint64, paise);
    QString why;
    const auto parsed = rupees ? Money::parseRupees(value, &why) : Money::parsePaise(value, &why);
    QCOMPARE(parsed.value_or(0), paise);
    QCOMPARE(why.isEmpty(), paise != 0);
}

void TestSandboxRules::readers_data()
{
    QTest::addColumn<QString>("reader");
    QTest::addColumn<QJsonValue>("value"); // of member "m"; undefined: absent
    QTest::addColumn<QJsonValue>("expected");
    QTest::addColumn<int>("status"); // 0: read, else the refusal
    const QJsonValue absent(QJsonValue::Undefined);
    auto row = [](const char *name, const char *reader, const QJsonValue &v, const QJsonValue &e,
                  int status = 0) {
        QTest::newRow(name) << QString::fromLatin1(reader) << v << e << status;
    };
    // text(3, 5), untrimmedText(3, 5), optionalText(5), (optional)Integer(1, 10), list(2)
    row("text trimmed", "text", u"  abc  "_s, u"abc"_s);
    row("text short once trimmed", "text", u"  a  "_s, {}, 400);
    row("text long", "text", u"abcdef"_s, {}, 400);
    row("text a number", "text", 42, {}, 400);
    row("text absent", "text", absent, {}, 400);
    row("text null", "text", QJsonValue(), {}, 400);
    row("untrimmed as sent", "untrimmedText", u" ab "_s, u" ab "_s);
    row("untrimmed short", "untrimmedText", u"ab"_s, {}, 400);
    row("untrimmed a number", "untrimmedText", 12345, {}, 400);
    row("untrimmed absent", "untrimmedText", absent, {}, 400);
    row("optional absent", "optionalText", absent, u""_s);
    row("optional null", "optionalText", QJsonValue(), u""_s);
    row("optional trimmed", "optionalText", u" x "_s, u"x"_s);
    row("optional long", "optionalText", u"abcdef"_s, {}, 400);
    row("optional a number", "optionalText", 5, {}, 400);
    row("integer", "integer", 7, 7);
    row("integer fraction", "integer", 2.5, {}, 400);
    row("integer as text", "integer", u"7"_s, {}, 400);
    row("integer below", "integer", 0, {}, 400);
    row("integer above", "integer", 11, {}, 400);
    row("integer huge", "integer", 1e300, {}, 400);
    row("integer absent", "integer", absent, {}, 400);
    row("optional integer absent", "optionalInteger", absent, QJsonValue());
    row("optional integer below", "optionalInteger", 0, {}, 400);
    row("flag", "flag", false, false);
    row("flag as text", "flag", u"true"_s, {}, 400);
    row("flag a number", "flag", 1, {}, 400);
    row("flag absent", "flag", absent, {}, 400);
    row("list", "list", QJsonArray {1, 2}, QJsonArray {1, 2});
    row("list too long", "list", QJsonArray {1, 2, 3}, {}, 400);
    row("list as text", "list", u"1,2"_s, {}, 400);
    row("id member number", "idMember", 12, 12);
    row("id member digits", "idMember", u"12"_s, 12);
    row("id member digits and a newline", "idMember", u"12\n"_s, {}, 400);
    row("id member SQL", "idMember", u"1 OR 1=1"_s, {}, 400);
    row("id member zero", "idMember", 0, {}, 400);
    row("id member negative", "idMember", -1, {}, 400);
    row("id member fraction", "idMember", 1.5, {}, 400);
    row("id member absent", "idMember", absent, {}, 400);
    row("rupees", "rupees", u"1500"_s, 150000);
    row("rupees refused by the money rule", "rupees", u"1500.00"_s, {}, 400);
    row("rupees absent", "rupees", absent, {}, 400);
    row("email trimmed, lower case", "email", u" Me@Example.TEST "_s, u"me@example.test"_s);
    row("email without @", "email", u"nobody.example.test"_s, {}, 400);
    row("email with nothing before @", "email", u"@example.test"_s, {}, 400);
    row("email with NUL", "email", u"me"_s + QChar(0) + u"@x.test"_s, {}, 400);
    row("email with ESC", "email", u"me\x1b[2J@x.test"_s, {}, 400);
    row("email with a zero-width joiner", "email", u"m\u200de@x.test"_s, {}, 400);
    row("jpeg", "jpeg", jpegDataUrl(), jpegDataUrl().mid(23));
    row("jpeg over 1 MiB", "jpeg", jpegDataUrl(800 * 1024), {}, 413);
    row("jpeg a number", "jpeg", 12, {}, 400);
    row("jpeg absent", "jpeg", absent, {}, 400);
    row("optional jpeg empty", "optionalJpeg", u""_s, u""_s);
    // id(0) reads the first captured path segment.
    row("path id", "id", u"12"_s, 12);
    row("path id letters", "id", u"abc"_s, {}, 404);
    row("path id zero", "id", u"0"_s, {}, 404);
    row("path id negative", "id", u"-1"_s, {}, 404);
    row("path id fraction", "id", u"1.5"_s, {}, 404);
    row("path id and a newline", "id", u"22\n"_s, {}, 404); // from "22%0A"
    row("path id SQL", "id", u"1 OR 1=1"_s, {}, 404);
    row("path id of 16 digits", "id", u"1234567890123456"_s, {}, 404);
}

void TestSandboxRules::readers()
{
    QFETCH(QString, reader);
    QFETCH(QJsonValue, value);
    QFETCH(QJsonValue, expected);
    QFETCH(int, status);
    Request req(*server, server->storage());
    if (reader == "id"_L1)
        req.args = QStringList {value.toString()};
    else if (!value.isUndefined())
        req.body.insert(u"m"_s, value);
    const QString m = u"m"_s;
    const QHash<QString, std::function<QJsonValue()>> read = {
        {u"text"_s, [&] { return req.text(m, 3, 5); }},
        {u"untrimmedText"_s, [&] { return req.untrimmedText(m, 3, 5); }},
        {u"optionalText"_s, [&] { return req.optionalText(m, 5); }},
        {u"integer"_s, [&] { return req.integer(m, 1, 10); }},
        {u"optionalInteger"_s,
         [&] {
             const auto n = req.optionalInteger(m, 1, 10);
             return n ? QJsonValue(*n) : QJsonValue();
         }},
        {u"flag"_s, [&] { return req.flag(m); }},
        {u"list"_s, [&] { return req.list(m, 2); }},
        {u"idMember"_s, [&] { return req.idMember(m); }},
        {u"rupees"_s, [&] { return req.rupees(m); }},
        {u"email"_s, [&] { return req.email(m); }},
        {u"jpeg"_s, [&] { return QString::fromLatin1(req.jpegDataUrl(m, true).toBase64()); }},
        {u"optionalJpeg"_s,
         [&] { return QString::fromLatin1(req.jpegDataUrl(m, false).toBase64()); }},
        {u"id"_s, [&] { return req.id(0); }},
    };
    try {
        const QJsonValue got = read.value(reader)();
        QCOMPARE(0, status);
        QCOMPARE(got, expected);
    } catch (const HttpError &e) {
        QCOMPARE(e.status, status);
        // The refusal names the member it is about.
        QVERIFY2(status == 404 || e.message.startsWith(m), qPrintable(e.message));
    }
}

void TestSandboxRules::jpegDataUrls()
{
    const QString prefix = u"data:image/jpeg;base64,"_s;
    const QString jpeg = jpegDataUrl().mid(prefix.size());
    const QString png = QString::fromLatin1(QByteArray::fromHex("89504e470d0a1a0a0000").toBase64());
    QVERIFY(DataUrl::decodeJpeg(prefix + jpeg));
    for (const QString &url :
         {QString(), prefix, u"data:image/png;base64,"_s + png, prefix + png, jpeg,
          u"DATA:IMAGE/JPEG;BASE64,"_s + jpeg, prefix + u"/9j/4AAQ*!!"_s,
          prefix + jpeg.left(8) + u'\n' + jpeg.mid(8), prefix + u"/9j="_s + jpeg}) {
        QString why;
        QVERIFY2(!DataUrl::decodeJpeg(url, &why) && !why.isEmpty(), qPrintable(url));
    }
}

void TestSandboxRules::pathSegments()
{
    // Split before decoding: an encoded "/" stays inside its segment.
    for (const auto &[path, segments] : {
             std::pair {"/api/gigs/7", "api|gigs|7"},
             {"/api/assessments/C%23/1/start", "api|assessments|C#|1|start"},
             {"/api/a%2Fb", "api|a/b"},
             {"/api/1%20OR%201=1", "api|1 OR 1=1"},
             {"/api/auth/me/", "api|auth|me|"},
         }) {
        const QUrl url(u"https://localhost:1"_s + QLatin1String(path));
        QCOMPARE(Router::pathSegments(url).join(u'|'), QLatin1String(segments));
    }
}

void TestSandboxRules::routeMatching_data()
{
    QTest::addColumn<QString>("request");
    QTest::addColumn<QString>("found"); // the route and its arguments, or why none
    QTest::newRow("literal beats capture") << u"GET api/gigs/mine"_s << u"GET api/gigs/mine"_s;
    QTest::newRow("capture") << u"GET api/gigs/7"_s << u"GET api/gigs/<id> 7"_s;
    QTest::newRow("capture, other method")
        << u"DELETE api/gigs/mine"_s << u"DELETE api/gigs/<id> mine"_s;
    QTest::newRow("two captures") << u"POST api/assessments/C#/2/start"_s
                                  << u"POST api/assessments/<skill>/<level>/start C# 2"_s;
    QTest::newRow("path known, method not") << u"POST api/gigs/mine"_s << u"wrong method"_s;
    QTest::newRow("longer path, method not") << u"GET api/gigs/7/order"_s << u"wrong method"_s;
    QTest::newRow("unknown path") << u"GET api/nothing"_s << u"no path"_s;
    QTest::newRow("one segment more") << u"GET api/gigs/7/order/x"_s << u"no path"_s;
    QTest::newRow("empty path") << u"GET "_s << u"no path"_s;
}

void TestSandboxRules::routeMatching()
{
    QFETCH(QString, request);
    QFETCH(QString, found);
    Router router;
    const Handler none = [](Request &) { return ok(); };
    router.get(u"api/gigs"_s, Access::User, none);
    router.get(u"api/gigs/<id>"_s, Access::User, none); // before the literal on purpose
    router.get(u"api/gigs/mine"_s, Access::Freelancer, none);
    router.del(u"api/gigs/<id>"_s, Access::Freelancer, none);
    router.post(u"api/gigs/<id>/order"_s, Access::Client, none);
    router.post(u"api/assessments/<skill>/<level>/start"_s, Access::Freelancer, none);
    const Router::Route *r = nullptr;
    QStringList args;
    const Router::Match match
        = router.find(request.section(u' ', 0, 0), request.section(u' ', 1).split(u'/'), &r, &args);
    const QString result = match == Router::Match::NoPath ? u"no path"_s
        : match == Router::Match::WrongMethod
        ? u"wrong method"_s
        : (QStringList {r->method, r->segments.join(u'/')} + args).join(u' ');
    QCOMPARE(result, found);
}

void TestSandboxRules::everyRouteChecksAccess()
{
    // Who may call what. Every other route is for anyone signed in; a new route that should be
    // for one role only is added here, or this test fails on it.
    const QStringList open
        = u"POST api/auth/register|GET api/auth/verify|POST api/auth/login|"
          "POST api/auth/logout|POST api/auth/forgot-password|GET api/auth/reset|"
          "POST api/auth/reset-password"_s.split(u'|');
    const QStringList clientOnly
        = u"GET api/my/projects|POST api/projects|POST api/projects/<id>/publish|"
          "GET api/projects/<id>/proposals|POST api/proposals/<id>/accept|"
          "POST api/contests|POST api/contests/<id>/award|POST api/contests/<id>/cancel|"
          "POST api/teams|POST api/teams/<id>/invite|DELETE api/teams/<id>|"
          "POST api/gigs/<id>/order|POST api/gig-orders/<id>/revision|"
          "POST api/gig-orders/<id>/complete|POST api/gig-orders/<id>/review|"
          "POST api/milestones/<id>/funding-intents|POST api/deliverables/<id>/accept|"
          "POST api/deliverables/<id>/revision"_s.split(u'|');
    const QStringList freelancerOnly
        = u"POST api/settlements|POST api/projects/<id>/proposals|"
          "POST api/contests/<id>/entries|GET api/gigs/mine|POST api/gigs|"
          "DELETE api/gigs/<id>|POST api/gig-orders/<id>/accept|"
          "POST api/gig-orders/<id>/deliver|POST api/work-screenshots|"
          "POST api/milestones/<id>/deliverables|GET api/assessments/available|"
          "POST api/assessments/<skill>/<level>/start|"
          "GET api/assessments/attempts/<id>/questions|"
          "POST api/assessments/attempts/<id>/proctor|"
          "POST api/assessments/attempts/<id>/submit"_s.split(u'|');
    const QByteArray before = fingerprint();
    int listed = 0;
    for (const Router::Route &r : server->routes().all()) {
        const QString name = r.method + u' ' + r.segments.join(u'/');
        const Access expected = open.contains(name) ? Access::Public
            : clientOnly.contains(name)             ? Access::Client
            : freelancerOnly.contains(name)         ? Access::Freelancer
                                                    : Access::User;
        listed += expected != Access::User;
        QVERIFY2(r.access == expected, qPrintable(name + u": another access than listed"_s));

        QStringList segments = r.segments;
        for (QString &s : segments) {
            if (s.startsWith(u'<'))
                s = u"1"_s;
        }
        const QString path = segments.join(u'/');
        const QByteArray method = r.method.toLatin1(), body = method == "POST" ? "{}" : "";
        const int nobody = anonymous->send(method, path, body).status;
        QVERIFY2((nobody == 401) == (r.access != Access::Public),
                 qPrintable(name + u": %1 without a session"_s.arg(nobody)));
        if (r.access == Access::Client)
            QVERIFY2(freelancer->send(method, path, body).status == 403, qPrintable(name));
        if (r.access == Access::Freelancer)
            QVERIFY2(client->send(method, path, body).status == 403, qPrintable(name));
    }
    QCOMPARE(listed, open.size() + clientOnly.size() + freelancerOnly.size()); // none stale
    QCOMPARE(fingerprint(), before);
}

void TestSandboxRules::refusedBeforeAnyRoute()
{
    for (const auto &[method, path, body, status] : {
             std::tuple {"POST", "api/auth/login", "{\"email\":", 400}, // truncated JSON
             {"POST", "api/auth/login", "[1]", 400}, // not an object
             // Half a surrogate pair, anywhere in the body (forgot-password answers 200 to all).
             {"POST", "api/auth/forgot-password", R"({"email": "a\ud800@x.test"})", 400},
             {"POST", "api/projects", R"({"requiredSkills": [{"\udc00": 1}]})", 400},
             {"GET", "api/nothing/here", "", 404},
             {"GET", "api/auth/me/", "", 404}, // a trailing slash is another path
             {"DELETE", "api/auth/me", "", 405},
             {"PATCH", "api/auth/login", "{}", 405},
         }) {
        const HttpResult r = anonymous->send(method, QLatin1String(path), body);
        QVERIFY2(r.status == status && !r.error().isEmpty(), body);
        QCOMPARE(r.header("Content-Type"), QByteArray("application/json"));
    }
}

void TestSandboxRules::foreignOriginRefused()
{
    SandboxClient c(server->port());
    const QByteArray port = QByteArray::number(server->port());
    for (const QByteArray origin :
         {QByteArray("https://evil.example"), QByteArray("https://localhost:1"),
          "http://localhost:" + port}) {
        c.setOrigin(origin);
        const HttpResult r = c.login(Demo::ClientEmail, Demo::ClientPassword);
        QCOMPARE(r.status, 403);
        QVERIFY(!r.error().isEmpty());
        QVERIFY(r.header("Set-Cookie").isEmpty());
    }
    c.setOrigin("https://127.0.0.1:" + port);
    QCOMPARE(c.login(Demo::ClientEmail, Demo::ClientPassword).status, 200);
    // A session does not get a write past a foreign Origin; reads are not checked.
    c.setOrigin("https://evil.example");
    QCOMPARE(c.post(u"api/auth/logout"_s).status, 403);
    QCOMPARE(c.get(u"api/auth/me"_s).status, 200);
    c.setOrigin({}); // no Origin at all (curl): allowed
    QCOMPARE(c.post(u"api/auth/logout"_s).status, 200);
}

QList<int> TestSandboxRules::answers(quint16 port, const QByteArray &bytes, int count)
{
    QSslSocket socket;
    QByteArray got;
    QList<int> statuses;
    QObject::connect(&socket, &QSslSocket::encrypted, [&] { socket.write(bytes); });
    QObject::connect(&socket, &QIODevice::readyRead, [&] {
        got += socket.readAll();
        for (qsizetype end; (end = got.indexOf("\r\n\r\n")) >= 0;) {
            const qsizetype at = got.left(end).toLower().indexOf("content-length:") + 15;
            const qsizetype length = got.mid(at, got.indexOf('\r', at) - at).trimmed().toLongLong();
            if (got.size() < end + 4 + length)
                break;
            statuses.append(got.mid(9, 3).toInt());
            got.remove(0, end + 4 + length);
        }
    });
    socket.connectToHostEncrypted(u"localhost"_s, port);
    const QDeadlineTimer deadline(60000); // a server that never answers fails, not hangs
    while (statuses.size() < count && socket.state() != QAbstractSocket::UnconnectedState
           && !deadline.hasExpired())
        QTest::qWait(5);
    return statuses;
}

void TestSandboxRules::requestSizes_data()
{
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QList<int>>("statuses");
    const QByteArray me = "GET /api/auth/me HTTP/1.1\r\nHost: localhost\r\n\r\n";
    auto post = [](const QByteArray &headers, const QByteArray &body = {}) {
        return "POST /api/auth/forgot-password HTTP/1.1\r\nHost: localhost\r\n" + headers + "\r\n"
            + body;
    };
    auto sized = [&](int size) {
        const QByteArray body = "{\"email\":\"" + QByteArray(size - 12, 'a') + "\"}";
        return post("Content-Length: " + QByteArray::number(body.size()) + "\r\n", body);
    };
    QTest::newRow("body of 8 MiB") << sized(8 << 20) << QList {200};
    QTest::newRow("body over 8 MiB") << sized((8 << 20) + 1) << QList {413};
    QTest::newRow("body over 8 MiB, announced only")
        << post("Content-Length: 1073741824\r\n") << QList {413};
    QTest::newRow("chunked body") << post("Transfer-Encoding: chunked\r\n", "2\r\n{}\r\n0\r\n\r\n")
                                  << QList {411};
    QTest::newRow("length not a number") << post("Content-Length: 2x\r\n", "{}") << QList {400};
    QTest::newRow("URL of 8 KiB") << QByteArray(me).insert(16, "?" + QByteArray(8150, 'a'))
                                  << QList {401};
    QTest::newRow("URL over 8 KiB")
        << QByteArray(me).insert(16, "?" + QByteArray(8200, 'a')) << QList {414};
    QTest::newRow("headers over 32 KiB")
        << QByteArray(me).insert(me.size() - 2, "X-Big: " + QByteArray(33000, 'a') + "\r\n")
        << QList {431};
    QTest::newRow("a request, then one too long")
        << me + QByteArray(me).insert(16, "?" + QByteArray(8200, 'a')) << QList {401, 414};
}

void TestSandboxRules::requestSizes()
{
    // Refused as soon as the limit is known, before the rest is read: an announced body that
    // never comes is refused all the same.
    QFETCH(QByteArray, request);
    QFETCH(QList<int>, statuses);
    QCOMPARE(answers(server->port(), request, statuses.size()), statuses);
}

void TestSandboxRules::idleAndSurplusConnectionsClosed()
{
    SandboxOptions options = quiet(u":memory:"_s);
    options.connections.idleMs = 1000;
    options.connections.maxConnections = 2;
    SandboxServer small(options);
    QVERIFY(small.start());
    QSslSocket idle[3];
    for (QSslSocket &s : idle)
        s.connectToHostEncrypted(u"localhost"_s, small.port());
    auto count = [&](QAbstractSocket::SocketState state) {
        return std::count_if(idle, idle + 3, [&](QSslSocket &s) { return s.state() == state; });
    };
    // Two at a time: a third connection is closed at once; the other two once they are idle.
    QTRY_VERIFY(count(QAbstractSocket::ConnectedState) == 2
                && count(QAbstractSocket::UnconnectedState) == 1);
    QCOMPARE(small.openConnections(), 2);
    QTRY_COMPARE(count(QAbstractSocket::UnconnectedState), 3);
}

void TestSandboxRules::listsCarryTheirMembers()
{
    // Who asks (client or freelancer), the path, the list, and the members of each of its rows
    // that the client's views read. The demo accounts have rows in every list.
    for (const char *line : {
             "f api/projects projects: id title description budget_paise required_skills status",
             "c api/my/projects projects: id title status budget_paise proposals_count",
             "c api/projects/1/proposals proposals: id freelancer_name cover_letter amount_paise",
             "f api/contests contests: id client_id title brief prize_paise status deadline",
             "c api/contests/1 entries: id title description attachment_url is_winner display_name",
             "c api/teams/mine teams: id name description member_count is_owner",
             "c api/gigs gigs: id freelancer_name title description skills orders_count packages",
             "c api/gigs gigs.0.packages: tier label description price_paise delivery_days",
             "f api/gigs/mine gigs: id title status packages",
             "c api/gig-orders orders: id gig_title package_tier price_paise status client_name",
             "c api/gig-orders orders: client_id freelancer_id freelancer_name delivery_note",
             "c api/contracts contracts: id project_title status contract_type total_paise",
             "c api/contracts contracts: milestones deliverables",
             "c api/contracts contracts.0.milestones: id title amount_paise status",
             "c api/wallet transactions: id kind description amount_paise created_at",
             "c api/invoices invoices: invoice_number description total_paise",
             "f api/notifications notifications: id kind title body created_at read_at",
             "f api/settlements settlements: id amount_paise status requested_at",
             "f api/affiliate referrals: full_name joined_at",
             "f api/assessments/available assessments: skill badgeLevel nextLevel feePaise "
             "inReview",
             "f api/assessments/available badges: skill level",
         }) {
        const QStringList words = QString::fromLatin1(line).split(u' ');
        const QString list = words.at(2).chopped(1);
        const HttpResult r = (words.at(0) == "c"_L1 ? client : freelancer)->get(words.at(1));
        QVERIFY2(!r.list(list).isEmpty(), line);
        for (const QJsonValue &row : r.list(list)) {
            for (const QString &member : words.mid(3))
                QVERIFY2(row.toObject().contains(member), qPrintable(member + u" in "_s + line));
        }
    }
}

void TestSandboxRules::userTextIsBoundNeverSpliced()
{
    // Storage binds every value: text that looks like SQL, or like QString::arg placeholders,
    // comes back and reaches notifications as typed.
    const QString evil = u"x'); DELETE FROM projects; -- \" OR 1=1 %2 %3"_s;
    const QString longEvil = evil + QString(30, u'.');
    QJsonObject body = R"({"budget": "500", "projectType": "fixed"})"_json;
    body.insert(u"title"_s, evil);
    body.insert(u"description"_s, longEvil);
    body.insert(u"requiredSkills"_s, QJsonArray {evil});
    const qint64 id = client->post(u"api/projects"_s, body).id(u"project"_s);
    QCOMPARE(client->post(u"api/projects/%1/publish"_s.arg(id)).status, 200);
    body = R"({"amount": "500", "durationDays": 1})"_json;
    body.insert(u"coverLetter"_s, longEvil);
    QCOMPARE(otherFreelancer->post(u"api/projects/%1/proposals"_s.arg(id), body).status, 201);
    const QString told = client->get(u"api/notifications"_s).text(u"notifications.0.body"_s);
    QVERIFY2(told.contains(u"“%1”"_s.arg(evil)), qPrintable(told));
    const QJsonObject listed = freelancer->get(u"api/projects"_s).row(u"projects"_s, id);
    QCOMPARE(listed[u"title"_s].toString(), evil);
    QCOMPARE(listed[u"required_skills"_s].toArray(), QJsonArray {evil});
    QCOMPARE(
        client->get(u"api/projects/%1/proposals"_s.arg(id)).text(u"proposals.0.cover_letter"_s),
        longEvil);
    QVERIFY(server->storage().exists(u"SELECT 1 FROM projects WHERE id <> ?"_s, {id}));
    QCOMPARE(anonymous->login(u"' OR '1'='1"_s, u"' OR '1'='1"_s).status, 401);
}

void TestSandboxRules::aWriteIsCommittedOrRefused()
{
    // A database file as another process sees it (a backup, the sqlite3 shell), readable by its
    // owner alone: a file made world-readable before is closed up too.
    QTemporaryDir dir;
    const QString path = dir.filePath(u"sandbox.db"_s);
    QFile made(path);
    QVERIFY(
        made.open(QIODevice::WriteOnly, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther));
    made.close();
    SandboxServer disk(quiet(path));
    QVERIFY(disk.start());
    SandboxClient c(disk.port());
    QSqlDatabase reader = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"reader"_s);
    reader.setDatabaseName(path);
    QVERIFY(reader.open());
    auto signUp = [&](const QString &name) {
        QJsonObject body = R"({"password": "password-1", "role": "client",
            "termsAccepted": true, "privacyAccepted": true})"_json;
        body.insert(u"email"_s, name + u"@x.test"_s);
        return c.post(u"api/auth/register"_s, body).status;
    };
    auto saved = [&](const QString &name) {
        QSqlQuery q(reader);
        q.prepare(u"SELECT 1 FROM users WHERE email = ?"_s);
        q.addBindValue(name + u"@x.test"_s);
        return q.exec() && q.next();
    };
    auto holdRead = [&] {
        reader.transaction();
        QSqlQuery(u"SELECT COUNT(*) FROM users"_s, reader).next();
    };

    holdRead(); // the write-ahead log lets the write past a reader
    QCOMPARE(signUp(u"first"_s), 201);
    reader.commit();
    QVERIFY(saved(u"first"_s));
    const auto shared = QFile::ReadGroup | QFile::WriteGroup | QFile::ReadOther | QFile::WriteOther;
    for (const char *suffix : {"", "-wal", "-shm"}) {
        const QString file = path + QLatin1String(suffix);
        QVERIFY2(QFile::exists(file) && !(QFile::permissions(file) & shared), suffix);
    }

    // Without the log, a reader keeps the commit from happening: nothing of the write is kept,
    // it is answered 503, and the next write is committed rather than left in a dead transaction.
    reader.close();
    disk.storage().exec(u"PRAGMA journal_mode = DELETE"_s);
    QVERIFY(reader.open());
    holdRead();
    QCOMPARE(signUp(u"locked"_s), 503);
    reader.commit();
    QCOMPARE(signUp(u"after"_s), 201);
    QVERIFY(saved(u"after"_s) && !saved(u"locked"_s));
    reader = QSqlDatabase();
    QSqlDatabase::removeDatabase(u"reader"_s);
}

void TestSandboxRules::printedTextIsEscaped()
{
    // Nothing typed can drive a terminal or print a line of its own ("reset-link …").
    QCOMPARE(SandboxServer::printable(u"a\x1b[2J\nreset-link x\x7f\u0085é€"_s),
             u"a\\x1b[2J\\x0areset-link x\\x7f\\x85é€"_s);
}

QTEST_GUILESS_MAIN(TestSandboxRules)
#include "tst_sandbox_rules.moc"
