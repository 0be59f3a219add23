// The proctor where the camera and microphone module cannot be found: this test is not told where
// the build put it, and none lies beside it. Monitoring is then reported unavailable with the
// reason, ahead of the exam and by each start, and nothing is said about a camera.
#include "proctor.h"

#include <QtTest>

using namespace Qt::StringLiterals;

class TestProctorUnavailable : public QObject
{
    Q_OBJECT

private slots:
    void eachStartReportsWhyMonitoringIsUnavailable()
    {
        Proctor proctor;
        QSignalSpy changes(&proctor, &Proctor::unavailableChanged);
        QSignalSpy violations(&proctor, &Proctor::violation);
        proctor.prepare();
        QVERIFY(changes.wait(10000));
        const QString why = proctor.unavailable();
        QVERIFY2(why.contains(u"velto_media"_s), qPrintable(why));
        proctor.start();
        proctor.start(); // running already: nothing happens
        proctor.stop();
        proctor.start();
        const QVariantList reported {u"monitoring_unavailable"_s, why};
        QCOMPARE(QList<QVariantList>(violations), (QList<QVariantList> {reported, reported}));
        QCOMPARE(changes.count(), 1);
        QVERIFY(!proctor.hasCamera());
    }
};

QTEST_MAIN(TestProctorUnavailable)
#include "tst_proctor_unavailable.moc"
