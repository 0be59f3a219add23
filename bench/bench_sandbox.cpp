// velto-sandbox under load: requests per second and latency percentiles with 16 keep-alive HTTPS
// connections on loopback, for GET "api/projects" (demo data, then 10,000 open projects) and a
// proposal POST (each to a project of its own, so every one is a real write).
#include "benchreport.h"
#include "sandboxprocess.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSslConfiguration>
#include <QSslSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <cstdio>
#include <functional>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

// One keep-alive connection sending requests one after another.
class Connection : public QObject
{
public:
    std::function<QByteArray(int)> nextRequest; // the n-th request's bytes
    QList<double> latenciesMs;
    QMap<int, int> statuses;
    QByteArray setCookie; // of the last response that set one

    Connection(const QUrl &origin)
    {
        socket.setPeerVerifyName(origin.host());
        connect(&socket, &QSslSocket::encrypted, this, [this] { send(); });
        connect(&socket, &QSslSocket::readyRead, this, [this] { read(); });
        socket.connectToHostEncrypted(origin.host(), quint16(origin.port()));
    }
    void stopAfterThis() { stopping = true; }
    bool idle() const { return waiting == false; }

private:
    void send()
    {
        if (stopping) {
            waiting = false;
            return;
        }
        buffer.clear();
        waiting = true;
        clock.start();
        socket.write(nextRequest(sent++));
    }
    void read()
    {
        buffer += socket.readAll();
        const int headerEnd = int(buffer.indexOf("\r\n\r\n"));
        if (headerEnd < 0)
            return;
        qsizetype length = 0;
        for (const QByteArray &line : buffer.left(headerEnd).split('\n')) {
            const QByteArray l = line.trimmed().toLower();
            if (l.startsWith("content-length:"))
                length = l.mid(15).trimmed().toLongLong();
            if (l.startsWith("set-cookie:"))
                setCookie = line.trimmed().mid(11).trimmed().split(';').value(0);
        }
        if (buffer.size() < headerEnd + 4 + length)
            return;
        latenciesMs << clock.nsecsElapsed() / 1e6;
        statuses[buffer.mid(9, 3).toInt()] += 1;
        send();
    }

    QSslSocket socket;
    QByteArray buffer;
    QElapsedTimer clock;
    int sent = 0;
    bool waiting = false;
    bool stopping = false;
};

QByteArray request(const QString &origin, const QByteArray &method, const QByteArray &path,
                   const QByteArray &cookie, const QByteArray &body = QByteArray())
{
    const QUrl url(origin);
    return method + ' ' + path + " HTTP/1.1\r\nHost: " + url.host().toUtf8() + ':'
        + QByteArray::number(url.port()) + "\r\nOrigin: " + origin.toUtf8()
        + "\r\nContent-Type: application/json\r\nCookie: " + cookie
        + "\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body;
}

// The session cookie of a sign-in.
QByteArray signIn(const QString &origin, const QString &email, const QString &password)
{
    Connection c {QUrl(origin)};
    int calls = 0;
    c.nextRequest = [&](int) {
        if (++calls > 1)
            c.stopAfterThis();
        return request(origin, "POST", "/api/auth/login", QByteArray(),
                       uR"({"email":"%1","password":"%2"})"_s.arg(email, password).toUtf8());
    };
    (void)QTest::qWaitFor([&] { return !c.latenciesMs.isEmpty(); }, 20000);
    return c.setCookie;
}

struct Load
{
    double rps = 0;
    double p50 = 0;
    double p99 = 0;
    QMap<int, int> statuses;
};

Load run(const QString &origin, int seconds, const std::function<QByteArray(int, int)> &make)
{
    std::vector<std::unique_ptr<Connection>> connections;
    for (int i = 0; i < 16; ++i) {
        connections.push_back(std::make_unique<Connection>(QUrl(origin)));
        Connection *c = connections.back().get();
        c->nextRequest = [make, i](int n) { return make(i, n); };
    }
    QElapsedTimer clock;
    clock.start();
    QTest::qWait(seconds * 1000);
    for (auto &c : connections)
        c->stopAfterThis();
    (void)QTest::qWaitFor(
        [&] {
            return std::all_of(connections.begin(), connections.end(),
                               [](const auto &c) { return c->idle(); });
        },
        60000);
    const double elapsed = clock.nsecsElapsed() / 1e9;
    Load load;
    QList<double> all;
    for (auto &c : connections) {
        all += c->latenciesMs;
        for (auto it = c->statuses.cbegin(); it != c->statuses.cend(); ++it)
            load.statuses[it.key()] += it.value();
    }
    load.rps = all.size() / elapsed;
    load.p50 = BenchReport::percentile(all, 0.50);
    load.p99 = BenchReport::percentile(all, 0.99);
    return load;
}

QString statusText(const QMap<int, int> &statuses)
{
    QStringList parts;
    for (auto it = statuses.cbegin(); it != statuses.cend(); ++it)
        parts << u"%1×%2"_s.arg(it.value()).arg(it.key());
    return parts.join(u", "_s);
}

// Adds open projects straight into a stopped sandbox's database file.
bool addProjects(const QString &file, int count)
{
    auto db = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"bench"_s);
    db.setDatabaseName(file);
    if (!db.open())
        return false;
    QSqlQuery q(db);
    q.exec(u"SELECT id FROM users WHERE email = 'client@velto.test'"_s);
    const qint64 client = q.next() ? q.value(0).toLongLong() : 0;
    db.transaction();
    q.prepare(u"INSERT INTO projects (client_id, title, description, required_skills, "
              "budget_paise, project_type, status, created_at, published_at) "
              "VALUES (?, ?, ?, '[\"Qt\",\"QML\"]', ?, 'fixed', 'open', ?, ?)"_s);
    const QString now = QDateTime::currentDateTimeUtc().toString(Qt::ISODate);
    for (int i = 0; i < count; ++i) {
        q.addBindValue(client);
        q.addBindValue(u"Load project %1"_s.arg(i));
        q.addBindValue(u"A project made for the load benchmark, with a description of "
                       "ordinary length, number %1."_s.arg(i));
        q.addBindValue(150000 + i);
        q.addBindValue(now);
        q.addBindValue(now);
        if (!q.exec())
            return false;
    }
    db.commit();
    db.close();
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
    tls.addCaCertificates(QSslCertificate::fromPath(QStringLiteral(VELTO_CERT_DIR "/ca.pem")));
    QSslConfiguration::setDefaultConfiguration(tls);
    const int seconds = qEnvironmentVariableIntValue("VELTO_BENCH_SECONDS") > 0
        ? qEnvironmentVariableIntValue("VELTO_BENCH_SECONDS")
        : 5;
    QTemporaryDir dir;
    const QString file = dir.filePath(u"load.db"_s);
    BenchReport report(u"sandbox"_s);
    QString error;
    const DemoAccount client = demoAccount(u"client@velto.test"_s);
    const DemoAccount freelancer = demoAccount(u"freelancer@velto.test"_s);

    auto measure = [&](const QString &what, int projects) {
        SandboxProcess sandbox;
        sandbox.setDatabase(file);
        if (!sandbox.start(&error)) {
            std::fprintf(stderr, "%s\n", qPrintable(error));
            return;
        }
        const QString origin = sandbox.origin();
        const QByteArray cookie = signIn(origin, freelancer.email, freelancer.password);
        const Load get = run(origin, seconds, [&](int, int) {
            return request(origin, "GET", "/api/projects", cookie);
        });
        report.value(u"GET api/projects, %1: requests/s"_s.arg(what), get.rps, u"/s"_s);
        report.value(u"GET api/projects, %1: p50"_s.arg(what), get.p50, u"ms"_s);
        report.value(u"GET api/projects, %1: p99"_s.arg(what), get.p99, u"ms"_s);
        report.note(u"GET %1: %2"_s.arg(what, statusText(get.statuses)));
        if (projects < 10000)
            return;
        // Proposals, each to a project of its own among the 10,000.
        const Load post = run(origin, seconds, [&](int connection, int n) {
            const int project = 200 + connection * 600 + n % 600;
            return request(origin, "POST",
                           "/api/projects/" + QByteArray::number(project) + "/proposals", cookie,
                           R"({"coverLetter":"I have shipped three storefronts like this one.",)"
                           R"("amount":"1200","durationDays":7})");
        });
        report.value(u"POST a proposal: requests/s"_s, post.rps, u"/s"_s);
        report.value(u"POST a proposal: p50"_s, post.p50, u"ms"_s);
        report.value(u"POST a proposal: p99"_s, post.p99, u"ms"_s);
        report.note(u"POST: %1"_s.arg(statusText(post.statuses)));
    };

    measure(u"demo data"_s, 0);
    if (!addProjects(file, 10000)) {
        std::fprintf(stderr, "could not add the projects\n");
        return 1;
    }
    measure(u"10,000 open projects"_s, 10000);
    report.note(u"16 keep-alive HTTPS connections on loopback, %1 s each"_s.arg(seconds));
    report.finish();
    return 0;
}
