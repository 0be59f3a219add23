// Start-up and memory as a person meets them, each against the floor (bench_floor) measured in
// the same run: whole processes from exec to the first frame of
//   - the sign-in page (the service answers "api/auth/me" with 401), and
//   - the resumed shell with 50 projects shown in Discover;
// and the peak resident memory after signing in and visiting every tab.
#include "api.h"
#include "benchreport.h"
#include "clientsession.h"
#include "sandboxprocess.h"
#include "startup.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QGuiApplication>
#include <QJsonArray>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

struct Run
{
    double ms = -1; // exec to the child's report
    double rssMiB = 0;
};

// Starts a child with this home folder and waits for its report line.
Run runChild(const QString &program, const QStringList &args, const QString &home)
{
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"HOME"_s, home);
    env.remove(u"XDG_DATA_HOME"_s);
    env.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    Run run;
    QElapsedTimer clock;
    clock.start();
    child.start(program, args);
    QByteArray out;
    while (child.waitForReadyRead(60000)) {
        out += child.readAllStandardOutput();
        if (out.contains('\n')) {
            run.ms = clock.nsecsElapsed() / 1e6;
            run.rssMiB = out.split(' ').value(1).trimmed().toDouble();
            break;
        }
    }
    child.waitForFinished(20000);
    return run;
}

// Signs in through the bridge so that its cookie file in `home` resumes that session.
bool storeSession(const QString &origin, const QString &home, const DemoAccount &who)
{
    qputenv("HOME", home.toUtf8());
    Api api(origin);
    QEventLoop loop;
    int status = 0;
    QObject::connect(&api, &Api::reply, &loop, [&](int, int s, const QString &) {
        status = s;
        loop.quit();
    });
    api.request(1, u"POST"_s, u"api/auth/login"_s,
                u"{\"email\":\"%1\",\"password\":\"%2\"}"_s.arg(who.email, who.password));
    loop.exec();
    return status == 200;
}

} // namespace

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    prepareApplication();
    const int runs = qEnvironmentVariableIntValue("VELTO_BENCH_RUNS") > 0
        ? qEnvironmentVariableIntValue("VELTO_BENCH_RUNS")
        : 7;
    SandboxProcess sandbox;
    QString error;
    if (!sandbox.start(&error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }

    // Discover needs 50 open projects.
    ServiceProbe client(sandbox.origin());
    const DemoAccount clientAccount = demoAccount(u"client@velto.test"_s);
    client.signIn(clientAccount.email, clientAccount.password);
    for (int shown = int(client.get(u"api/projects"_s).value(u"projects"_s).toArray().size()),
             i = 0;
         shown < 50; ++shown, ++i) {
        const QJsonObject made = client.post(
            u"api/projects"_s,
            {{u"title"_s, u"Benchmark project %1"_s.arg(i)},
             {u"description"_s, u"A project made for the start-up benchmark, number %1."_s.arg(i)},
             {u"requiredSkills"_s, QJsonArray {u"Qt"_s}},
             {u"budget"_s, u"1500"_s},
             {u"projectType"_s, u"fixed"_s}});
        client.post(u"api/projects/%1/publish"_s.arg(
                        made.value(u"project"_s).toObject().value(u"id"_s).toInteger()),
                    {});
    }

    QTemporaryDir emptyHome, resumedHome;
    if (!storeSession(sandbox.origin(), resumedHome.path(),
                      demoAccount(u"freelancer@velto.test"_s))) {
        std::fprintf(stderr, "could not sign in\n");
        return 1;
    }
    const QString dir = QCoreApplication::applicationDirPath();
    const QString floor = dir + u"/bench_floor"_s, velto = dir + u"/bench_client"_s;

    QList<double> floorMs, signinMs, discoverMs, floorRss;
    runChild(floor, {}, emptyHome.path()); // warm the file cache and the plug-ins once
    runChild(velto, {sandbox.origin(), u"signin"_s}, emptyHome.path());
    for (int i = 0; i < runs; ++i) {
        const Run f = runChild(floor, {}, emptyHome.path());
        floorMs << f.ms;
        floorRss << f.rssMiB;
        signinMs << runChild(velto, {sandbox.origin(), u"signin"_s}, emptyHome.path()).ms;
        discoverMs << runChild(velto, {sandbox.origin(), u"discover"_s}, resumedHome.path()).ms;
    }
    QList<double> tourRss;
    for (int i = 0; i < 3; ++i)
        tourRss << runChild(velto, {sandbox.origin(), u"tour"_s}, resumedHome.path()).rssMiB;

    BenchReport report(u"startup"_s);
    const double base = BenchReport::median(floorMs);
    report.ratio(u"exec to the sign-in page's first frame"_s, BenchReport::median(signinMs), base,
                 1.25, u"ms"_s);
    report.ratio(u"exec to the resumed shell with 50 projects in Discover"_s,
                 BenchReport::median(discoverMs), base, 1.6, u"ms"_s);
    report.ratio(u"peak RSS after signing in and visiting every tab"_s,
                 BenchReport::median(tourRss), BenchReport::median(floorRss), 1.4, u"MiB"_s);
    report.note(u"medians of %1 runs; floor: a bare window of the same Qt and style"_s.arg(runs));
    report.finish();
    return 0;
}
