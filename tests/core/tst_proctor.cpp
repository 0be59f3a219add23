// The proctor object with whatever devices this machine has (the test machines have no camera)
// and the application's real clipboard.
#include "proctor.h"

#include <QCameraDevice>
#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMediaDevices>
#include <QMetaMethod>
#include <QMetaProperty>
#include <QtTest>

namespace {

int countReason(const QSignalSpy &violations, const QString &reason)
{
    int n = 0;
    for (const QList<QVariant> &args : violations)
        n += args.at(0).toString() == reason;
    return n;
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
    void publishedInterface()
    {
        // The documents reach the proctor by these names, in this order.
        const QMetaObject &mo = Proctor::staticMetaObject;
        QStringList members;
        for (int i = mo.methodOffset(); i < mo.methodCount(); ++i)
            members << QString::fromLatin1(mo.method(i).methodSignature());
        const QMetaProperty level = mo.property(mo.propertyOffset());
        members << QStringLiteral("%1 %2 %3")
                       .arg(level.typeName(), level.name(), level.notifySignal().name());
        QCOMPARE(
            members,
            QStringList({"violation(QString,QString)", "snapshot(QString)", "micLevelChanged()",
                         "start()", "stop()", "hasCamera()", "int micLevel micLevelChanged"}));
        QVERIFY(!level.isWritable() && mo.propertyCount() - mo.propertyOffset() == 1);
    }

    void eachStartWithoutCameraReportsNoCameraOnce()
    {
        if (machineHasCamera())
            QSKIP("this machine has a webcam; the no-camera path needs none");
        Proctor proctor;
        QSignalSpy violations(&proctor, &Proctor::violation);
        QSignalSpy snapshots(&proctor, &Proctor::snapshot);

        proctor.start();
        QCOMPARE(countReason(violations, "no_camera"), 1);
        const QList<QVariant> first = violations.first();
        QCOMPARE(first.at(0).toString(), QStringLiteral("no_camera"));
        QCOMPARE(first.at(1).toString(), QStringLiteral("No webcam detected"));

        proctor.start(); // running already: nothing happens
        QCOMPARE(countReason(violations, "no_camera"), 1);

        proctor.stop();
        proctor.start();
        QCOMPARE(countReason(violations, "no_camera"), 2);
        // Past the time of the first snapshot: still none.
        QTest::qWait(3000);
        QCOMPARE(snapshots.count(), 0);
        proctor.stop();
        proctor.start();
        proctor.stop();
        QCOMPARE(countReason(violations, "no_camera"), 3);
        QCOMPARE(snapshots.count(), 0);
    }

    // stop() announces level 0 every time, also on a proctor never started and on destruction.
    void stopAnnouncesLevelZero()
    {
        auto *proctor = new Proctor;
        QSignalSpy levelChanges(proctor, &Proctor::micLevelChanged);
        proctor->stop();
        QCOMPARE(levelChanges.count(), 1);
        QCOMPARE(proctor->property("micLevel").toInt(), 0);
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

        clipboard->setText(QStringLiteral("while stopped"));
        QCOMPARE(countReason(violations, "clipboard"), 0);

        proctor.start();
        clipboard->setText(QStringLiteral("while running"));
        QCOMPARE(countReason(violations, "clipboard"), 1);
        for (const QList<QVariant> &args : violations) {
            if (args.at(0).toString() == QLatin1String("clipboard"))
                QCOMPARE(args.at(1).toString(), QStringLiteral("Clipboard activity detected"));
        }
        proctor.stop();

        clipboard->setText(QStringLiteral("stopped again"));
        QCOMPARE(countReason(violations, "clipboard"), 1);
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
        const QString prefix = QStringLiteral("data:image/jpeg;base64,");
        QVERIFY(url.startsWith(prefix));
        const QImage image
            = QImage::fromData(QByteArray::fromBase64(url.mid(prefix.size()).toLatin1()), "JPEG");
        QCOMPARE(image.width(), 240);
    }
};

QTEST_MAIN(TestProctor)
#include "tst_proctor.moc"
