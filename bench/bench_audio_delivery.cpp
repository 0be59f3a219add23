// How the default audio input delivers captured data, and what that does to the "voice" rule.
//
// Part 1 opens the input as the proctor does (16 kHz mono 16-bit, device from
// QAudioSource::start()), optionally with a buffer size, drains it every 500 ms and prints what
// each drain got. From the same data it works out when the sixth loud poll comes under two
// rules: one level per drain (whatever arrived) and one level per half second of captured
// audio (LevelPolls, what the proctor does).
// Part 2 runs the real Proctor a few times and prints the time from start() to "voice".
//
// Usage: bench_audio_delivery [seconds per run] [buffer sizes in bytes...]
// Uses PULSE_SERVER when set, else the server of scripts/test-audio. When the input is that
// server's "velto_sine" source, it is unmuted for the run and muted again afterwards.
#include "audiolevel.h"
#include "proctor.h"

#include <QAudioDevice>
#include <QAudioSource>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QMediaDevices>
#include <QProcess>
#include <QTimer>
#include <cstdio>

namespace {

void setSineMuted(bool muted)
{
    QProcess::execute(QStringLiteral("pactl"),
                      {QStringLiteral("set-source-mute"), QStringLiteral("velto_sine"),
                       muted ? QStringLiteral("1") : QStringLiteral("0")});
}

void measureDelivery(const QAudioDevice &input, qsizetype bufferSize, int seconds)
{
    QAudioFormat format;
    format.setSampleRate(16000);
    format.setChannelCount(1);
    format.setSampleFormat(QAudioFormat::Int16);
    QAudioSource source(input, format);
    if (bufferSize > 0)
        source.setBufferSize(bufferSize);
    QElapsedTimer clock;
    clock.start();
    QIODevice *device = source.start();
    if (!device) {
        std::printf("  the source did not start\n");
        return;
    }
    std::printf("\nbuffer size asked %lld, reported %lld (start() took %lld ms)\n",
                qlonglong(bufferSize), qlonglong(source.bufferSize()), clock.elapsed());

    int readyReads = 0;
    QObject::connect(device, &QIODevice::readyRead, [&] { ++readyReads; });
    LevelPolls pieces(source.format());
    LoudPollCounter wholeReads;
    qint64 sixthWholeMs = -1;
    qint64 sixthPieceMs = -1;
    int drainsWithData = 0;
    int drains = 0;
    qint64 total = 0;

    QTimer poll;
    poll.setInterval(500);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        const QByteArray bytes = device->readAll();
        const qint64 at = clock.elapsed();
        ++drains;
        total += bytes.size();
        QString note;
        if (bytes.size() >= 2) {
            ++drainsWithData;
            const int level = AudioLevel::of(bytes, QAudioFormat::Int16);
            if (wholeReads.add(level) && sixthWholeMs < 0)
                sixthWholeMs = at;
            note = QStringLiteral("level %1").arg(level);
        }
        const auto polls = pieces.add(bytes);
        for (const auto &p : polls) {
            if (p.sustained && sixthPieceMs < 0)
                sixthPieceMs = at;
        }
        std::printf("  %6lld ms  read %6lld bytes (%5.2f s of audio)  readyRead x%d  "
                    "half-second polls %lld  %s\n",
                    at, qlonglong(bytes.size()), bytes.size() / 32000.0, readyReads,
                    qlonglong(polls.size()), qPrintable(note));
        readyReads = 0;
    });
    poll.start();
    QEventLoop loop;
    QTimer::singleShot(seconds * 1000, &loop, &QEventLoop::quit);
    loop.exec();
    source.stop();

    std::printf("  %d of %d drains had data, %.2f s of audio in %d s\n", drainsWithData, drains,
                total / 32000.0, seconds);
    std::printf("  sixth loud poll, one level per drain:       %s\n",
                sixthWholeMs < 0 ? "not within the run"
                                 : qPrintable(QStringLiteral("%1 ms").arg(sixthWholeMs)));
    std::printf("  sixth loud poll, one level per half second: %s\n",
                sixthPieceMs < 0 ? "not within the run"
                                 : qPrintable(QStringLiteral("%1 ms").arg(sixthPieceMs)));
}

void measureProctor(int runs)
{
    std::printf("\nProctor: start() to \"voice\"\n");
    for (int i = 0; i < runs; ++i) {
        Proctor proctor;
        QElapsedTimer clock;
        QEventLoop loop;
        qint64 voiceMs = -1;
        QObject::connect(&proctor, &Proctor::violation, [&](const QString &reason) {
            if (reason == QLatin1String("voice")) {
                voiceMs = clock.elapsed();
                loop.quit();
            }
        });
        QTimer::singleShot(15000, &loop, &QEventLoop::quit);
        clock.start();
        proctor.start();
        loop.exec();
        proctor.stop();
        std::printf("  run %d: %s\n", i + 1,
                    voiceMs < 0 ? "no \"voice\" within 15 s"
                                : qPrintable(QStringLiteral("%1 ms").arg(voiceMs)));
    }
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("PULSE_SERVER"))
        qputenv("PULSE_SERVER", VELTO_TEST_AUDIO_SERVER);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int seconds = args.size() > 1 ? qMax(1, args.at(1).toInt()) : 6;
    QList<qsizetype> bufferSizes;
    for (int i = 2; i < args.size(); ++i)
        bufferSizes.append(args.at(i).toLongLong());
    if (bufferSizes.isEmpty())
        bufferSizes = {0, 16000, 3200};

    const QAudioDevice input = QMediaDevices::defaultAudioInput();
    if (input.isNull()) {
        std::printf("no audio input (PULSE_SERVER=%s; scripts/test-audio start starts one)\n",
                    qgetenv("PULSE_SERVER").constData());
        return 1;
    }
    const bool sine = input.id() == "velto_sine";
    std::printf("input %s (%s), PULSE_SERVER=%s\n", input.id().constData(),
                qPrintable(input.description()), qgetenv("PULSE_SERVER").constData());
    if (sine)
        setSineMuted(false);

    for (qsizetype size : bufferSizes)
        measureDelivery(input, size, seconds);
    measureProctor(3);

    if (sine)
        setSineMuted(true);
    return 0;
}
