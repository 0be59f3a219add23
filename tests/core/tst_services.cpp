// Api against a scripted HTTPS server on loopback and on offscreen-two-screens.json's screens;
// the desktop notifier on a stand-in desktop.
#include "../failonwarnings.h"
#include "desktopnotifier.h"
#include "jpegdataurl.h"
#include "notificationservice.h"
#include "persistentcookiejar.h"
#include "startup.h"
#include "testhttpsserver.h"
#include "velto_config.h"

#include <QtGui>
#include <QtTest>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(Response)

namespace {

// The JPEG of a data URL; a null image unless in canonical Base64 (so without line breaks).
QImage decode(const QString &url)
{
    const QByteArray base64 = url.section(u',', 1).toLatin1();
    const QByteArray jpeg = QByteArray::fromBase64(base64);
    if (!url.startsWith(u"data:image/jpeg;base64,"_s) || jpeg.toBase64() != base64)
        return {};
    return QImage::fromData(jpeg, "JPEG");
}

constexpr QFileDevice::Permissions Others = QFileDevice::ReadGroup | QFileDevice::WriteGroup
    | QFileDevice::ReadOther | QFileDevice::WriteOther;

QByteArray fileContent(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TestServices : public QObject
{
    Q_OBJECT
    QString path; // of the cookie file

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        prepareApplication(); // the identity that places the files, and the service's CA
        path = PersistentCookieJar::cookieFilePath();
        QSettings().clear(); // the settings as shipped
    }
    void init() { QTest::failOnWarning(failingWarnings()); }

    // The JSON body only where the method carries one; the session travels as a cookie, never
    // as an Authorization header; every write has a key of its own.
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
        QCOMPARE(server.connections, 1); // made at once, it waits for the one opened ahead
        QCOMPARE(server.requests.size(), 1);
        const Request r = server.requests.first();
        const QByteArray wanted = method.toUtf8() + " /" + path.toUtf8();
        QCOMPARE(
            QByteArrayList({r.method + ' ' + r.target, r.body, r.headers.value("origin"),
                            r.headers.value("content-type"), r.headers.value("authorization")}),
            QByteArrayList({wanted, body, server.origin().toUtf8(), "application/json", ""}));
        QCOMPARE(r.headers.value("idempotency-key").size(), method == "GET"_L1 ? 0 : 32);
    }

    // One reply per request: the status, a body that is no JSON error replaced by a text; status 0
    // and a text when refused, silent past the inactivity time-out or trickling past the limit.
    void oneReplyEach_data()
    {
        QTest::addColumn<Response>("answer"); // status 0: nothing listens
        QTest::addColumn<int>("status");
        QTest::addColumn<bool>("passedOn"); // else replaced by a text that is not JSON
        const QByteArray big(1000, 'x');
        QTest::newRow("204 empty") << Response {204, {}, {}} << 204 << true;
        QTest::newRow("401 json") << Response {401, {}, "{\"error\":\"Sign in\"}"} << 401 << true;
        QTest::newRow("404 empty") << Response {404, {}, {}} << 404 << false;
        QTest::newRow("refused connection") << Response {0, {}, {}} << 0 << false;
        QTest::newRow("silent") << Response {200, {}, big, -1} << 0 << false;
        QTest::newRow("one byte at a time") << Response {200, {}, big, 0, 50} << 0 << false;
    }
    void oneReplyEach()
    {
        QFETCH(Response, answer);
        QFETCH(int, status);
        QFETCH(bool, passedOn);
        TestHttpsServer server;
        server.setHandler([&](const Request &) { return answer; });
        if (answer.status == 0)
            server.close();
        Api api(server.origin());
        if (status == 0) {
            api.setTransferTimeout(300);
            api.setOverallLimit(800);
        }
        QSignalSpy replies(&api, &Api::reply);
        api.request(3, u"POST"_s, u"api/x"_s, u"{}"_s);
        QTRY_COMPARE_WITH_TIMEOUT(replies.size(), 1, 10000);
        QTest::qWait(200);
        QCOMPARE(replies.size(), 1);
        QCOMPARE(replies[0].mid(0, 2), QVariantList({3, status}));
        const QString text = replies[0][2].toString();
        if (passedOn)
            QCOMPARE(text, QString::fromUtf8(answer.body));
        else
            QVERIFY2(!text.isEmpty() && !text.startsWith(u'{') && !text.startsWith(u'x'),
                     qPrintable(text));
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

    // A redirect is followed within the service's origin only: nothing (cookie, body) leaves it.
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

    // Answers echo the request after a random pause, so they come back shuffled.
    void manyOutstandingRequestsPairById()
    {
        TestHttpsServer server;
        QSet<QByteArray> keys; // a write's own
        server.setHandler([&keys](const Request &req) {
            keys.insert(req.headers.value("idempotency-key"));
            return Response {200, {}, req.body, int(QRandomGenerator::global()->bounded(25))};
        });
        Api api(server.origin());
        QSignalSpy replies(&api, &Api::reply);
        const int count = 200;
        for (int id = 1; id <= count; ++id)
            api.request(id, u"POST"_s, u"api/echo"_s, u"{\"tag\":%1}"_s.arg(id));
        QTRY_COMPARE_WITH_TIMEOUT(replies.size(), count, 20000);
        QSet<int> answered;
        for (const QVariantList &r : replies) {
            answered.insert(r[0].toInt());
            QCOMPARE(r.mid(1), QVariantList({200, u"{\"tag\":%1}"_s.arg(r[0].toInt())}));
        }
        QCOMPARE(answered.size(), count);
        QCOMPARE(keys.size(), count);
    }

    // Owner-only; a restart sends the session cookie (no expiry) again. Sign-out empties the file
    // at once, its request still carrying the session, with no reply; then no cookies go.
    void sessionSurvivesARestartUntilSignOut()
    {
        QFile::remove(path);
        TestHttpsServer server; // signs in with a session and a persistent cookie; echoes Cookie
        server.setHandler([](const Request &req) {
            Response r {200, {}, req.headers.value("cookie")};
            if (req.target == "/api/auth/login")
                r.headers
                    = {{"Set-Cookie", "sid=s3cr3t; Secure; HttpOnly; SameSite=Lax; Path=/"},
                       {"Set-Cookie", "pref=dark; Path=/; Expires=Wed, 01 Jan 2048 00:00:00 GMT"}};
            return r;
        });
        {
            Api api(server.origin());
            QCOMPARE(roundTrip(api, u"POST"_s, u"api/auth/login"_s).status, 200);
        }
        QCOMPARE(QFile::permissions(path) & Others, QFileDevice::Permissions());
        QVERIFY(fileContent(path).endsWith('\n'));
        Api api(server.origin());
        QSignalSpy replies(&api, &Api::reply);
        const QString sent = roundTrip(api, u"GET"_s, u"api/auth/me"_s).body;
        QVERIFY2(sent.contains("sid=s3cr3t"_L1) && sent.contains("pref=dark"_L1), qPrintable(sent));

        api.logout();
        QVERIFY(QFile::exists(path) && fileContent(path).isEmpty());
        QTRY_COMPARE(server.requests.size(), 3);
        const Request logout = server.requests.at(2);
        QCOMPARE(logout.method + ' ' + logout.target + ' ' + logout.body,
                 QByteArray("POST /api/auth/logout {}"));
        QVERIFY(logout.headers.value("cookie").contains("sid=s3cr3t"));
        api.request(2, u"GET"_s, u"api/auth/me"_s, QString());
        QTRY_COMPARE(replies.size(), 2);
        QVERIFY(!server.requests.at(3).headers.contains("cookie"));
        QTest::qWait(50);
        QCOMPARE(replies.size(), 2); // the sign-out's answer is not a reply
    }

    // Read past loose lines and garbage; others' access removed on load; expired gone on write.
    void fileFormats_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QStringList>("cookies");
        QTest::newRow("loose, with garbage")
            << QByteArray("\r\n   a=1; secure; path=/; domain=localhost   \r\n\r\n   \r\n"
                          "garbage\n;\n\tb=2; path=/; domain=localhost")
            << QStringList {u"a=1"_s, u"b=2"_s};
        QTest::newRow("expired") << QByteArray(
            "gone=1; path=/; domain=localhost; expires=Thu, 01 Jan 2015 00:00:00 GMT\n"
            "kept=2; path=/; domain=localhost; expires=Wed, 01 Jan 2048 00:00:00 GMT")
                                 << QStringList {u"kept=2"_s};
    }
    void fileFormats()
    {
        QFETCH(QByteArray, content);
        QFETCH(QStringList, cookies);
        if (QFile f(path); f.open(QIODevice::WriteOnly)) {
            f.write(content);
            f.setPermissions(f.permissions() | QFileDevice::ReadGroup | QFileDevice::ReadOther);
        }
        PersistentCookieJar jar;
        QCOMPARE(QFile::permissions(path) & Others, QFileDevice::Permissions());
        QStringList names;
        for (const QNetworkCookie &c : jar.cookiesForUrl(QUrl(u"https://localhost/"_s)))
            names << QString::fromUtf8(c.name() + '=' + c.value());
        names.sort();
        QCOMPARE(names, cookies);
        jar.setCookiesFromUrl(QNetworkCookie::parseCookies("new=3; path=/"),
                              QUrl(u"https://localhost/"_s));
        const QByteArray written = fileContent(path);
        QVERIFY2(written.contains("new=3") && !written.contains("gone=1"), written);
        for (const QString &cookie : cookies)
            QVERIFY2(written.contains(cookie.toUtf8()), written);
    }

    // As wide as asked, up or down, the aspect ratio kept and the picture intact (red | blue).
    void scaledJpeg_data()
    {
        QTest::addColumn<QSize>("source");
        QTest::addColumn<QSize>("result");
        QTest::newRow("landscape") << QSize(640, 480) << QSize(240, 180);
        QTest::newRow("portrait") << QSize(480, 640) << QSize(240, 320);
        QTest::newRow("smaller than the width") << QSize(120, 90) << QSize(240, 180);
    }
    void scaledJpeg()
    {
        QFETCH(QSize, source);
        QFETCH(QSize, result);
        QImage image(source, QImage::Format_RGB32);
        image.fill(Qt::blue);
        QPainter(&image).fillRect(0, 0, source.width() / 2, source.height(), Qt::red);
        const QImage back = decode(jpegDataUrl(image, 240, 55));
        QCOMPARE(back.size(), result);
        const QColor left = back.pixelColor(result.width() / 8, result.height() / 2);
        const QColor right = back.pixelColor(result.width() * 7 / 8, result.height() / 2);
        QVERIFY(left.red() > 200 && left.blue() < 60 && right.blue() > 200 && right.red() < 60);
    }

    void nullImageGivesTheEmptyString() { QCOMPARE(jpegDataUrl(QImage(), 240, 55), QString()); }

    // Both screens are counted; the thumbnail is the primary screen, 320 wide.
    void screensAndThumbnail()
    {
        QCOMPARE(QGuiApplication::primaryScreen()->size(), QSize(2560, 1440)); // as CTest runs it
        Api api(u"https://localhost:1"_s);
        QCOMPARE(api.screenCount(), 2);
        QCOMPARE(decode(api.captureScreenThumbnail()).size(), QSize(320, 180));
    }

    // Each fetch: "3 2r 1e ?" holds ids 3, 2 and 1 and one without an id, unread unless read (r)
    // or with an empty read_at (e); "-" is forget() (signed out). The news of the last fetch.
    void arrivals_data()
    {
        QTest::addColumn<QString>("fetches");
        QTest::addColumn<QString>("news");
        QTest::newRow("first fetch only learns") << u"2 1"_s << u""_s;
        QTest::newRow("new and unread") << u"1|3 2 1"_s << u"3 2"_s;
        QTest::newRow("new but read") << u"1|3r 2e 1"_s << u""_s;
        QTest::newRow("seen, still unread") << u"2 1|3 2 1"_s << u"3"_s;
        QTest::newRow("against the last fetch") << u"1|2 1|2 1"_s << u""_s;
        QTest::newRow("after an empty fetch") << u"|1"_s << u"1"_s;
        QTest::newRow("after forget()") << u"1|-|2 1"_s << u""_s;
        QTest::newRow("without an id") << u"1|? 1"_s << u""_s;
    }
    void arrivals()
    {
        QFETCH(QString, fetches);
        QFETCH(QString, news);
        NotificationArrivals seen;
        QStringList ids;
        for (const QString &fetch : fetches.split(u'|')) {
            if (fetch == u"-") {
                seen.forget();
                continue;
            }
            QVariantList records;
            for (const QString &w : fetch.split(u' ', Qt::SkipEmptyParts)) {
                const QVariant readAt = w.endsWith(u'r') ? u"2024-05-01 10:00:00"_s
                    : w.endsWith(u'e')                   ? u""_s
                                                         : QVariant::fromValue(nullptr);
                QVariantMap record {{u"read_at"_s, readAt}};
                if (w != u"?")
                    record[u"id"_s] = w.left(1).toInt();
                records.append(record);
            }
            ids.clear();
            for (const QVariant &record : seen.take(records))
                ids << record.toMap().value(u"id"_s).toString();
        }
        QCOMPARE(ids.join(u' '), news);
    }

    // Shown only while on (kept), the title as plain text under our name; only ours is clicked.
    void notifications()
    {
        NotificationDesktop desktop;
        if (!desktop.error.isEmpty())
            QSKIP(qPrintable(desktop.error));
        DesktopNotifier notifier(desktop.address());
        QSignalSpy activated(&notifier, &DesktopNotifier::activated);
        QVERIFY(notifier.enabled());
        notifier.setEnabled(false);
        QVERIFY(!DesktopNotifier().enabled());
        notifier.notify(u"While off"_s);
        notifier.setEnabled(true);
        const QString title = u"<b>Asha</b> &amp; <img src=\"x\">"_s;
        notifier.notify(title);
        // One connection carries them in order: the first to arrive is the last sent.
        QTRY_COMPARE(desktop.calls.size(), 1);
        const NotificationDesktop::Call call = desktop.calls.first();
        const QString appId = QString::fromUtf8(VELTO_APP_ID);
        QCOMPARE(QStringList({call.summary, call.body, call.appName, call.appIcon,
                              call.hints.value(u"desktop-entry"_s).toString()}),
                 QStringList({title, QString(), u"Velto"_s, appId, appId}));
        QVERIFY(call.actions.contains(u"default"_s));

        // Another application's notification clicked, then a token for ours, which comes after it.
        emit desktop.ActionInvoked(call.id + 1, u"default"_s);
        emit desktop.ActivationToken(call.id, u"token"_s);
        QTRY_COMPARE(qgetenv("XDG_ACTIVATION_TOKEN"), "token");
        QCOMPARE(activated.count(), 0);
        desktop.invoke(call.id);
        QTRY_COMPARE(activated.count(), 1);
    }
};

QTEST_MAIN(TestServices)
#include "tst_services.moc"
