// The bridge's overhead as the documents pay it: 2,000 GETs of "api/projects" through
// win.call → Api → velto-sandbox with 50 in flight, against the same GETs from plain C++ with
// QNetworkAccessManager in the same run.
#include "benchreport.h"
#include "sandboxprocess.h"
#include "startup.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QNetworkAccessManager>
#include <QNetworkCookieJar>
#include <QNetworkReply>
#include <QQmlApplicationEngine>
#include <QQmlContext>
#include <QQmlEngine>
#include <QQmlExpression>
#include <QStandardPaths>
#include <QTest>
#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

constexpr int Total = 2000;
constexpr int InFlight = 50;

// Told by the document's script when its last reply has come.
class Finish : public QObject
{
    Q_OBJECT
public:
    bool done = false;
    int failures = 0;
    Q_INVOKABLE void finished(int failed)
    {
        failures = failed;
        done = true;
    }
};

// The documents' way: win.call with a callback, the reply parsed as JSON by Main.
double throughWindow(ClientProgram &program, Finish &finish)
{
    QObject *win = program.engine().rootObjects().value(0);
    finish.done = false;
    QQmlExpression run(qmlContext(win), win,
                       uR"((function () {
        var sent = 0, done = 0, failed = 0
        function next() {
            if (sent >= %1) return
            sent += 1
            win.call("GET", "api/projects", null, function (status, data) {
                if (status !== 200 || !data) failed += 1
                done += 1
                if (done === %1) Bench.finished(failed); else next()
            })
        }
        for (var i = 0; i < %2; ++i) next()
    })())"_s.arg(Total)
                           .arg(InFlight));
    QElapsedTimer clock;
    clock.start();
    run.evaluate();
    if (run.hasError())
        qWarning("%s", qPrintable(run.error().toString()));
    (void)QTest::qWaitFor([&] { return finish.done; }, 120000);
    return clock.nsecsElapsed() / 1e6;
}

// Plain C++: the same GETs with a QNetworkAccessManager of its own, signed in the same way.
double plain(const QString &origin, const DemoAccount &who, int *failures)
{
    QNetworkAccessManager nam;
    nam.setCookieJar(new QNetworkCookieJar(&nam));
    auto request = [&](const QString &path) {
        QNetworkRequest r(QUrl(origin + u'/' + path));
        r.setRawHeader("Origin", origin.toUtf8());
        r.setHeader(QNetworkRequest::ContentTypeHeader, u"application/json"_s);
        return r;
    };
    QNetworkReply *login
        = nam.post(request(u"api/auth/login"_s),
                   uR"({"email":"%1","password":"%2"})"_s.arg(who.email, who.password).toUtf8());
    (void)QTest::qWaitFor([&] { return login->isFinished(); }, 20000);
    login->deleteLater();
    int sent = 0, done = 0;
    *failures = 0;
    std::function<void()> next = [&] {
        if (sent >= Total)
            return;
        ++sent;
        QNetworkReply *r = nam.get(request(u"api/projects"_s));
        QObject::connect(r, &QNetworkReply::finished, r, [&, r] {
            const QByteArray body = r->readAll();
            if (r->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt() != 200
                || body.isEmpty())
                ++*failures;
            r->deleteLater();
            ++done;
            next();
        });
    };
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < InFlight; ++i)
        next();
    (void)QTest::qWaitFor([&] { return done == Total; }, 120000);
    return clock.nsecsElapsed() / 1e6;
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QStandardPaths::setTestModeEnabled(true);
    prepareApplication();
    SandboxProcess sandbox;
    QString error;
    if (!sandbox.start(&error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    const DemoAccount who = demoAccount(u"freelancer@velto.test"_s);

    Finish finish;
    ClientProgram program(sandbox.origin());
    program.engine().rootContext()->setContextProperty(u"Bench"_s, &finish);
    if (!program.load())
        return 1;
    QTest::qWait(500); // the resume request
    QQmlExpression login(qmlContext(program.engine().rootObjects().value(0)),
                         program.engine().rootObjects().value(0),
                         uR"(win.call("POST", "api/auth/login",
                                      { email: "%1", password: "%2" }, function () {}))"_s.arg(
                             who.email, who.password));
    login.evaluate();
    QTest::qWait(1000);

    int plainFailures = 0;
    QList<double> window, direct;
    throughWindow(program, finish); // warm-up: connections, TLS sessions, the JIT
    plain(sandbox.origin(), who, &plainFailures);
    for (int i = 0; i < 3; ++i) {
        window << throughWindow(program, finish);
        direct << plain(sandbox.origin(), who, &plainFailures);
    }

    BenchReport report(u"bridge"_s);
    report.ratio(u"2,000 GETs via win.call → Api, 50 in flight"_s, BenchReport::median(window),
                 BenchReport::median(direct), 1.15, u"ms"_s);
    report.note(u"floor: the same GETs from plain QNetworkAccessManager; median of 3 rounds; "
                "failed replies: bridge %1, plain %2"_s.arg(finish.failures)
                    .arg(plainFailures));
    report.finish();
    return 0;
}

#include "bench_bridge.moc"
