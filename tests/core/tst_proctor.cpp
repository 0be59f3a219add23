// The proctor with this machine's devices and clipboard; its rules on synthetic audio and a clock.
#include "../failonwarnings.h"
#include "audiolevel.h"
#include "clipboardwindow.h"
#include "proctor.h"
#include "proctordevices.h"

#include <QtGui>
#include <QtMultimedia>
#include <QtTest>

using namespace Qt::StringLiterals;
using Format = QAudioFormat::SampleFormat;

namespace {

// Samples (each -1..1 of full scale) in `format`, native byte order, as a device delivers them.
QByteArray encode(const QList<double> &samples, Format format)
{
    QByteArray out;
    const auto put = [&out](auto v) { out.append(reinterpret_cast<const char *>(&v), sizeof v); };
    for (double x : samples) {
        if (format == QAudioFormat::UInt8)
            put(quint8(qBound(0L, std::lround(128 + x * 128), 255L)));
        else if (format == QAudioFormat::Int16)
            put(qint16(qBound(-32768L, std::lround(x * 32768), 32767L)));
        else if (format == QAudioFormat::Int32)
            put(qint32(qBound(-2147483648LL, std::llround(x * 2147483648.0), 2147483647LL)));
        else
            put(float(x));
    }
    return out;
}

// `count` samples alternating +amplitude / -amplitude, or a 440 Hz sine at 16 kHz.
QList<double> wave(double amplitude, int count = 8000, bool sine = false)
{
    QList<double> samples;
    for (int i = 0; i < count; ++i)
        samples.append(sine ? amplitude * std::sin(2 * M_PI * 440.0 * i / 16000.0)
                            : (i % 2 ? -amplitude : amplitude));
    return samples;
}

// Square-wave amplitudes, as 16-bit samples, right at the loudness threshold: level 25 and 26.
const double Level25 = 2839 / 32768.0; // 2839 * 300 / 32768 = 25.99
const double Level26 = 2840 / 32768.0; // 2840 * 300 / 32768 = 26.0009

} // namespace

class TestProctor : public QObject
{
    Q_OBJECT

private slots:
    void init() { QTest::failOnWarning(failingWarnings()); }
    // Each start says once why the camera is not watched (known before an exam without the
    // module); the clipboard counts only while running; each stop(), deletion too, says level 0.
    void startAndStop()
    {
        if (!QMediaDevices::videoInputs().isEmpty())
            QSKIP("this machine has a webcam; the no-camera path needs none");
        auto *proctor = new Proctor;
        QSignalSpy violations(proctor, &Proctor::violation);
        QSignalSpy found(proctor, &Proctor::unavailableChanged);
        QSignalSpy levelChanges(proctor, &Proctor::micLevelChanged);
        const auto details = [&violations](const QString &reason) { // of those with this reason
            QStringList out;
            for (const QList<QVariant> &args : std::as_const(violations)) {
                if (args.at(0) == reason)
                    out << args.at(1).toString();
            }
            return out;
        };
        QClipboard *clipboard = QGuiApplication::clipboard();
        proctor->stop();
        QCOMPARE(levelChanges.count(), 1);
        proctor->prepare();
        const bool module = ProctorDevices::get();
        QVERIFY(module || found.wait(10000));
        const QString why = proctor->unavailable();
        QVERIFY2(module || why.contains(u"velto_media"_s), qPrintable(why));
        const QString reason = module ? u"no_camera"_s : u"monitoring_unavailable"_s;
        clipboard->setText(u"while stopped"_s);
        proctor->start();
        QVERIFY(!proctor->hasCamera());
        QCOMPARE(details(reason), QStringList {module ? u"No webcam detected"_s : why});
        clipboard->setText(u"while running"_s);
        proctor->start(); // running already: nothing happens
        QCOMPARE(details(reason).size(), 1);
        proctor->stop();
        clipboard->setText(u"stopped again"_s);
        QCOMPARE(details(u"clipboard"_s), QStringList {u"Clipboard activity detected"_s});
        proctor->start();
        QCOMPARE(details(reason).size(), 2);
        delete proctor;
        QCOMPARE(levelChanges.count(), 3);
    }

    // Every sample format on one scale: level = RMS × 300, clamped to 0..100.
    void levels_data()
    {
        QTest::addColumn<QList<double>>("signal");
        QTest::addColumn<int>("level");
        QTest::newRow("silence") << wave(0.0) << 0;
        QTest::newRow("square 1/8") << wave(1.0 / 8) << 37; // 37.5
        QTest::newRow("sine 0.25") << wave(0.25, 8000, true) << 53; // RMS 0.177: 53.0
        QTest::newRow("full scale clamped") << wave(1.0) << 100; // raw 300
    }
    void levels()
    {
        QFETCH(QList<double>, signal);
        QFETCH(int, level);
        for (Format f :
             {QAudioFormat::UInt8, QAudioFormat::Int16, QAudioFormat::Int32, QAudioFormat::Float})
            QCOMPARE(AudioLevel::of(encode(signal, f), f), level);
    }

    // NaN is silence, beyond full scale is full, a partial sample is ignored, no rate no measure.
    void oddInputs()
    {
        const Format f = QAudioFormat::Float;
        QCOMPARE(AudioLevel::of(encode(QList<double>(100, std::nan("")), f), f), 0);
        QCOMPARE(AudioLevel::of(encode(QList<double>(100, 1e30), f), f), 100);
        const QByteArray loud = encode(wave(0.5, 10), QAudioFormat::Int32) + "\x7f\x7f\x7f";
        QCOMPARE(AudioLevel::of(loud, QAudioFormat::Int32), 100);
        QVERIFY(LevelPolls(QAudioFormat()).add(QByteArray(100000, 'x')).isEmpty());
    }

    // A run of reads (the bytes of one poll each, 16 kHz mono 16-bit; "reset" calls reset()) as
    // the level of every measurement and which of them report sustained sound.
    void polls_data()
    {
        QTest::addColumn<QList<QByteArray>>("reads");
        QTest::addColumn<QList<int>>("levels");
        QTest::addColumn<QList<int>>("reports"); // indexes into levels
        // Half a second of 16 kHz mono 16-bit audio: one poll's worth.
        const auto halfSecond = [](double a) { return encode(wave(a), QAudioFormat::Int16); };
        const QByteArray loud = halfSecond(1.0), quiet = halfSecond(Level25);
        // Six loud polls report once, on the sixth; one quiet poll re-arms.
        QTest::newRow("26, then 25, then loud")
            << QList<QByteArray>(8, halfSecond(Level26)) + QList {quiet}
                + QList<QByteArray>(6, loud)
            << QList<int>(8, 26) + QList {25} + QList<int>(6, 100) << QList {5, 14};
        // Zero bytes and half a sample measure nothing; with the rest the samples are read intact.
        QTest::newRow("nothing and an odd byte")
            << QList<QByteArray>(5, loud) + QList {QByteArray(), loud.first(1), loud.sliced(1)}
            << QList<int>(6, 100) << QList {5};
        // Were the stray byte kept, every later sample would be read out of step.
        QTest::newRow("reset forgets the partial sample and the count")
            << QList<QByteArray>(5, loud) + QList<QByteArray> {"\x55", "reset", loud}
            << QList<int>(6, 100) << QList<int>();
        // PulseAudio's fixed-latency sources hand over two seconds at once, every two seconds:
        // the sixth loud half second is reported with the second burst, not the sixth read.
        QTest::newRow("bursts") << QList {loud + loud + loud + loud, QByteArray(),
                                          loud + loud + loud + loud}
                                << QList<int>(8, 100) << QList {5};
        // A read of about half a second is one poll; longer ones are cut into half seconds.
        const QList<std::pair<int, int>> sizes {{1, 1}, {11840, 1}, {12000, 2}, {32001, 4}};
        for (const auto &[frames, polls] : sizes)
            QTest::addRow("%d frames", frames)
                << QList {encode(wave(Level26, frames), QAudioFormat::Int16)}
                << QList<int>(polls, 26) << QList<int>();
    }
    void polls()
    {
        QFETCH(QList<QByteArray>, reads);
        QFETCH(QList<int>, levels);
        QFETCH(QList<int>, reports);
        QAudioFormat format;
        format.setSampleRate(16000);
        format.setChannelCount(1);
        format.setSampleFormat(QAudioFormat::Int16);
        LevelPolls polls(format);
        QList<int> measured, reported;
        for (const QByteArray &read : reads) {
            if (read == "reset") {
                polls.reset();
                continue;
            }
            for (const auto &poll : polls.add(read)) {
                if (poll.sustained)
                    reported.append(measured.size());
                measured.append(poll.level);
            }
        }
        QCOMPARE(measured, levels);
        QCOMPARE(reported, reports);
    }

    // Changes in ms; one while stopped ("s") neither counts nor moves the window (from a report).
    void clipboardReports_data()
    {
        QTest::addColumn<QString>("changes");
        QTest::addColumn<QString>("reported");
        QTest::newRow("800 ms apart: two") << u"0 800"_s << u"0 800"_s;
        QTest::newRow("every 300 ms") << u"0 300 600 900 1200 1500 1800 2100"_s << u"0 900 1800"_s;
        QTest::newRow("stopped in between") << u"0s 100 700s 900"_s << u"100 900"_s;
    }
    void clipboardReports()
    {
        QFETCH(QString, changes);
        QFETCH(QString, reported);
        qint64 now = 0;
        ClipboardWindow window([&now] { return now; });
        QStringList got;
        for (const QString &change : changes.split(u' ')) {
            now = 1'700'000'000'000 + QString(change).remove(u's').toLongLong();
            if (window.change(!change.endsWith(u's')))
                got << change;
        }
        QCOMPARE(got.join(u' '), reported);
    }
};

QTEST_MAIN(TestProctor)
#include "tst_proctor.moc"
