// The REST bridge against a scripted HTTPS server on loopback.
#include "../failonwarnings.h"
#include "startup.h"
#include "testhttpsserver.h"

#include <QRandomGenerator>
#include <QStandardPaths>
#include <QtTest>
#include <algorithm>
#include <numeric>

using namespace Qt::StringLiterals;

class TestApi : public QObject
{
    Q_OBJECT
private slots:
    void init() { QTest::failOnWarning(failingWarnings()); }
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        prepareApplication(); // the identity that places the cookie file, and the service's CA
    }

    // Path and query as given; the JSON body only where the method carries one; the Origin
    // header, and no Authorization (the session travels as a cookie).
    void requestShapes_data()
    {
        QTest::addColumn<QString>("method");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QByteArray>("body");
        QTest::newRow("GET") << u"GET"_s << u"api/items?mine=1"_s << QByteArray();
        QTest::newRow("POST") << u"POST"_s << u"api/items"_s << QByteArray("{}");
        QTest::newRow("PUT") << u"PUT"_s << u"api/items/7"_s << u"{\"name\":\"Zoë\"}"_s.toUtf8();
        QTest::newRow("DELETE") << u"DELETE"_s << u"api/items/7"_s << QByteArray();
    }
    void requestShapes()
    {
        QFETCH(QString, method);
        QFETCH(QString, path);
        QFETCH(QByteArray, body);
        TestHttpsServer server;
        Api api(server.origin());
        const QString sent = body.isEmpty() ? u"{\"ignored\":true}"_s : QString::fromUtf8(body);
        QCOMPARE(roundTrip(api, method, path, sent).status, 200);
        QCOMPARE(server.requests.size(), 1);
        const Request r = server.requests.first();
        QCOMPARE(r.method + ' ' + r.target, (method + u" /"_s + path).toUtf8());
        QCOMPARE(r.body, body);
        QCOMPARE(r.headers.value("origin"), server.origin().toUtf8());
        QCOMPARE(r.headers.value("content-type"), QByteArray("application/json"));
        QVERIFY(!r.headers.contains("authorization"));
        QCOMPARE(r.headers.value("idempotency-key").size(), method == "GET"_L1 ? 0 : 32);
    }

    // Every answer reaches the page with its status; a body that is no JSON error becomes a
    // text to show. No answer at all is status 0.
    void statusAndBody_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("passedOn"); // else replaced by a text that is not JSON
        QTest::newRow("204 empty") << 204 << QByteArray() << true;
        QTest::newRow("401 json") << 401 << QByteArray("{\"error\":\"Sign in\"}") << true;
        QTest::newRow("404 empty") << 404 << QByteArray() << false;
        QTest::newRow("refused connection") << 0 << QByteArray() << false;
    }
    void statusAndBody()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(bool, passedOn);
        TestHttpsServer server;
        server.setHandler([&](const Request &) { return Response {status, {}, body}; });
        if (status == 0)
            server.close(); // nothing listens there any more
        Api api(server.origin());
        const ApiAnswer answer = roundTrip(api, u"POST"_s, u"api/x"_s);
        QCOMPARE(answer.status, status);
        if (passedOn)
            QCOMPARE(answer.body, QString::fromUtf8(body));
        else
            QVERIFY(!answer.body.isEmpty() && !answer.body.startsWith(u'{'));
    }

    // The connection is set up as Api is built, with nothing asked on it, and a request made
    // at once waits for it rather than opening another.
    void connectsAheadOfTheFirstRequest()
    {
        TestHttpsServer server;
        {
            Api idle(server.origin());
            QTRY_COMPARE(server.handshakes, 1);
        }
        Api api(server.origin());
        QCOMPARE(roundTrip(api, u"GET"_s, u"api/x"_s).status, 200);
        QCOMPARE(server.handshakes, 2);
        QCOMPARE(server.requests.size(), 1);
    }

    void unsupportedMethodAnswersBeforeRequestReturns()
    {
        TestHttpsServer server;
        Api api(server.origin());
        QSignalSpy replies(&api, &Api::reply);
        for (const char *method : {"get", "PATCH", ""}) {
            api.request(7, QString::fromLatin1(method), u"api/x"_s, u"{}"_s);
            QCOMPARE(replies.takeFirst(), QVariantList({7, 0, u"Unsupported method"_s}));
        }
        QTest::qWait(100);
        QVERIFY(replies.isEmpty() && server.requests.isEmpty());
    }

    // A redirect is followed within the service's origin only; any other ends the request before
    // anything (the cookie, the body) goes there.
    void redirects_data()
    {
        QTest::addColumn<QString>("to"); // followed by the port of the service or of another
        QTest::addColumn<bool>("otherServer");
        QTest::addColumn<int>("status");
        QTest::newRow("same origin") << u"https://localhost:"_s << false << 200;
        QTest::newRow("another host") << u"https://127.0.0.1:"_s << false << 0;
        QTest::newRow("another port") << u"https://localhost:"_s << true << 0;
        QTest::newRow("plain http") << u"http://localhost:"_s << true << 0;
    }
    void redirects()
    {
        QFETCH(QString, to);
        QFETCH(bool, otherServer);
        QFETCH(int, status);
        TestHttpsServer server, other;
        to += QString::number((otherServer ? other : server).serverPort()) + u"/api/landed"_s;
        server.setHandler([&](const Request &req) {
            if (req.target == "/api/landed")
                return Response {200, {}, "{\"moved\":true}"};
            return Response {302, {{"Location", to.toUtf8()}}, {}};
        });
        Api api(server.origin());
        const ApiAnswer answer = roundTrip(api, u"POST"_s, u"api/x"_s);
        QCOMPARE(answer.status, status);
        QCOMPARE(answer.body, status ? u"{\"moved\":true}"_s : Api::ForeignRedirectText);
        QTest::qWait(100);
        QCOMPARE(server.requests.size(), status ? 2 : 1); // 127.0.0.1 is this server too
        QCOMPARE(other.connections, 0);
    }

    void manyOutstandingRequestsPairById()
    {
        TestHttpsServer server;
        // Each answer echoes the request's tag after a random pause, so they come back shuffled.
        server.setHandler([](const Request &req) {
            Response r {200, {}, req.body};
            r.delayMs = int(QRandomGenerator::global()->bounded(25));
            return r;
        });
        Api api(server.origin());
        QSignalSpy replies(&api, &Api::reply);
        QList<int> ids(200);
        std::iota(ids.begin(), ids.end(), 1);
        std::shuffle(ids.begin(), ids.end(), *QRandomGenerator::global());
        for (int id : ids)
            api.request(id, u"POST"_s, u"api/echo"_s, u"{\"tag\":%1}"_s.arg(id));
        QTRY_COMPARE_WITH_TIMEOUT(replies.size(), ids.size(), 20000);
        QList<int> order;
        for (const QVariantList &r : replies) {
            order.append(r[0].toInt());
            QCOMPARE(r.mid(1), QVariantList({200, u"{\"tag\":%1}"_s.arg(order.last())}));
        }
        QVERIFY(order != ids); // not simply the order of issue
        QCOMPARE(QSet<int>(order.cbegin(), order.cend()).size(), ids.size()); // each answered once
        QSet<QByteArray> keys; // a write's own
        for (const Request &r : std::as_const(server.requests))
            keys.insert(r.headers.value("idempotency-key"));
        QCOMPARE(keys.size(), ids.size());
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
        server.setHandler([trickle](const Request &) {
            Response r {200, {}, QByteArray(1000, 'x')};
            r.never = !trickle;
            r.trickleMs = 50;
            return r;
        });
        Api api(server.origin());
        api.setTransferTimeout(300);
        api.setOverallLimit(800);
        QSignalSpy replies(&api, &Api::reply);
        api.request(3, u"GET"_s, u"api/auth/me"_s, QString());
        QTRY_COMPARE_WITH_TIMEOUT(replies.size(), 1, 10000);
        QCOMPARE(replies[0].mid(0, 2), QVariantList({3, 0}));
        const QString text = replies[0][2].toString();
        QVERIFY(!text.isEmpty() && !text.startsWith(u'x'));
        QTest::qWait(200);
        QCOMPARE(replies.size(), 1); // exactly one reply
    }
};

QTEST_GUILESS_MAIN(TestApi)
#include "tst_api.moc"
