// The proctor object with whatever devices this machine has (the test machines have no camera)
// and the application's real clipboard. Its published interface is checked against the view
// tests' double in tests/qml/tst_doubles.cpp.
#include "../failonwarnings.h"
#include "proctor.h"
#include "proctordevices.h"

#include <QCameraDevice>
#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMediaDevices>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

// The details of the violations with this reason, in order.
QStringList details(const QSignalSpy &violations, const QString &reason)
{
    QStringList out;
    for (const QList<QVariant> &args : violations) {
        if (args.at(0).toString() == reason)
            out << args.at(1).toString();
    }
    return out;
}

bool machineHasCamera()
{
    return !QMediaDevices::videoInputs().isEmpty();
}

} // namespace

class TestProctor : public QObject
{
    Q_OBJECT

private slots:
    void init() { QTest::failOnWarning(failingWarnings()); }
    // Every start reports once what keeps the camera from being watched. Built a second time as
    // tst_proctor_unavailable, not told where the module is: no monitoring at all, and why,
    // known before the exam.
    void eachStartReportsWhatIsMissingOnce()
    {
        if (machineHasCamera())
            QSKIP("this machine has a webcam; the no-camera path needs none");
        Proctor proctor;
        QSignalSpy violations(&proctor, &Proctor::violation);
        QSignalSpy found(&proctor, &Proctor::unavailableChanged);
        proctor.prepare();
        const bool module = ProctorDevices::get();
        QVERIFY(module || found.wait(10000));
        const QString why = proctor.unavailable();
        QVERIFY2(module || why.contains(u"velto_media"_s), qPrintable(why));
        const QString reason = module ? u"no_camera"_s : u"monitoring_unavailable"_s;
        proctor.start();
        QCOMPARE(details(violations, reason), QStringList {module ? u"No webcam detected"_s : why});
        proctor.start(); // running already: nothing happens
        QCOMPARE(details(violations, reason).size(), 1);
        proctor.stop();
        proctor.start();
        QCOMPARE(details(violations, reason).size(), 2);
    }

    // stop() announces level 0 every time, also on a proctor never started and on destruction.
    void stopAnnouncesLevelZero()
    {
        auto *proctor = new Proctor;
        QSignalSpy levelChanges(proctor, &Proctor::micLevelChanged);
        proctor->stop();
        QCOMPARE(levelChanges.count(), 1);
        proctor->start();
        QCOMPARE(proctor->hasCamera(), machineHasCamera());
        delete proctor;
        QCOMPARE(levelChanges.count(), 2);
    }

    void clipboardChangesCountOnlyWhileRunning()
    {
        Proctor proctor;
        QSignalSpy violations(&proctor, &Proctor::violation);
        QClipboard *clipboard = QGuiApplication::clipboard();
        clipboard->setText(u"while stopped"_s);
        proctor.start();
        clipboard->setText(u"while running"_s);
        proctor.stop();
        clipboard->setText(u"stopped again"_s);
        QCOMPARE(details(violations, u"clipboard"_s),
                 QStringList {u"Clipboard activity detected"_s});
    }

    void cameraSendsA240WideSnapshot()
    {
        if (!machineHasCamera())
            QSKIP("no webcam on this machine (QMediaDevices::videoInputs() is empty)");
        Proctor proctor;
        QSignalSpy snapshots(&proctor, &Proctor::snapshot);
        proctor.start();
        QTRY_VERIFY_WITH_TIMEOUT(snapshots.count() >= 1, 15000);
        proctor.stop();
        const QString url = snapshots.first().at(0).toString();
        QVERIFY(url.startsWith(u"data:image/jpeg;base64,"_s));
        const QByteArray jpeg = QByteArray::fromBase64(url.section(u',', 1).toLatin1());
        QCOMPARE(QImage::fromData(jpeg, "JPEG").width(), 240);
    }
};

QTEST_MAIN(TestProctor)
#include "tst_proctor.moc"
