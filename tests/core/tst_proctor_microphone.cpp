// The proctor's microphone path against a real sound server: scripts/test-audio starts a
// PulseAudio server with the source "velto_sine", a loud 440 Hz sine; muting that source gives
// digital silence. CTest points PULSE_SERVER at that server. Without it the tests skip.
#include "proctor.h"

#include <QAudioDevice>
#include <QElapsedTimer>
#include <QMediaDevices>
#include <QProcess>
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
    void initTestCase()
    {
        const QByteArray server = qgetenv("PULSE_SERVER");
        if (server.isEmpty())
            QSKIP("PULSE_SERVER is not set: no test sound server to listen to");
        if (const QString error = pactl({u"info"_s}); !error.isEmpty())
            QSKIP(
                qPrintable(u"no sound server at %1 (scripts/test-audio start starts one): %2"_s.arg(
                    server, error)));
        const QByteArray input = QMediaDevices::defaultAudioInput().id();
        if (input != SineSource.toUtf8())
            QSKIP(qPrintable(u"the default audio input is '%1', not the test source %2"_s.arg(
                input, SineSource)));
    }

    void cleanup() { setSineMuted(true); }

    void sustainedSoundReportsVoiceOnceWithinFourSeconds()
    {
        setSineMuted(false);
        Proctor proctor;
        QElapsedTimer sinceStart;
        qint64 voiceAfterMs = -1;
        int voices = 0;
        connect(&proctor, &Proctor::violation, this, [&](const QString &reason) {
            if (reason == "voice"_L1 && voices++ == 0)
                voiceAfterMs = sinceStart.elapsed();
        });
        QSignalSpy levelChanges(&proctor, &Proctor::micLevelChanged);

        sinceStart.start();
        proctor.start();
        QTRY_VERIFY_WITH_TIMEOUT(voices >= 1, 15000);
        qInfo("\"voice\" %lld ms after start()", voiceAfterMs);
        // The promise: about three seconds of sound, reported in under four.
        QVERIFY2(voiceAfterMs < 4000, qPrintable(QString::number(voiceAfterMs)));
        QCOMPARE(proctor.micLevel(), 100);

        // The sound goes on: four more polls (two more seconds of it) and still one report.
        const int polled = levelChanges.count();
        QTRY_VERIFY_WITH_TIMEOUT(levelChanges.count() >= polled + 4, 15000);
        QCOMPARE(voices, 1);
        proctor.stop();
        QCOMPARE(proctor.micLevel(), 0);
    }

    void silenceReportsNothing()
    {
        setSineMuted(true);
        Proctor proctor;
        QSignalSpy violations(&proctor, &Proctor::violation);
        int loudest = -1;
        int polls = 0;
        connect(&proctor, &Proctor::micLevelChanged, this, [&] {
            loudest = qMax(loudest, proctor.micLevel());
            ++polls;
        });

        proctor.start();
        // Eight polls, four seconds of captured silence; each announces the level again.
        QTRY_VERIFY_WITH_TIMEOUT(polls >= 8, 15000);
        QCOMPARE(loudest, 0);
        for (const QList<QVariant> &args : violations)
            QVERIFY(args.at(0).toString() != "voice"_L1);
        proctor.stop();
    }
};

QTEST_MAIN(TestProctorMicrophone)
#include "tst_proctor_microphone.moc"
