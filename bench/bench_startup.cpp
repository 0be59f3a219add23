// Start-up and memory as a person meets them, each against the floor (bench_floor) that allows
// for what it must wait for, measured in the same run: whole processes from exec to the first
// frame of
//   - the sign-in page (the service answers "api/auth/me" with 401), against the bare window
//     shown after one HTTPS round trip, and
//   - the resumed shell with 50 projects shown in Discover, against the bare window shown after
//     the same two requests in turn ("api/auth/me", then "api/projects") with the same cookie;
// and the peak resident memory after signing in and visiting every tab, against the one-round-
// trip floor's. The bare window itself is printed beside them. And the first exam start of a
// client, click to exam page with the microphone open, against the later starts in the same
// client: the camera and microphone must be ready before the person is.
#include "api.h"
#include "benchreport.h"
#include "clientsession.h"
#include "persistentcookiejar.h"
#include "sandboxprocess.h"
#include "startup.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QGuiApplication>
#include <QJsonArray>
#include <QNetworkCookie>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

struct Run
{
    double ms = -1; // exec to the child's report
    double rssMiB = 0;
    QList<QByteArray> words; // what the report line says after its first word
};

// Starts a child with this home folder (and floor cookie) and waits for its report line.
Run runChild(const QString &program, const QStringList &args, const QString &home,
             const QString &cookie = QString())
{
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"HOME"_s, home);
    if (!cookie.isEmpty())
        env.insert(u"VELTO_FLOOR_COOKIE"_s, cookie);
    env.remove(u"XDG_DATA_HOME"_s);
    env.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
    env.insert(u"PULSE_SERVER"_s, QStringLiteral(VELTO_TEST_AUDIO_SERVER));
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
            run.words = out.trimmed().split(' ').mid(1);
            break;
        }
    }
    child.waitForFinished(20000);
    return run;
}

// Signs in through the bridge so that its cookie file in `home` resumes that session; returns
// the Cookie header that session sends, empty when signing in failed.
QString storeSession(const QString &origin, const QString &home, const DemoAccount &who)
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
    if (status != 200)
        return QString();
    QFile file(PersistentCookieJar::cookieFilePath());
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return QString();
    QStringList pairs;
    for (const QByteArray &line : file.readAll().split('\n')) {
        for (const QNetworkCookie &cookie : QNetworkCookie::parseCookies(line))
            pairs << QString::fromUtf8(cookie.toRawForm(QNetworkCookie::NameAndValueOnly));
    }
    return pairs.join(u"; "_s);
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
    SandboxClient client(sandbox.port());
    client.login(demoAccount(u"client@velto.test"_s));
    for (int shown = int(client.get(u"api/projects"_s).list(u"projects"_s).size()), i = 0;
         shown < 50; ++shown, ++i) {
        const qint64 made
            = client
                  .post(u"api/projects"_s,
                        {{u"title"_s, u"Benchmark project %1"_s.arg(i)},
                         {u"description"_s,
                          u"A project made for the start-up benchmark, number %1."_s.arg(i)},
                         {u"requiredSkills"_s, QJsonArray {u"Qt"_s}},
                         {u"budget"_s, u"1500"_s},
                         {u"projectType"_s, u"fixed"_s}})
                  .id(u"project"_s);
        client.post(u"api/projects/%1/publish"_s.arg(made));
    }

    QTemporaryDir emptyHome, resumedHome;
    const QString cookie = storeSession(sandbox.origin(), resumedHome.path(),
                                        demoAccount(u"freelancer@velto.test"_s));
    if (cookie.isEmpty()) {
        std::fprintf(stderr, "could not sign in\n");
        return 1;
    }
    const QString dir = QCoreApplication::applicationDirPath();
    const QString floor = dir + u"/bench_floor"_s, velto = dir + u"/bench_client"_s;
    const QString origin = sandbox.origin();
    const QStringList oneTrip {origin, u"api/auth/me"_s};
    const QStringList twoTrips {origin, u"api/auth/me"_s, u"api/projects"_s};

    // Interleaved, so that whatever else the machine does falls on every figure alike.
    QList<double> bareMs, oneTripMs, twoTripsMs, signinMs, discoverMs, oneTripRss;
    runChild(floor, oneTrip, emptyHome.path()); // warm the file cache and the plug-ins once
    runChild(velto, {origin, u"signin"_s}, emptyHome.path());
    for (int i = 0; i < runs; ++i) {
        bareMs << runChild(floor, {}, emptyHome.path()).ms;
        const Run f = runChild(floor, oneTrip, emptyHome.path());
        oneTripMs << f.ms;
        oneTripRss << f.rssMiB;
        signinMs << runChild(velto, {origin, u"signin"_s}, emptyHome.path()).ms;
        twoTripsMs << runChild(floor, twoTrips, emptyHome.path(), cookie).ms;
        discoverMs << runChild(velto, {origin, u"discover"_s}, resumedHome.path()).ms;
    }
    QList<double> tourRss;
    for (int i = 0; i < 3; ++i)
        tourRss << runChild(velto, {origin, u"tour"_s}, resumedHome.path()).rssMiB;
    // Each client's first exam start, and the later ones in the same client.
    QList<double> firstStartMs, laterStartMs;
    for (int i = 0; i < runs; ++i) {
        const QList<QByteArray> starts
            = runChild(velto, {origin, u"exam"_s}, resumedHome.path()).words;
        for (qsizetype k = 0; k < starts.size(); ++k)
            (k == 0 ? firstStartMs : laterStartMs) << starts.at(k).toDouble();
    }

    BenchReport report(u"startup"_s);
    const double bare = BenchReport::median(bareMs);
    const double oneTripFloor = BenchReport::median(oneTripMs);
    const double twoTripsFloor = BenchReport::median(twoTripsMs);
    report.value(u"floor: exec to the bare window's first frame"_s, bare, u"ms"_s);
    report.ratio(u"floor: the same, shown after one HTTPS round trip"_s, oneTripFloor, bare, 0,
                 u"ms"_s);
    report.ratio(u"floor: the same, shown after two round trips in turn"_s, twoTripsFloor, bare, 0,
                 u"ms"_s);
    report.ratio(u"exec to the sign-in page's first frame"_s, BenchReport::median(signinMs),
                 oneTripFloor, 1.10, u"ms"_s);
    report.ratio(u"exec to the resumed shell with 50 projects in Discover"_s,
                 BenchReport::median(discoverMs), twoTripsFloor, 1.5, u"ms"_s);
    report.ratio(u"peak RSS after signing in and visiting every tab"_s,
                 BenchReport::median(tourRss), BenchReport::median(oneTripRss), 1.15, u"MiB"_s);
    report.ratio(u"first exam start, click to exam page with the microphone open"_s,
                 BenchReport::median(firstStartMs), BenchReport::median(laterStartMs), 1.2,
                 u"ms"_s);
    report.note(u"medians of %1 interleaved runs; the sign-in page against the one-round-trip "
                "floor, the resumed shell against the two-round-trip floor, memory against the "
                "one-round-trip floor's; each client's first exam start against the later "
                "starts in the same clients (the test sound server's microphone, "
                "scripts/test-audio)"_s.arg(runs));
    report.finish();
    return 0;
}
