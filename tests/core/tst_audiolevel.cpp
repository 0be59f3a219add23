// Microphone level and sustained-sound rule, driven with synthetic audio in every sample
// format Qt offers.
#include "../failonwarnings.h"
#include "audiolevel.h"

#include <QtTest>

#include <cmath>

using Format = QAudioFormat::SampleFormat;

namespace {

// Samples (each -1..1 of full scale) in `format`, native byte order, as a device delivers them.
QByteArray encode(const QList<double> &samples, Format format)
{
    QByteArray out;
    auto put
        = [&out](auto value) { out.append(reinterpret_cast<const char *>(&value), sizeof value); };
    for (double x : samples) {
        switch (format) {
        case QAudioFormat::UInt8:
            put(quint8(qBound(0, int(std::lround(128 + x * 128)), 255)));
            break;
        case QAudioFormat::Int16:
            put(qint16(qBound(-32768L, std::lround(x * 32768), 32767L)));
            break;
        case QAudioFormat::Int32:
            put(qint32(qBound(-2147483648LL, std::llround(x * 2147483648.0), 2147483647LL)));
            break;
        case QAudioFormat::Float:
            put(float(x));
            break;
        default:
            break;
        }
    }
    return out;
}

// A square wave of `count` samples alternating +amplitude / -amplitude: its RMS is amplitude.
QList<double> square(double amplitude, int count = 8000)
{
    QList<double> samples;
    for (int i = 0; i < count; ++i)
        samples.append(i % 2 ? -amplitude : amplitude);
    return samples;
}

QList<double> sine(double amplitude, int count = 8000)
{
    QList<double> samples;
    for (int i = 0; i < count; ++i)
        samples.append(amplitude * std::sin(2 * M_PI * 440.0 * i / 16000.0));
    return samples;
}

QAudioFormat format(int rate, int channels, Format sampleFormat)
{
    QAudioFormat f;
    f.setSampleRate(rate);
    f.setChannelCount(channels);
    f.setSampleFormat(sampleFormat);
    return f;
}

// Half a second of 16 kHz mono 16-bit audio: one poll's worth.
QByteArray halfSecond(double squareAmplitude)
{
    return encode(square(squareAmplitude), QAudioFormat::Int16);
}

// Square-wave amplitudes, as 16-bit samples, right at the loudness threshold: level 25 and 26.
const double Level25 = 2839 / 32768.0; // 2839 * 300 / 32768 = 25.99
const double Level26 = 2840 / 32768.0; // 2840 * 300 / 32768 = 26.0009

} // namespace

class TestAudioLevel : public QObject
{
    Q_OBJECT

private slots:
    void init() { QTest::failOnWarning(failingWarnings()); }
    // Every sample format on one scale: level = RMS × 300, clamped to 0..100.
    void levels_data()
    {
        QTest::addColumn<QList<double>>("signal");
        QTest::addColumn<int>("level");
        QTest::newRow("silence") << square(0.0) << 0;
        QTest::newRow("square 1/8") << square(1.0 / 8) << 37; // 37.5
        QTest::newRow("sine 0.25") << sine(0.25) << 53; // RMS 0.177: 53.0
        QTest::newRow("full scale clamped") << square(1.0) << 100; // raw 300
    }
    void levels()
    {
        QFETCH(QList<double>, signal);
        QFETCH(int, level);
        for (Format f :
             {QAudioFormat::UInt8, QAudioFormat::Int16, QAudioFormat::Int32, QAudioFormat::Float})
            QCOMPARE(AudioLevel::of(encode(signal, f), f), level);
    }

    void oddInputs()
    {
        // Not-a-number is silence; beyond full scale counts as full scale. Never undefined.
        const QList<double> nan(100, std::nan(""));
        QCOMPARE(AudioLevel::of(encode(nan, QAudioFormat::Float), QAudioFormat::Float), 0);
        const QList<double> huge(100, 1e30);
        QCOMPARE(AudioLevel::of(encode(huge, QAudioFormat::Float), QAudioFormat::Float), 100);
        // A trailing partial sample is ignored.
        QByteArray loud = encode(square(0.5, 10), QAudioFormat::Int32);
        loud.append("\x7f\x7f\x7f", 3);
        QCOMPARE(AudioLevel::of(loud, QAudioFormat::Int32), 100);
        QVERIFY(LevelPolls(QAudioFormat()).add(QByteArray(100000, 'x')).isEmpty());
    }

    // What a run of reads (each the bytes one poll read, 16 kHz mono 16-bit) is measured as: the
    // level of every measurement, and which of them report sustained sound.
    void polls_data()
    {
        QTest::addColumn<QList<QByteArray>>("reads");
        QTest::addColumn<QList<int>>("levels");
        QTest::addColumn<QList<int>>("reports"); // indexes into levels
        const QByteArray loud = halfSecond(1.0), quiet = halfSecond(Level25);
        // Six loud polls report once, on the sixth; one quiet poll re-arms.
        QTest::newRow("26, then 25, then loud")
            << QList<QByteArray>(8, halfSecond(Level26)) + QList {quiet}
                + QList<QByteArray>(6, loud)
            << QList<int>(8, 26) + QList {25} + QList<int>(6, 100) << QList {5, 14};
        // Zero bytes, and the first half of a sample, measure nothing; with the rest of the half
        // second the samples are read intact.
        QTest::newRow("nothing and an odd byte")
            << QList<QByteArray>(5, loud) + QList {QByteArray(), loud.first(1), loud.sliced(1)}
            << QList<int>(6, 100) << QList {5};
        // PulseAudio's fixed-latency sources hand over two seconds at once, every two seconds:
        // the sixth loud half second is reported with the second burst, not the sixth read.
        QTest::newRow("bursts") << QList {loud + loud + loud + loud, QByteArray(),
                                          loud + loud + loud + loud}
                                << QList<int>(8, 100) << QList {5};
        // A read of about half a second is one poll; longer ones are cut into half seconds.
        const QList<std::pair<int, int>> sizes {{1, 1}, {11840, 1}, {12000, 2}, {32001, 4}};
        for (const auto &[frames, polls] : sizes)
            QTest::addRow("%d frames", frames)
                << QList {encode(square(Level26, frames), QAudioFormat::Int16)}
                << QList<int>(polls, 26) << QList<int>();
    }
    void polls()
    {
        QFETCH(QList<QByteArray>, reads);
        QFETCH(QList<int>, levels);
        QFETCH(QList<int>, reports);
        LevelPolls polls(format(16000, 1, QAudioFormat::Int16));
        QList<int> measured, reported;
        for (const QByteArray &read : reads) {
            for (const auto &poll : polls.add(read)) {
                if (poll.sustained)
                    reported.append(measured.size());
                measured.append(poll.level);
            }
        }
        QCOMPARE(measured, levels);
        QCOMPARE(reported, reports);
    }

    void resetForgetsThePartialFrameAndTheCount()
    {
        LevelPolls polls(format(16000, 1, QAudioFormat::Int16));
        polls.add(halfSecond(1.0) + QByteArray(1, '\x55'));
        QCOMPARE(polls.loudPolls(), 1);
        polls.reset();
        QCOMPARE(polls.loudPolls(), 0);
        // Were the stray byte kept, every sample after it would be read out of step.
        QCOMPARE(polls.add(halfSecond(Level26)).value(0).level, 26);
    }
};

QTEST_GUILESS_MAIN(TestAudioLevel)
#include "tst_audiolevel.moc"
