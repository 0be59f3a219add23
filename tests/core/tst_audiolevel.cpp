// Microphone level and sustained-sound rule, driven with synthetic audio in every sample
// format Qt offers.
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
    // Every sample format on one scale: level = RMS × 300, clamped to 0..100.
    void levels_data()
    {
        QTest::addColumn<QList<double>>("signal");
        QTest::addColumn<int>("level");
        QTest::newRow("silence") << square(0.0) << 0;
        QTest::newRow("square 1/16") << square(1.0 / 16) << 18; // 18.75
        QTest::newRow("square 1/8") << square(1.0 / 8) << 37; // 37.5
        QTest::newRow("sine 0.1") << sine(0.1) << 21; // RMS 0.0707: 21.2
        QTest::newRow("sine 0.25") << sine(0.25) << 53; // RMS 0.177: 53.0
        QTest::newRow("a third of full scale is 100") << square(0.34) << 100;
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
        QCOMPARE(AudioLevel::of(halfSecond(Level25), QAudioFormat::Int16), 25);
        QCOMPARE(AudioLevel::of(halfSecond(Level26), QAudioFormat::Int16), 26);
        // Not-a-number is silence; beyond full scale counts as full scale. Never undefined.
        const QList<double> nan(100, std::nan(""));
        QCOMPARE(AudioLevel::of(encode(nan, QAudioFormat::Float), QAudioFormat::Float), 0);
        const QList<double> huge(100, 1e30);
        QCOMPARE(AudioLevel::of(encode(huge, QAudioFormat::Float), QAudioFormat::Float), 100);
        // A trailing partial sample is ignored.
        QCOMPARE(AudioLevel::of(QByteArray(1, '\x7f'), QAudioFormat::Int16), 0);
        QByteArray loud = encode(square(0.5, 10), QAudioFormat::Int32);
        loud.append("\x7f\x7f\x7f", 3);
        QCOMPARE(AudioLevel::of(loud, QAudioFormat::Int32), 100);
        QVERIFY(LevelPolls(QAudioFormat()).add(QByteArray(100000, 'x')).isEmpty());
    }

    void sixLoudPollsReportOnceOnTheSixth()
    {
        LevelPolls polls(format(16000, 1, QAudioFormat::Int16));
        QList<bool> reports;
        for (int i = 0; i < 8; ++i) {
            const auto result = polls.add(halfSecond(Level26));
            QCOMPARE(result.size(), 1);
            QCOMPARE(result.first().level, 26);
            reports.append(result.first().sustained);
        }
        QCOMPARE(reports, (QList<bool> {false, false, false, false, false, true, false, false}));

        // One quiet poll re-arms: six more loud polls report again, on the sixth.
        QVERIFY(!polls.add(halfSecond(Level25)).first().sustained);
        QCOMPARE(polls.loudPolls(), 0);
        reports.clear();
        for (int i = 0; i < 6; ++i)
            reports.append(polls.add(halfSecond(1.0)).first().sustained);
        QCOMPARE(reports, (QList<bool> {false, false, false, false, false, true}));
    }

    void constantLevel25NeverReports()
    {
        LevelPolls polls(format(16000, 1, QAudioFormat::Int16));
        for (int i = 0; i < 200; ++i) {
            const auto result = polls.add(halfSecond(Level25));
            QCOMPARE(result.size(), 1);
            QCOMPARE(result.first().level, 25);
            QVERIFY(!result.first().sustained);
        }
    }

    void zeroOrOneByteChangesNothing()
    {
        LevelPolls polls(format(16000, 1, QAudioFormat::Int16));
        for (int i = 0; i < 5; ++i)
            polls.add(halfSecond(1.0));
        QCOMPARE(polls.loudPolls(), 5);

        QVERIFY(polls.add(QByteArray()).isEmpty());
        const QByteArray sixth = halfSecond(1.0);
        QVERIFY(polls.add(sixth.first(1)).isEmpty());
        QCOMPARE(polls.loudPolls(), 5);

        // The odd byte was the first half of a sample: with the rest of the half second the
        // samples are read intact.
        const auto result = polls.add(sixth.sliced(1));
        QCOMPARE(result.size(), 1);
        QCOMPARE(result.first().level, 100);
        QVERIFY(result.first().sustained);
    }

    void aReadOfAboutHalfASecondIsOnePoll_data()
    {
        QTest::addColumn<int>("frames");
        QTest::addColumn<int>("polls");
        QTest::newRow("one sample") << 1 << 1;
        QTest::newRow("0.14 s, the first read") << 2240 << 1;
        QTest::newRow("0.48 s, a timer a little early") << 7680 << 1;
        QTest::newRow("0.74 s, a timer late") << 11840 << 1;
        QTest::newRow("0.75 s") << 12000 << 2;
        QTest::newRow("2 s, a burst") << 32000 << 4;
        QTest::newRow("2 s and a bit, a burst") << 32001 << 4;
    }
    void aReadOfAboutHalfASecondIsOnePoll()
    {
        QFETCH(int, frames);
        QFETCH(int, polls);
        LevelPolls levelPolls(format(16000, 1, QAudioFormat::Int16));
        const auto result = levelPolls.add(encode(square(Level26, frames), QAudioFormat::Int16));
        QCOMPARE(result.size(), polls);
        for (const auto &poll : result)
            QCOMPARE(poll.level, 26);
    }

    void burstsCountTheHalfSecondsTheyHold()
    {
        // PulseAudio's fixed-latency sources hand over two seconds at once, every two seconds:
        // the sixth loud half second is reported with the second burst, not the sixth.
        LevelPolls polls(format(16000, 1, QAudioFormat::Int16));
        QByteArray burst;
        for (int i = 0; i < 4; ++i)
            burst += halfSecond(1.0);
        QCOMPARE(polls.add(burst).size(), 4);
        QCOMPARE(polls.loudPolls(), 4);
        QVERIFY(polls.add(QByteArray()).isEmpty()); // the reads in between get nothing

        QList<bool> sustained;
        for (const auto &poll : polls.add(burst))
            sustained.append(poll.sustained);
        QCOMPARE(sustained, (QList<bool> {false, true, false, false}));
    }

    void resetForgetsThePartialFrameAndTheCount()
    {
        LevelPolls polls(format(16000, 1, QAudioFormat::Int16));
        polls.add(halfSecond(1.0) + QByteArray(1, '\x55'));
        QCOMPARE(polls.loudPolls(), 1);
        polls.reset();
        QCOMPARE(polls.loudPolls(), 0);
        // Were the stray byte kept, every sample after it would be read out of step.
        const auto result = polls.add(halfSecond(Level26));
        QCOMPARE(result.size(), 1);
        QCOMPARE(result.first().level, 26);
    }
};

QTEST_GUILESS_MAIN(TestAudioLevel)
#include "tst_audiolevel.moc"
