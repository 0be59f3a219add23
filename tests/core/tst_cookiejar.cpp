// The cookie file: what a response sets survives a restart; sign-out empties it.
#include "api.h"
#include "persistentcookiejar.h"
#include "roundtrip.h"
#include "testhttpsserver.h"
#include "trustedca.h"

#include <QDir>
#include <QNetworkCookie>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QtTest>

using Request = TestHttpsServer::Request;
using Response = TestHttpsServer::Response;

class TestCookieJar : public QObject
{
    Q_OBJECT
    QString path;

    static QFileDevice::Permissions foreignBits()
    {
        return QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ReadOther
            | QFileDevice::WriteOther;
    }

    void writeFile(const QByteArray &content)
    {
        QDir().mkpath(QFileInfo(path).path());
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(content);
    }

    static QStringList cookieNames(const PersistentCookieJar &jar)
    {
        QStringList names;
        for (const QNetworkCookie &c :
             jar.cookiesForUrl(QUrl(QStringLiteral("https://localhost/"))))
            names << QString::fromUtf8(c.name() + '=' + c.value());
        names.sort();
        return names;
    }

    // A server whose sign-in sets a session cookie and a persistent one, and which echoes the
    // Cookie header it receives.
    static void signInServer(TestHttpsServer &server)
    {
        server.setHandler([](const Request &req) {
            Response r;
            if (req.target == "/api/auth/login") {
                r.headers.append(
                    qMakePair(QByteArray("Set-Cookie"),
                              QByteArray("sid=s3cr3t; Secure; HttpOnly; SameSite=Lax; Path=/")));
                r.headers.append(qMakePair(
                    QByteArray("Set-Cookie"),
                    QByteArray("pref=dark; Path=/; Expires=Wed, 01 Jan 2048 00:00:00 GMT")));
            }
            r.body = req.header("cookie");
            return r;
        });
    }

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QCoreApplication::setApplicationName(QStringLiteral("Velto"));
        QCoreApplication::setOrganizationName(QStringLiteral("Velto"));
        installEmbeddedCa();
        path = PersistentCookieJar::cookieFilePath();
        QVERIFY(path.endsWith(QStringLiteral("/Velto/Velto/Velto/cookies.txt")));
    }

    void init()
    {
        QFile::remove(path);
        QDir(path).removeRecursively();
    }

    void cookiesSurviveARestart()
    {
        TestHttpsServer server;
        QVERIFY(server.start());
        signInServer(server);
        writeFile("old=1; Path=/\n");
        QFile::setPermissions(path,
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                  | QFileDevice::ReadOther | QFileDevice::ReadGroup);
        {
            Api api(server.origin());
            QCOMPARE(
                roundTrip(api, QStringLiteral("POST"), QStringLiteral("api/auth/login")).status,
                200);
        }
        QFile file(path);
        QVERIFY(file.exists());
        QCOMPARE(file.permissions() & foreignBits(), QFileDevice::Permissions());
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray content = file.readAll();
        QVERIFY(content.contains("sid=s3cr3t"));
        QVERIFY(content.contains("pref=dark"));
        QVERIFY(content.contains("old=1"));
        QVERIFY(content.endsWith('\n'));

        // A new bridge (a restart) sends the session cookie, which had no expiry date, again.
        Api restarted(server.origin());
        const QString sent
            = roundTrip(restarted, QStringLiteral("GET"), QStringLiteral("api/auth/me")).body;
        QVERIFY2(sent.contains(QStringLiteral("sid=s3cr3t")), qPrintable(sent));
        QVERIFY2(sent.contains(QStringLiteral("pref=dark")), qPrintable(sent));
    }

    void looseFileFormatLoadsTheSameCookies()
    {
        writeFile("a=1; secure; path=/; domain=localhost\n"
                  "b=2; path=/; domain=localhost\n");
        const QStringList clean = cookieNames(PersistentCookieJar());
        QCOMPARE(clean, QStringList({"a=1", "b=2"}));

        writeFile("\r\n   a=1; secure; path=/; domain=localhost   \r\n\r\n"
                  "\tb=2; path=/; domain=localhost\r\n\r\n   \r\n");
        QCOMPARE(cookieNames(PersistentCookieJar()), clean);

        writeFile(
            "garbage\na=1; secure; path=/; domain=localhost\n;\nb=2; path=/; domain=localhost");
        QCOMPARE(cookieNames(PersistentCookieJar()), clean); // unparsable lines are dropped
    }

    void missingOrUnreadableFileGivesAnEmptyJar()
    {
        QVERIFY(!QFile::exists(path));
        QVERIFY(cookieNames(PersistentCookieJar()).isEmpty());
        QVERIFY(QDir().mkpath(path)); // a folder where the file should be: cannot be read
        QVERIFY(cookieNames(PersistentCookieJar()).isEmpty());
    }

    // A file others can read is narrowed when loaded; expired cookies leave it when it is next
    // written.
    void fileIsNarrowedAndExpiredCookiesDropped()
    {
        writeFile("gone=1; path=/; domain=localhost; expires=Thu, 01 Jan 2015 00:00:00 GMT\n"
                  "kept=2; path=/; domain=localhost; expires=Wed, 01 Jan 2048 00:00:00 GMT\n");
        QVERIFY(QFile::setPermissions(path,
                                      QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                          | QFileDevice::ReadGroup | QFileDevice::ReadOther));
        PersistentCookieJar jar;
        QCOMPARE(QFile::permissions(path) & foreignBits(), QFileDevice::Permissions());
        jar.setCookiesFromUrl(QNetworkCookie::parseCookies("new=3; path=/"),
                              QUrl(QStringLiteral("https://localhost/")));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray content = file.readAll();
        QVERIFY(!content.contains("gone=1"));
        QVERIFY(content.contains("kept=2") && content.contains("new=3"));
    }

    void logoutEmptiesJarAndFileAfterSendingTheSession()
    {
        TestHttpsServer server;
        QVERIFY(server.start());
        signInServer(server);
        Api api(server.origin());
        QSignalSpy replies(&api, &Api::reply);
        QCOMPARE(roundTrip(api, QStringLiteral("POST"), QStringLiteral("api/auth/login")).status,
                 200);
        QVERIFY(QFileInfo(path).size() > 0);

        api.logout();
        QVERIFY(QFile::exists(path));
        QCOMPARE(QFileInfo(path).size(), 0); // emptied at once, before any answer
        QCOMPARE(replies.size(), 1); // sign-out emits no reply

        QTRY_COMPARE(server.requests.size(), 2);
        const Request logout = server.requests.at(1);
        QCOMPARE(logout.method, QByteArray("POST"));
        QCOMPARE(logout.target, QByteArray("/api/auth/logout"));
        QCOMPARE(logout.body, QByteArray("{}"));
        QVERIFY(logout.header("cookie").contains("sid=s3cr3t"));

        api.request(2, QStringLiteral("GET"), QStringLiteral("api/auth/me"), QString());
        QTRY_COMPARE(replies.size(), 2);
        QVERIFY(!server.requests.at(2).hasHeader("cookie"));
        QCOMPARE(QFileInfo(path).size(), 0);
        QTest::qWait(50);
        QCOMPARE(replies.size(), 2);
    }
};

QTEST_GUILESS_MAIN(TestCookieJar)
#include "tst_cookiejar.moc"
