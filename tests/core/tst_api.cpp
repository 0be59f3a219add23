// The REST bridge against a scripted HTTPS server on loopback.
#include "api.h"
#include "roundtrip.h"
#include "testhttpsserver.h"
#include "trustedca.h"

#include <QRandomGenerator>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTcpServer>
#include <QtTest>
#include <algorithm>

using Response = TestHttpsServer::Response;

class TestApi : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QCoreApplication::setApplicationName(QStringLiteral("Velto"));
        QCoreApplication::setOrganizationName(QStringLiteral("Velto"));
        QVERIFY(installEmbeddedCa() > 0);
    }

    void init()
    {
        QFile::remove(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)
                      + QStringLiteral("/Velto/cookies.txt"));
    }

    void requestShapes()
    {
        TestHttpsServer server;
        QVERIFY(server.start());
        Api api(server.origin());
        QSignalSpy replies(&api, &Api::reply);

        api.request(1, QStringLiteral("GET"), QStringLiteral("api/items?mine=1"),
                    QStringLiteral("{\"ignored\":true}"));
        api.request(2, QStringLiteral("POST"), QStringLiteral("api/items"), QStringLiteral("{}"));
        api.request(3, QStringLiteral("PUT"), QStringLiteral("api/items/7"),
                    QStringLiteral("{\"name\":\"Zoë\"}"));
        api.request(4, QStringLiteral("DELETE"), QStringLiteral("api/items/7"),
                    QStringLiteral("{\"ignored\":true}"));
        QTRY_COMPARE(replies.size(), 4);
        QCOMPARE(server.requests.size(), 4);

        QHash<QByteArray, TestHttpsServer::Request> byMethod;
        for (const auto &r : server.requests)
            byMethod.insert(r.method, r);
        QCOMPARE(byMethod.value("GET").target, QByteArray("/api/items?mine=1"));
        QCOMPARE(byMethod.value("POST").target, QByteArray("/api/items"));
        QCOMPARE(byMethod.value("PUT").target, QByteArray("/api/items/7"));
        QCOMPARE(byMethod.value("DELETE").target, QByteArray("/api/items/7"));

        for (const auto &r : server.requests) {
            QCOMPARE(r.header("origin"), server.origin().toUtf8());
            QCOMPARE(r.header("content-type"), QByteArray("application/json"));
            QVERIFY2(!r.hasHeader("authorization"), r.method.constData());
        }
        QCOMPARE(byMethod.value("GET").body, QByteArray());
        QCOMPARE(byMethod.value("DELETE").body, QByteArray());
        QCOMPARE(byMethod.value("POST").body, QByteArray("{}"));
        QCOMPARE(byMethod.value("POST").header("content-length"), QByteArray("2"));
        QCOMPARE(byMethod.value("PUT").body, QStringLiteral("{\"name\":\"Zoë\"}").toUtf8());
    }

    void statusAndBodyTable_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("expectErrorText");
        QTest::newRow("200 json") << 200 << QByteArray("{\"ok\":1}") << false;
        QTest::newRow("204 empty") << 204 << QByteArray() << false;
        QTest::newRow("401 json") << 401 << QByteArray("{\"error\":\"Sign in\"}") << false;
        QTest::newRow("404 json") << 404 << QByteArray("{\"error\":\"Not found\"}") << false;
        QTest::newRow("404 empty") << 404 << QByteArray() << true;
        QTest::newRow("500 empty") << 500 << QByteArray() << true;
    }
    void statusAndBodyTable()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(bool, expectErrorText);
        TestHttpsServer server;
        QVERIFY(server.start());
        server.setHandler([&](const TestHttpsServer::Request &) {
            Response r;
            r.status = status;
            r.body = body;
            return r;
        });
        Api api(server.origin());
        const ApiAnswer answer = roundTrip(api, QStringLiteral("GET"), QStringLiteral("api/x"));
        QCOMPARE(answer.status, status);
        const QString text = answer.body;
        if (expectErrorText) {
            QVERIFY(!text.isEmpty());
            QVERIFY(!text.startsWith(QLatin1Char('{')));
        } else {
            QCOMPARE(text, QString::fromUtf8(body));
        }
    }

    void refusedConnectionIsStatusZero()
    {
        QTcpServer probe;
        QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
        const quint16 port = probe.serverPort();
        probe.close(); // nothing listens there any more
        Api api(QStringLiteral("https://localhost:%1").arg(port));
        const ApiAnswer answer = roundTrip(api, QStringLiteral("POST"), QStringLiteral("api/x"));
        QCOMPARE(answer.status, 0);
        QVERIFY(!answer.body.isEmpty());
    }

    void unsupportedMethodAnswersSynchronously()
    {
        TestHttpsServer server;
        QVERIFY(server.start());
        Api api(server.origin());
        QSignalSpy replies(&api, &Api::reply);
        for (const char *method : {"get", "PATCH", ""}) {
            replies.clear();
            api.request(7, QString::fromLatin1(method), QStringLiteral("api/x"),
                        QStringLiteral("{}"));
            QCOMPARE(replies.size(), 1); // before request() returned
            QCOMPARE(replies[0][0].toInt(), 7);
            QCOMPARE(replies[0][1].toInt(), 0);
            QCOMPARE(replies[0][2].toString(), QStringLiteral("Unsupported method"));
        }
        QTest::qWait(100);
        QCOMPARE(replies.size(), 1);
        QVERIFY(server.requests.isEmpty());
    }

    void redirects()
    {
        TestHttpsServer target;
        TestHttpsServer plain(false);
        TestHttpsServer server;
        QVERIFY(target.start() && plain.start() && server.start());
        target.setHandler([](const TestHttpsServer::Request &) {
            Response r;
            r.body = "{\"moved\":true}";
            return r;
        });
        server.setHandler([&](const TestHttpsServer::Request &req) {
            Response r;
            r.status = 302;
            const QString to = req.target == "/api/secure" ? target.origin() : plain.origin();
            r.headers.append({"Location", (to + QStringLiteral("/api/landed")).toUtf8()});
            return r;
        });
        Api api(server.origin());
        const ApiAnswer secure
            = roundTrip(api, QStringLiteral("GET"), QStringLiteral("api/secure"));
        QCOMPARE(secure.status, 200);
        QCOMPARE(secure.body, QStringLiteral("{\"moved\":true}"));
        QCOMPARE(target.requests.size(), 1);

        const ApiAnswer insecure
            = roundTrip(api, QStringLiteral("GET"), QStringLiteral("api/insecure"));
        QVERIFY(insecure.status != 200);
        QVERIFY(!insecure.body.isEmpty());
        QTest::qWait(100);
        QVERIFY(plain.requests.isEmpty()); // never downgraded to http
    }

    void manyOutstandingRequestsPairById()
    {
        TestHttpsServer server;
        QVERIFY(server.start());
        // Each answer echoes the request's tag after a random pause, so they come back shuffled.
        server.setHandler([](const TestHttpsServer::Request &req) {
            Response r;
            r.body = req.body;
            r.delayMs = int(QRandomGenerator::global()->bounded(25));
            return r;
        });
        Api api(server.origin());
        QList<int> order;
        QHash<int, QString> bodies;
        connect(&api, &Api::reply, this, [&](int id, int status, const QString &body) {
            QCOMPARE(status, 200);
            order.append(id);
            bodies.insert(id, body);
        });
        constexpr int count = 200;
        QList<int> ids;
        for (int i = 1; i <= count; ++i)
            ids.append(i);
        std::shuffle(ids.begin(), ids.end(), *QRandomGenerator::global());
        for (int id : ids)
            api.request(id, QStringLiteral("POST"), QStringLiteral("api/echo"),
                        QStringLiteral("{\"tag\":%1}").arg(id));
        QTRY_COMPARE_WITH_TIMEOUT(order.size(), count, 20000);
        QCOMPARE(bodies.size(), count);
        for (int id = 1; id <= count; ++id)
            QCOMPARE(bodies.value(id), QStringLiteral("{\"tag\":%1}").arg(id));
        QVERIFY(order != ids); // not simply the order of issue
    }

    // A silent server and one that trickles a byte at a time both end in exactly one status-0
    // reply: the first by the inactivity time-out, the second by the overall limit.
    void slowServersEndInOneStatusZeroReply_data()
    {
        QTest::addColumn<bool>("trickle");
        QTest::newRow("silent") << false;
        QTest::newRow("one byte at a time") << true;
    }
    void slowServersEndInOneStatusZeroReply()
    {
        QFETCH(bool, trickle);
        TestHttpsServer server;
        QVERIFY(server.start());
        server.setHandler([trickle](const TestHttpsServer::Request &) {
            Response r;
            r.never = !trickle;
            r.trickleMs = 50;
            r.body = QByteArray(1000, 'x');
            return r;
        });
        Api api(server.origin());
        QCOMPARE(Api::DefaultTransferTimeoutMs, 30000);
        QCOMPARE(Api::DefaultOverallLimitMs, 120000);
        api.setTransferTimeout(300);
        api.setOverallLimit(800);
        QSignalSpy replies(&api, &Api::reply);
        api.request(3, QStringLiteral("GET"), QStringLiteral("api/auth/me"), QString());
        QTRY_COMPARE_WITH_TIMEOUT(replies.size(), 1, 10000);
        QCOMPARE(replies[0][0].toInt(), 3);
        QCOMPARE(replies[0][1].toInt(), 0);
        QVERIFY(!replies[0][2].toString().isEmpty());
        QVERIFY(!replies[0][2].toString().startsWith(QLatin1Char('x')));
        QTest::qWait(200);
        QCOMPARE(replies.size(), 1); // exactly one reply
    }
};

QTEST_GUILESS_MAIN(TestApi)
#include "tst_api.moc"
