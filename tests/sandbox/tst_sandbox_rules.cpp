#include "idempotency.h"
#include "sandboxtest.h"
#include "web/page.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSslSocket>
#include <QTemporaryDir>
#include <functional>

class TestSandboxRules : public SandboxTest
{
    Q_OBJECT

private slots:
    void readers_data();
    void readers();
    void everyRouteChecksAccess();
    void foreignOriginRefused();
    void connectionLimits_data();
    void connectionLimits();
    void unreadAnswersStopTheReading();
    void connectionSlotsSharedAndIdleClosed();
    void userTextIsBoundNeverSpliced();
    void theDatabaseFile();
    void aKeyedWriteIsAnsweredOnce();
    void printedTextIsEscaped();
};

void TestSandboxRules::readers_data()
{
    QTest::addColumn<QString>("reader");
    QTest::addColumn<QJsonValue>("value"); // of member "durationDays"; undefined: absent
    QTest::addColumn<QJsonValue>("expected");
    QTest::addColumn<int>("status"); // 0: read, else the refusal
    const QJsonValue absent(QJsonValue::Undefined);
    auto row = [](const char *name, const char *reader, const QJsonValue &v, const QJsonValue &e,
                  int status = 0) {
        QTest::newRow(name) << QString::fromLatin1(reader) << v << e << status;
    };
    row("text trimmed", "text", u"  abc  "_s, u"abc"_s);
    row("text short once trimmed", "text", u"  a  "_s, {}, 400);
    row("text long", "text", u"abcdef"_s, {}, 400);
    row("text absent", "text", absent, {}, 400);
    row("untrimmed as sent", "untrimmedText", u" ab "_s, u" ab "_s);
    row("untrimmed short", "untrimmedText", u"ab"_s, {}, 400);
    row("optional absent", "optionalText", absent, u""_s);
    row("integer", "integer", 7, 7);
    row("integer fraction", "integer", 2.5, {}, 400);
    row("integer below", "integer", 0, {}, 400);
    row("integer above", "integer", 11, {}, 400);
    row("optional integer absent", "optionalInteger", absent, 0);
    row("flag", "flag", false, false);
    row("flag as text", "flag", u"true"_s, {}, 400);
    row("list", "list", QJsonArray {1, 2}, QJsonArray {1, 2});
    row("list too long", "list", QJsonArray {1, 2, 3}, {}, 400);
    row("list as text", "list", u"1,2"_s, {}, 400);
    row("id member number", "idMember", 12, 12);
    row("id member digits", "idMember", u"12"_s, 12);
    row("id member digits and a newline", "idMember", u"12\n"_s, {}, 400);
    row("id member zero", "idMember", 0, {}, 400);
    row("id member fraction", "idMember", 1.5, {}, 400);
    row("rupees", "rupees", u"1500"_s, 150000);
    row("rupees refused by the money rule", "rupees", u"1500.00"_s, {}, 400);
    row("email trimmed, lower case", "email", u" Me@Example.TEST "_s, u"me@example.test"_s);
    row("email without @", "email", u"nobody.example.test"_s, {}, 400);
    row("email with NUL", "email", u"me"_s + QChar(0) + u"@x.test"_s, {}, 400);
    row("email with a zero-width joiner", "email", u"m\u200de@x.test"_s, {}, 400);
    row("jpeg", "jpeg", jpegDataUrl(), jpegDataUrl().mid(23));
    row("jpeg over 1 MiB", "jpeg", jpegDataUrl(800 * 1024), {}, 413);
    const QString jpeg = jpegDataUrl().mid(23), png = u"iVBORw0KGgoAAA=="_s;
    for (const QString &url :
         {u"data:image/png;base64,"_s + png, u"data:image/jpeg;base64,"_s + png,
          u"DATA:IMAGE/JPEG;BASE64,"_s + jpeg, u"data:image/jpeg;base64,"_s,
          u"data:image/jpeg;base64,"_s + jpeg.left(8) + u'\n' + jpeg.mid(8),
          u"data:image/jpeg;base64,/9j="_s + jpeg})
        row(qPrintable(u"jpeg refused: "_s + url.left(40)), "jpeg", url, {}, 400);
    row("path id", "id", u"12"_s, 12);
    row("path id zero", "id", u"0"_s, {}, 404);
    row("path id and a newline", "id", u"22\n"_s, {}, 404); // from "22%0A"
    row("path id of 16 digits", "id", u"1234567890123456"_s, {}, 404);
}

void TestSandboxRules::readers()
{
    QFETCH(QString, reader);
    QFETCH(QJsonValue, value);
    QFETCH(QJsonValue, expected);
    QFETCH(int, status);
    Request req(*server, server->storage());
    const QString m = u"durationDays"_s;
    if (reader == "id"_L1)
        req.args = QStringList {value.toString()};
    else if (!value.isUndefined())
        req.body.insert(m, value);
    const QHash<QString, std::function<QJsonValue()>> read = {
        {u"text"_s, [&] { return req.text(m, 3, 5); }},
        {u"untrimmedText"_s, [&] { return req.untrimmedText(m, 3, 5); }},
        {u"optionalText"_s, [&] { return req.optionalText(m, 5); }},
        {u"integer"_s, [&] { return req.integer(m, 1, 10); }},
        {u"optionalInteger"_s,
         [&] { return QJsonValue(req.optionalInteger(m, 1, 10).value_or(0)); }},
        {u"flag"_s, [&] { return req.flag(m); }},
        {u"list"_s, [&] { return req.list(m, 2); }},
        {u"idMember"_s, [&] { return req.idMember(m); }},
        {u"rupees"_s, [&] { return req.rupees(m); }},
        {u"email"_s, [&] { return req.email(m); }},
        {u"jpeg"_s, [&] { return QString::fromLatin1(req.jpegDataUrl(m, true).toBase64()); }},
        {u"id"_s, [&] { return req.id(0); }},
    };
    try {
        const QJsonValue got = read.value(reader)();
        QCOMPARE(0, status);
        QCOMPARE(got, expected);
    } catch (const HttpError &e) {
        QCOMPARE(e.status, status);
        // The refusal names the field as the views label it, never the member.
        QVERIFY2(status == 404 || e.message.startsWith(u"Days"_s), qPrintable(e.message));
    }
}

void TestSandboxRules::everyRouteChecksAccess()
{
    // Others are for anyone signed in; open pages send a visitor to their sign-in page themselves.
    const QStringList open
        = u"POST api/auth/register|POST api/auth/login|POST api/auth/logout|"
          "POST api/auth/forgot-password|POST api/auth/reset-password|GET api/bank-account/approve|"
          "GET |GET style.css|GET sign-in|POST sign-in|POST sign-out|GET verify-email|"
          "GET reset-password|POST reset-password|GET contracts|POST contracts|GET skills|"
          "POST skills|GET wallet|POST wallet|GET api/identity/approve|GET identity|POST identity|"
          "GET sign-in-link|GET continue-sign-in|POST continue-sign-in"_s.split(u'|');
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
    // Only these act on other people's records by design.
    const QStringList forAnyone
        = u"GET api/contests/<id>|POST api/contests/<id>/entries|"
          "POST api/gigs/<id>/order|POST api/projects/<id>/proposals"_s.split(u'|');
    const QJsonObject anyBody = R"({"note": "A long enough note", "reason": "A long enough reason",
        "body": "Hello", "summary": "A long enough summary", "feedback": "A long enough text",
        "email": "x@y.test", "entryId": 1, "score": 5, "milestones": [{"amount": "1"}],
        "answers": {}, "kind": "voice"})"_json;
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

        // A record of the route's kind: the demo data has some of every kind.
        const qsizetype at = r.segments.indexOf(u"<id>"_s);
        const QString kind = at > 0 ? r.segments.at(at - 1) : QString();
        const QString table
            = kind == "attempts"_L1 ? u"assessment_attempts"_s : QString(kind).replace(u'-', u'_');
        const QString id = at > 0 // table names come from the route table, not from input
            ? server->storage().scalar(u"SELECT MIN(id) FROM "_s + table).toString()
            : u"1"_s;
        const QString path = r.segments.join(u'/')
                                 .replace(u"<id>"_s, id)
                                 .replace(QRegularExpression(u"<\\w+>"_s), u"1"_s);
        const QByteArray method = r.method.toLatin1();
        const QByteArray body = method == "POST" ? QJsonDocument(anyBody).toJson() : "";
        const int nobody = anonymous->send(method, path, body).status;
        QVERIFY2((nobody == 401) == (r.access != Access::Public),
                 qPrintable(name + u": %1 without a session"_s.arg(nobody)));
        if (r.access == Access::Client)
            QVERIFY2(freelancer->send(method, path, body).status == 403, qPrintable(name));
        if (r.access == Access::Freelancer)
            QVERIFY2(client->send(method, path, body).status == 403, qPrintable(name));
        // The new people are parties to nothing yet: 404, as if the record did not exist.
        const auto &stranger = r.access == Access::Freelancer ? otherFreelancer : otherClient;
        if (at > 0 && !forAnyone.contains(name))
            QVERIFY2(stranger->send(method, path, body).status == 404, qPrintable(name));
    }
    QCOMPARE(listed, open.size() + clientOnly.size() + freelancerOnly.size()); // none stale
    QCOMPARE(fingerprint(), before);
    // Nor are other people's records in a stranger's lists.
    for (const char *list :
         {"gig-orders orders", "contracts contracts", "wallet transactions", "invoices invoices",
          "notifications notifications", "my/projects projects", "settlements settlements",
          "teams/mine teams", "contests?mine=1 contests", "affiliate referrals"}) {
        const QStringList words = QString::fromLatin1(list).split(u' ');
        QVERIFY2(otherClient->get(u"api/"_s + words.at(0)).list(words.at(1)).isEmpty(), list);
    }
    QVERIFY(otherFreelancer->get(u"api/gigs/mine"_s).list(u"gigs"_s).isEmpty());
}

void TestSandboxRules::foreignOriginRefused()
{
    SandboxClient c(server->port());
    const DemoAccount asha = demoAccount(u"client@velto.test"_s);
    const QByteArray port = QByteArray::number(server->port());
    for (const QByteArray &origin :
         {QByteArray("https://evil.example"), QByteArray("https://localhost:1"),
          "http://localhost:" + port}) {
        c.setOrigin(origin);
        const HttpResult r = c.login(asha);
        QVERIFY2(r.status == 403 && r.header("Set-Cookie").isEmpty(), origin);
    }
    c.setOrigin("https://127.0.0.1:" + port);
    QCOMPARE(c.login(asha).status, 200);
    // A session does not get a write past a foreign Origin; reads are not checked.
    c.setOrigin("https://evil.example");
    QCOMPARE(c.post(u"api/auth/logout"_s).status, 403);
    QCOMPARE(c.get(u"api/auth/me"_s).status, 200);
    c.setOrigin({}); // no Origin at all (curl): allowed
    QCOMPARE(c.post(u"api/auth/logout"_s).status, 200);
}

// A session check, and a forgot-password form (200 to any e-mail) with these headers and body.
static const QByteArray me = "GET /api/auth/me HTTP/1.1\r\nHost: localhost\r\n\r\n";
static QByteArray post(const QByteArray &headers, const QByteArray &body = {})
{
    return "POST /api/auth/forgot-password HTTP/1.1\r\nHost: localhost\r\n" + headers + "\r\n"
        + body;
}

static std::unique_ptr<QSslSocket> connection(const SandboxServer &to, const QString &source)
{
    auto socket = std::make_unique<QSslSocket>();
    socket->bind(QHostAddress(source));
    socket->connectToHostEncrypted(u"127.0.0.1"_s, to.port(), u"localhost"_s);
    if (!QTest::qWaitFor([&] { return socket->isEncrypted(); }))
        qWarning("no TLS connection from %s", qPrintable(source)); // fails the test function
    return socket;
}

// `count` statuses answered on a new connection: a close is 0, one lacking security headers < 0.
static QList<int> answers(const SandboxServer &to, const QList<QByteArray> &pieces, int count,
                          qint64 &clock, int stepMs, const QString &source)
{
    const auto socket = connection(to, source);
    QByteArray got;
    QList<int> statuses;
    QObject::connect(socket.get(), &QIODevice::readyRead, [&] {
        got += socket->readAll();
        for (qsizetype end; (end = got.indexOf("\r\n\r\n")) >= 0;) {
            const QByteArray head = got.left(end).toLower();
            const qsizetype at = head.indexOf("content-length:") + 15;
            const qsizetype length
                = head.mid(at, head.indexOf('\r', at) - at).trimmed().toLongLong();
            if (got.size() < end + 4 + length)
                break;
            const auto &secure = Web::securityHeaders();
            const bool secured = std::all_of(secure.begin(), secure.end(), [&](const auto &h) {
                return head.contains(h.first.toLower() + ": " + h.second.toLower());
            });
            statuses.append(got.mid(9, 3).toInt() * (secured ? 1 : -1));
            got.remove(0, end + 4 + length);
        }
    });
    QObject::connect(socket.get(), &QAbstractSocket::disconnected, [&] { statuses.append(0); });
    const QDeadlineTimer deadline(60000); // a server that never answers fails, not hangs
    const auto waitFor = [&](const std::function<bool()> &done) {
        while (!done() && statuses.size() < count && !deadline.hasExpired())
            QTest::qWait(1);
    };
    for (const QByteArray &piece : pieces) {
        const qint64 taken = to.connections()->bytesTaken() + piece.size();
        socket->write(piece);
        waitFor([&] {
            return to.connections()->bytesTaken() >= taken
                || socket->state() != QAbstractSocket::ConnectedState;
        });
        clock += stepMs;
    }
    waitFor([] { return false; });
    socket->disconnect(); // its closing on return is ours
    return statuses;
}

void TestSandboxRules::connectionLimits_data()
{
    QTest::addColumn<QList<QByteArray>>("pieces");
    QTest::addColumn<QList<int>>("statuses"); // 0: the server closed the connection
    QTest::addColumn<int>("stepMs"); // the sandbox's clock moves on so much after each piece
    QTest::addColumn<QList<QByteArray>>("held"); // sent first from 127.0.0.2, .3, … kept open
    QTest::addColumn<QString>("source"); // of the pieces
    auto row = [](const char *name, const QList<QByteArray> &pieces, const QList<int> &statuses,
                  int stepMs = 0, const QList<QByteArray> &held = {},
                  const QString &source = u"127.0.0.1"_s) {
        QTest::newRow(name) << pieces << statuses << stepMs << held << source;
    };
    auto withBody = [](const QByteArray &body) {
        return post("Content-Length: " + QByteArray::number(body.size()) + "\r\n", body);
    };
    auto sized
        = [&](int size) { return withBody("{\"email\":\"" + QByteArray(size - 12, 'a') + "\"}"); };
    const QByteArray head = post("Content-Length: 300\r\n"), body = sized(300).mid(head.size());
    const QByteArray holds100 = post("Content-Length: 100\r\n", "{"),
                     holds300 = post("Content-Length: 300\r\n", "{");
    const QList<QByteArray> full(4, holds300); // every source but the asking one at its share
    const QByteArray longUrl = QByteArray(me).insert(16, "?" + QByteArray(8200, 'a'));
    auto trickle = [](const QByteArray &first, const QByteArray &piece) {
        return QList<QByteArray> {first} + QList<QByteArray>(40, piece);
    };
    // Refused as a limit is passed, before the rest comes; the listener then closes too (0).
    row("a body of the limit", {head + body}, {200});
    row("a body over it", {sized(301)}, {413, 0});
    row("a body announced over it", {post("Content-Length: 1073741824\r\n")}, {413});
    row("chunked", {post("Transfer-Encoding: chunked\r\n", "2\r\n{}\r\n0\r\n\r\n")}, {411, 0});
    row("a bad length", {post("Content-Length: 2x\r\n", "{}")}, {400, 0});
    row("not HTTP", {"NOT HTTP\r\n\r\n"}, {400, 0});
    row("a path of 8 KiB", {QByteArray(me).insert(16, "?" + QByteArray(8150, 'a'))}, {401});
    row("a longer path", {longUrl}, {414, 0});
    row("headers over 32 KiB",
        {QByteArray(me).insert(me.size() - 2, "X-Big: " + QByteArray(33000, 'a') + "\r\n")},
        {431, 0});
    row("answered, then refused", {me + longUrl}, {401, 414, 0});
    row("truncated JSON", {withBody("{\"email\":")}, {400});
    row("JSON not an object", {withBody("[1]")}, {400});
    row("half a surrogate pair", {withBody(R"({"email": "a\ud800@x.test"})")}, {400});
    row("a trailing slash is another path", {QByteArray(me).insert(16, "/")}, {404});
    row("no such method", {QByteArray(me).replace(0, 3, "DELETE")}, {405});
    row("pipelined", {me.repeated(30)}, QList<int>(30, 401));
    row("a head in time", {me.left(20), me.mid(20)}, {401}, 50);
    row("a head in pieces past its time", trickle(me.left(27), "X-A: b\r\n"), {0}, 30);
    row("a body at its rate", {head, body.left(150), body.mid(150)}, {200}, 50);
    row("a body below it", trickle(head, "aaaaa"), {0}, 30);
    row("beyond a source's share", {head + body}, {503, 0}, 0, {holds100}, u"127.0.0.2"_s);
    row("another source's share", {head + body}, {200}, 0, {holds300});
    row("the house full: the richest source gives way", {sized(100)}, {200}, 0, full);
    row("the house full: none richer than the asking source", {head + body}, {503, 0}, 0, full);
}

void TestSandboxRules::connectionLimits()
{
    QFETCH(QList<QByteArray>, pieces);
    QFETCH(QList<int>, statuses);
    QFETCH(int, stepMs);
    QFETCH(QList<QByteArray>, held);
    QFETCH(QString, source);
    qint64 clock = 0;
    SandboxOptions options = testOptions(u":memory:"_s, false);
    options.clock = [&clock] { return clock; };
    options.connections.headMs = 300;
    options.connections.body = 300;
    options.connections.bodyBytesPerSecond = 2000;
    options.connections.bodiesInFlight = 1200;
    options.connections.queuedRequests = 2;
    SandboxServer small(options);
    QVERIFY(small.start());
    std::vector<std::unique_ptr<QSslSocket>> holders;
    for (const QByteArray &request : held) {
        holders.push_back(connection(small, u"127.0.0.%1"_s.arg(2 + holders.size())));
        const qint64 before = small.bodyBytesInFlight();
        holders.back()->write(request);
        QTRY_VERIFY(small.bodyBytesInFlight() > before);
    }
    QCOMPARE(answers(small, pieces, int(statuses.size()), clock, stepMs, source), statuses);
    holders.clear();
    QTRY_COMPARE(small.bodyBytesInFlight(), 0); // given back when the connection goes
}

void TestSandboxRules::unreadAnswersStopTheReading()
{
    // A peer that never reads: held for it are the cap, the last answer and a few 64 KiB reads.
    SandboxOptions options = testOptions(u":memory:"_s, false);
    options.connections.unsentBytes = 16 * 1024;
    SandboxServer small(options);
    QVERIFY(small.start());
    const auto greedy = connection(small, u"127.0.0.2"_s);
    greedy->setReadBufferSize(16 * 1024);
    const QByteArray request = "GET /style.css HTTP/1.1\r\nHost: localhost\r\n\r\n";
    greedy->write(request.repeated(10000));
    QTRY_COMPARE(small.connections()->waitingForPeers(), 1);
    const qint64 held = small.connections()->bytesHeld();
    QVERIFY2(held < options.connections.unsentBytes + 4 * 64 * 1024, QByteArray::number(held));
    QByteArray got;
    QObject::connect(greedy.get(), &QIODevice::readyRead, [&] { got += greedy->readAll(); });
    got += greedy->readAll();
    QTRY_COMPARE_WITH_TIMEOUT(got.count("HTTP/1.1 200"), 10000, 60000);
}

void TestSandboxRules::connectionSlotsSharedAndIdleClosed()
{
    qint64 clock = 0;
    SandboxOptions options = testOptions(u":memory:"_s, false);
    options.clock = [&clock] { return clock; };
    options.connections.idleMs = 1000;
    options.connections.maxConnections = 8; // two a source
    SandboxServer small(options);
    QVERIFY(small.start());
    // A source's third closes its oldest; the house full, the richest source's oldest one goes.
    std::vector<std::unique_ptr<QSslSocket>> held;
    const auto open = [&](std::initializer_list<int> sources) {
        for (int source : sources) {
            held.push_back(connection(small, u"127.0.0.%1"_s.arg(source)));
            ++clock;
        }
    };
    open({5, 2, 2, 2});
    QTRY_COMPARE(held.at(1)->state(), QAbstractSocket::UnconnectedState);
    open({3, 3, 4, 4, 6});
    SandboxClient newcomer(small.port());
    QCOMPARE(newcomer.get(u"style.css"_s).status, 200);
    QTRY_COMPARE(held.at(2)->state(), QAbstractSocket::UnconnectedState);
    QCOMPARE(held.at(0)->state(), QAbstractSocket::ConnectedState);
    QCOMPARE(small.openConnections(), 8);
    clock += 1000; // idle
    QTRY_COMPARE(small.openConnections(), 0);
}

void TestSandboxRules::userTextIsBoundNeverSpliced()
{
    // Text that looks like SQL or like QString::arg placeholders comes back as typed.
    const QString evil = u"x'); DELETE FROM projects; -- \" OR 1=1 %2 %3"_s + QString(30, u'.');
    QJsonObject body = R"({"budget": "500", "projectType": "fixed", "amount": "500",
        "durationDays": 1})"_json;
    for (const char *member : {"title", "description", "coverLetter"})
        body.insert(QLatin1String(member), evil);
    const qint64 id = client->post(u"api/projects"_s, body).id(u"project"_s);
    QCOMPARE(client->post(u"api/projects/%1/publish"_s.arg(id)).status, 200);
    QCOMPARE(otherFreelancer->post(u"api/projects/%1/proposals"_s.arg(id), body).status, 201);
    const QString told = client->get(u"api/notifications"_s).text(u"notifications.0.body"_s);
    QVERIFY2(told.contains(u"“%1”"_s.arg(evil)), qPrintable(told));
    QCOMPARE(
        client->get(u"api/projects/%1/proposals"_s.arg(id)).text(u"proposals.0.cover_letter"_s),
        evil);
}

void TestSandboxRules::theDatabaseFile()
{
    // A database file is readable by its owner alone, even one made world-readable before.
    QTemporaryDir dir;
    const QString path = dir.filePath(u"sandbox.db"_s);
    const auto readable = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther;
    QVERIFY(QFile(path).open(QIODevice::WriteOnly, readable));
    SandboxServer disk(testOptions(path, false));
    QVERIFY(disk.start());
    SandboxClient c(disk.port());
    QSqlDatabase reader = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"reader"_s);
    reader.setDatabaseName(path);
    QVERIFY(reader.open());
    auto signUp = [&](const QString &name) {
        const QJsonObject body = json(uR"({"email": "%1@x.test", "password": "password-1",
            "role": "client", "termsAccepted": true, "privacyAccepted": true})"_s.arg(name));
        return c.post(u"api/auth/register"_s, body).status;
    };
    auto saved = [&] { // as another process sees it
        QSqlQuery q(u"SELECT group_concat(email, ' ') FROM (SELECT email FROM users "
                    "WHERE email LIKE '%x.test' ORDER BY id)"_s,
                    reader);
        return q.next() ? q.value(0).toString() : QString();
    };
    auto holdRead = [&] {
        reader.transaction();
        QSqlQuery(u"SELECT COUNT(*) FROM users"_s, reader).next();
    };

    holdRead(); // the write-ahead log lets the write past a reader
    QCOMPARE(signUp(u"first"_s), 201);
    reader.commit();
    QCOMPARE(saved(), u"first@x.test"_s);
    const auto shared = QFile::ReadGroup | QFile::WriteGroup | QFile::ReadOther | QFile::WriteOther;
    for (const char *suffix : {"", "-wal", "-shm"}) {
        const QString file = path + QLatin1String(suffix);
        QVERIFY2(QFile::exists(file) && !(QFile::permissions(file) & shared), suffix);
    }
    // Without the log a reader blocks the commit: 503, and the next write is not left in limbo.
    reader.close();
    disk.storage().exec(u"PRAGMA journal_mode = DELETE"_s);
    QVERIFY(reader.open());
    holdRead();
    QCOMPARE(signUp(u"locked"_s), 503);
    reader.commit();
    QCOMPARE(signUp(u"after"_s), 201);
    QCOMPARE(saved(), u"first@x.test after@x.test"_s);
    reader = QSqlDatabase();
    QSqlDatabase::removeDatabase(u"reader"_s);
    // A first start killed while loading the demo data leaves nothing: the next one loads it all.
    const QString first = dir.filePath(u"first.db"_s);
    {
        Storage cut;
        QVERIFY(!cut.open(first, nullptr, [](Storage &db) {
            Storage::Transaction loading(db);
            seedDemo(db, 10);
            throw StorageError {u"cut short"_s};
        }));
    }
    SandboxServer again(testOptions(first, true));
    QVERIFY(again.start());
    QCOMPARE(SandboxClient(again.port()).login(demoAccount(u"client@velto.test"_s)).status, 200);
    // --db takes nothing but an SQLite file, and leaves anything else as it was.
    QVERIFY(QDir(dir.path()).mkdir(u"folder"_s));
    QFile notes(dir.filePath(u"notes.txt"_s));
    QVERIFY(notes.open(QIODevice::WriteOnly) && notes.write("notes\n") == 6);
    notes.close();
    QVERIFY(QFile::link(path, dir.filePath(u"link.db"_s))); // to the SQLite file itself
    for (const QString &name : {u"folder"_s, u"notes.txt"_s, u"link.db"_s}) {
        const auto mode = QFile::permissions(dir.filePath(name));
        QVERIFY2(!SandboxServer(testOptions(dir.filePath(name), false)).start(), qPrintable(name));
        QCOMPARE(QFile::permissions(dir.filePath(name)), mode);
    }
}

void TestSandboxRules::aKeyedWriteIsAnsweredOnce()
{
    const HttpResult gigs = client->get(u"api/gigs"_s);
    auto order = [&](SandboxClient &who, const QByteArray &key, int gig = 0, int tier = 0) {
        who.headers.insert("Idempotency-Key", key);
        const QString at = u"gigs.%1"_s.arg(gig);
        return who.post(u"api/gigs/%1/order"_s.arg(gigs.id(at)),
                        {{u"packageTier"_s, gigs.text(at + u".packages.%1.tier"_s.arg(tier))}});
    };
    const auto buyer = newPerson(u"client"_s), other = newPerson(u"client"_s);
    const HttpResult refused = order(*buyer, "a"); // an empty wallet
    topUp(*buyer, 100000);
    topUp(*other, 100000);
    const HttpResult first = order(*buyer, "b");
    QCOMPARE(first.status, 201);
    const auto age = [&](int seconds) {
        server->storage().exec(u"UPDATE idempotency_keys SET created_at = ?"_s,
                               {Storage::secondsAgo(seconds)});
    };
    age(IdempotentWrite::KeptSeconds - 60);
    const QByteArray before = fingerprint();
    QCOMPARE(order(*buyer, "a").raw, refused.raw); // though the wallet covers it now
    QCOMPARE(order(*buyer, "b").raw, first.raw);
    QCOMPARE(order(*buyer, "b", 0, 1).status, 422); // another body
    QCOMPARE(order(*buyer, "b", 1).status, 422); // another path
    QCOMPARE(fingerprint(), before);
    // Another person's key, no key, a key a day old: each is a new order.
    const QString ours = u"SELECT COUNT(*) FROM gig_orders WHERE client_id IN (?, ?)"_s;
    const auto orders = [&] { return server->storage().scalar(ours, {buyer->id, other->id}); };
    QCOMPARE(order(*other, "b").status, 201);
    QCOMPARE(order(*buyer, {}).status, 201);
    QCOMPARE(order(*buyer, {}).status, 201);
    age(IdempotentWrite::KeptSeconds + 1);
    QCOMPARE(order(*buyer, "b").status, 201);
    QCOMPARE(orders().toInt(), 5);
    // When the answer cannot be kept, neither is the write.
    server->storage().exec(u"CREATE TEMP TRIGGER full BEFORE INSERT ON idempotency_keys "
                           "BEGIN SELECT RAISE(ABORT, 'full'); END"_s);
    QCOMPARE(order(*buyer, "c").status, 500);
    server->storage().exec(u"DROP TRIGGER full"_s);
    QCOMPARE(orders().toInt(), 5);
}

void TestSandboxRules::printedTextIsEscaped()
{
    // Nothing typed can drive a terminal or print a line of its own ("reset-link …").
    QCOMPARE(SandboxServer::printable(u"a\x1b[2J\nreset-link x\x7f\u0085é€"_s),
             u"a\\x1b[2J\\x0areset-link x\\x7f\\x85é€"_s);
}

QTEST_GUILESS_MAIN(TestSandboxRules)
#include "tst_sandbox_rules.moc"
