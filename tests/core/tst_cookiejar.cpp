// The cookie file: what a response sets survives a restart; sign-out empties it.
#include "../failonwarnings.h"
#include "persistentcookiejar.h"
#include "startup.h"
#include "testhttpsserver.h"

#include <QNetworkCookie>
#include <QStandardPaths>
#include <QtTest>

using namespace Qt::StringLiterals;

class TestCookieJar : public QObject
{
    Q_OBJECT
    QString path;

    static constexpr QFileDevice::Permissions Others = QFileDevice::ReadGroup
        | QFileDevice::WriteGroup | QFileDevice::ReadOther | QFileDevice::WriteOther;

    // Writes the cookie file (cookieFilePath() made its folder), readable by others too.
    void writeFile(const QByteArray &content)
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(content);
        f.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup
                         | QFileDevice::ReadOther);
    }

    QByteArray fileContent() const
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    // A server whose sign-in sets a session cookie and a persistent one, and which echoes the
    // Cookie header it receives.
    static void signInServer(TestHttpsServer &server)
    {
        server.setHandler([](const Request &req) {
            Response r {200, {}, req.headers.value("cookie")};
            if (req.target == "/api/auth/login")
                r.headers
                    = {{"Set-Cookie", "sid=s3cr3t; Secure; HttpOnly; SameSite=Lax; Path=/"},
                       {"Set-Cookie", "pref=dark; Path=/; Expires=Wed, 01 Jan 2048 00:00:00 GMT"}};
            return r;
        });
    }

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        prepareApplication(); // the identity that places the cookie file, and the service's CA
        path = PersistentCookieJar::cookieFilePath();
    }

    void init()
    {
        QTest::failOnWarning(failingWarnings());
        QFile::remove(path);
    }

    // Written owner-only, ending in a newline; a new bridge (a restart) sends the session cookie,
    // which had no expiry date, again.
    void cookiesSurviveARestart()
    {
        TestHttpsServer server;
        signInServer(server);
        {
            Api api(server.origin());
            QCOMPARE(roundTrip(api, u"POST"_s, u"api/auth/login"_s).status, 200);
        }
        QCOMPARE(QFile::permissions(path) & Others, QFileDevice::Permissions());
        QVERIFY(fileContent().endsWith('\n'));
        Api restarted(server.origin());
        const QString sent = roundTrip(restarted, u"GET"_s, u"api/auth/me"_s).body;
        QVERIFY2(sent.contains("sid=s3cr3t"_L1) && sent.contains("pref=dark"_L1), qPrintable(sent));
    }

    // Blank lines, stray blanks, CRLF and no final newline are read past; unparsable lines
    // dropped; a missing file gives an empty jar. A file others can read is narrowed when loaded;
    // expired cookies leave it when it is next written. Each cookie is "name=value" here.
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
        QTest::newRow("missing") << QByteArray() << QStringList();
    }
    void fileFormats()
    {
        QFETCH(QByteArray, content);
        QFETCH(QStringList, cookies);
        if (!content.isEmpty())
            writeFile(content);
        PersistentCookieJar jar;
        QCOMPARE(QFile::permissions(path) & Others, QFileDevice::Permissions());
        QStringList names;
        for (const QNetworkCookie &c : jar.cookiesForUrl(QUrl(u"https://localhost/"_s)))
            names << QString::fromUtf8(c.name() + '=' + c.value());
        names.sort();
        QCOMPARE(names, cookies);
        jar.setCookiesFromUrl(QNetworkCookie::parseCookies("new=3; path=/"),
                              QUrl(u"https://localhost/"_s));
        const QByteArray written = fileContent();
        QVERIFY2(written.contains("new=3") && !written.contains("gone=1"), written);
        for (const QString &cookie : cookies)
            QVERIFY2(written.contains(cookie.toUtf8()), written);
    }

    // The file is emptied at once; the sign-out request still carries the session, emits no
    // reply, and what follows goes without cookies.
    void logoutEmptiesJarAndFileAfterSendingTheSession()
    {
        TestHttpsServer server;
        signInServer(server);
        Api api(server.origin());
        QSignalSpy replies(&api, &Api::reply);
        QCOMPARE(roundTrip(api, u"POST"_s, u"api/auth/login"_s).status, 200);
        QVERIFY(QFileInfo(path).size() > 0);
        api.logout();
        QVERIFY(QFile::exists(path));
        QCOMPARE(QFileInfo(path).size(), 0);
        QTRY_COMPARE(server.requests.size(), 2);
        const Request logout = server.requests.at(1);
        QCOMPARE(logout.method + ' ' + logout.target + ' ' + logout.body,
                 QByteArray("POST /api/auth/logout {}"));
        QVERIFY(logout.headers.value("cookie").contains("sid=s3cr3t"));
        api.request(2, u"GET"_s, u"api/auth/me"_s, QString());
        QTRY_COMPARE(replies.size(), 2);
        QVERIFY(!server.requests.at(2).headers.contains("cookie"));
        QTest::qWait(50);
        QCOMPARE(replies.size(), 2); // the sign-out's answer is not a reply
    }
};

QTEST_GUILESS_MAIN(TestCookieJar)
#include "tst_cookiejar.moc"
