// Round-trip cost of the REST bridge: Api::request → reply against a local HTTPS server, one
// request at a time and many outstanding at once. Prints milliseconds; asserts nothing.
#include "api.h"
#include "testhttpsserver.h"
#include "trustedca.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QStandardPaths>
#include <cstdio>

static double sequential(Api &api, int count)
{
    QEventLoop loop;
    int next = 0;
    QElapsedTimer t;
    auto conn = QObject::connect(&api, &Api::reply, &loop, [&](int, int, const QString &) {
        if (++next == count)
            loop.quit();
        else
            api.request(next, QStringLiteral("GET"), QStringLiteral("api/ping"), QString());
    });
    t.start();
    api.request(0, QStringLiteral("GET"), QStringLiteral("api/ping"), QString());
    loop.exec();
    QObject::disconnect(conn);
    return t.nsecsElapsed() / 1e6;
}

static double parallel(Api &api, int count)
{
    QEventLoop loop;
    int done = 0;
    QElapsedTimer t;
    auto conn = QObject::connect(&api, &Api::reply, &loop, [&](int, int, const QString &) {
        if (++done == count)
            loop.quit();
    });
    t.start();
    for (int i = 0; i < count; ++i)
        api.request(i, QStringLiteral("POST"), QStringLiteral("api/echo"),
                    QStringLiteral("{\"n\":%1}").arg(i));
    loop.exec();
    QObject::disconnect(conn);
    return t.nsecsElapsed() / 1e6;
}

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QStandardPaths::setTestModeEnabled(true);
    app.setApplicationName(QStringLiteral("Velto"));
    app.setOrganizationName(QStringLiteral("Velto"));
    installEmbeddedCa();
    TestHttpsServer server;
    server.setHandler([](const TestHttpsServer::Request &) {
        TestHttpsServer::Response r;
        r.body = "{\"ok\":true}";
        return r;
    });
    if (!server.start())
        return 1;
    Api api(server.origin());
    sequential(api, 20); // warm up: TLS sessions and connections
    const int n = 500;
    const double seq = sequential(api, n);
    const double par = parallel(api, n);
    std::printf("bridge: %d sequential round trips %.1f ms (%.3f ms each)\n", n, seq, seq / n);
    std::printf("bridge: %d outstanding at once    %.1f ms (%.3f ms each)\n", n, par, par / n);
    return 0;
}
