// Screen services against the offscreen platform's real screens, laid out by
// offscreen-two-screens.json: a 2560x1440 primary and a 1920x1080 second screen. The data URL's
// encoding is tested on jpegDataUrl itself (tst_jpegdataurl).
#include "api.h"

#include <QGuiApplication>
#include <QImage>
#include <QScreen>
#include <QtTest>

using namespace Qt::StringLiterals;

class TestScreenServices : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QScreen *primary = QGuiApplication::primaryScreen();
        QVERIFY2(primary && primary->geometry().size() == QSize(2560, 1440),
                 "expects the two screens of offscreen-two-screens.json: run with "
                 "QT_QPA_PLATFORM=offscreen:configfile=<that file> (CTest sets it)");
    }

    // Both screens are counted; the thumbnail is the primary screen, 320 wide.
    void screensAndThumbnail()
    {
        Api api(u"https://localhost:1"_s);
        QCOMPARE(api.screenCount(), 2);
        const QString url = api.captureScreenThumbnail();
        const QString prefix = u"data:image/jpeg;base64,"_s;
        QVERIFY2(url.startsWith(prefix), qPrintable(url.left(40)));
        const QByteArray jpeg = QByteArray::fromBase64(url.mid(prefix.size()).toLatin1());
        QCOMPARE(QImage::fromData(jpeg, "JPEG").size(), QSize(320, 180));
    }
};

QTEST_MAIN(TestScreenServices)
#include "tst_screenservices.moc"
