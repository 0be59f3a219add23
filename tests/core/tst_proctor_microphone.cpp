// The proctor's microphone path against a real sound server: scripts/test-audio starts a
// PulseAudio server with the source "velto_sine", a loud 440 Hz sine; muting that source gives
// digital silence. CTest points PULSE_SERVER at that server. Without it the tests skip.
#include "../failonwarnings.h"
#include "api.h"
#include "proctor.h"
#include "startup.h"
#include "testhttpsserver.h"

#include <QAudioDevice>
#include <QElapsedTimer>
#include <QMediaDevices>
#include <QNetworkCookieJar>
#include <QProcess>
#include <QQmlApplicationEngine>
#include <QQuickWindow>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

const QString SineSource = u"velto_sine"_s;

// Runs pactl with `arguments`; the empty string when it worked, else why not.
QString pactl(const QStringList &arguments)
{
    QProcess process;
    process.start(u"pactl"_s, arguments);
    if (!process.waitForFinished(10000))
        return u"pactl could not run: "_s + process.errorString();
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return u"pactl %1 failed: %2"_s.arg(arguments.join(u' '), process.readAllStandardError());
    return {};
}

// Recording streams this process has open on the sound server (which other test runs share).
int recordingStreams()
{
    QProcess process;
    process.start(u"pactl"_s, {u"list"_s, u"source-outputs"_s});
    process.waitForFinished(10000);
    const QByteArray pid = QByteArray::number(QCoreApplication::applicationPid());
    return int(process.readAllStandardOutput().count("application.process.id = \"" + pid + '"'));
}

} // namespace

class TestProctorMicrophone : public QObject
{
    Q_OBJECT

    void setSineMuted(bool muted)
    {
        const QString error = pactl({u"set-source-mute"_s, SineSource, muted ? u"1"_s : u"0"_s});
        QVERIFY2(error.isEmpty(), qPrintable(error));
    }

private slots:
    void init() { QTest::failOnWarning(failingWarnings()); }
    void initTestCase()
    {
        if (const QString error = pactl({u"info"_s}); !error.isEmpty())
            QSKIP(
                qPrintable(u"no sound server at PULSE_SERVER='%1' (scripts/test-audio start "
                           u"starts one): %2"_s.arg(qEnvironmentVariable("PULSE_SERVER"), error)));
        const QByteArray input = QMediaDevices::defaultAudioInput().id();
        if (input != SineSource.toUtf8())
            QSKIP(qPrintable(u"the default audio input is '%1', not the test source %2"_s.arg(
                input, SineSource)));
    }

    void cleanup() { setSineMuted(true); }

    // Sounding, "voice" is reported once within four seconds (the promise: about three seconds
    // of sound) and not again while the sound goes on for four more polls; muted, eight polls
    // (four seconds of digital silence) measure 0 and report nothing.
    void voice_data()
    {
        QTest::addColumn<bool>("sounding");
        QTest::newRow("sine") << true;
        QTest::newRow("muted") << false;
    }
    void voice()
    {
        QFETCH(bool, sounding);
        setSineMuted(!sounding);
        QElapsedTimer sinceStart;
        QList<qint64> voices; // ms after start()
        QList<int> levels; // declared first: the proctor announces level 0 when it goes
        Proctor proctor;
        connect(&proctor, &Proctor::violation, this, [&](const QString &reason) {
            if (reason == "voice"_L1)
                voices << sinceStart.elapsed();
        });
        connect(&proctor, &Proctor::micLevelChanged, this, [&] { levels << proctor.micLevel(); });
        sinceStart.start();
        proctor.start();
        if (sounding) {
            QTRY_VERIFY_WITH_TIMEOUT(!voices.isEmpty(), 15000);
            QVERIFY2(voices.first() < 4000, qPrintable(QString::number(voices.first())));
        }
        const qsizetype polled = levels.size();
        QTRY_VERIFY_WITH_TIMEOUT(levels.size() >= polled + (sounding ? 4 : 8), 15000);
        QCOMPARE(voices.size(), sounding ? 1 : 0);
        QCOMPARE(*std::max_element(levels.cbegin(), levels.cend()), sounding ? 100 : 0);
        proctor.stop();
        QCOMPARE(proctor.micLevel(), 0);
    }

    // Every way out of the signed-in shell closes the microphone before any request leaves, as
    // "Submit" does: when the proctor announces level 0, its last step in stopping, the session
    // cookie is still in the jar that signing out empties as it sends its request.
    void leaving_data()
    {
        QTest::addColumn<bool>("closeWindow");
        QTest::newRow("sign out") << false;
        QTest::newRow("window close") << true;
    }
    void leaving()
    {
        QFETCH(bool, closeWindow);
        TestHttpsServer server; // every answer signs a freelancer in
        server.setHandler([](const Request &) {
            return Response {200,
                             {{"Set-Cookie", "sid=s3cr3t; Secure; Path=/"}},
                             R"({"user":{"id":2,"role":"freelancer"}})"};
        });
        ClientProgram program(server.origin());
        QVERIFY(program.load());
        auto *window = qobject_cast<QQuickWindow *>(program.engine().rootObjects().value(0));
        const QObject *stack = window->findChild<QObject *>(u"stack"_s);
        const auto page = [stack] { return stack->property("currentItem").value<QObject *>(); };
        QTRY_COMPARE(page()->objectName(), u"HomeView"_s);
        const auto jar = program.api().findChild<QNetworkCookieJar *>();
        program.proctor().start();
        QTRY_COMPARE(recordingStreams(), 1);
        bool stopped = false, signedInAtStop = false;
        connect(&program.proctor(), &Proctor::micLevelChanged, this, [&] {
            if (!std::exchange(stopped, true))
                signedInAtStop = !jar->cookiesForUrl(QUrl(server.origin())).isEmpty();
        });
        closeWindow ? window->close() : QMetaObject::invokeMethod(page(), "signOut");
        QVERIFY(stopped && signedInAtStop);
        QTRY_COMPARE(recordingStreams(), 0);
    }
};

QTEST_MAIN(TestProctorMicrophone)
#include "tst_proctor_microphone.moc"
