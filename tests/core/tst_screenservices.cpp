// Images sent as scaled JPEG data URLs: jpegDataUrl itself (the webcam snapshot is 240 wide, the
// screen thumbnail 320), and the screen services against the offscreen platform's real screens,
// laid out by offscreen-two-screens.json: a 2560x1440 primary and a 1920x1080 second screen.
#include "../failonwarnings.h"
#include "api.h"
#include "jpegdataurl.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QScreen>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

// The JPEG inside a data URL, decoded; a null image unless the URL holds it in canonical
// standard Base64 (so also without line breaks).
QImage decode(const QString &url)
{
    const QByteArray base64 = url.section(u',', 1).toLatin1();
    const auto bytes
        = QByteArray::fromBase64Encoding(base64, QByteArray::AbortOnBase64DecodingErrors);
    if (!url.startsWith(u"data:image/jpeg;base64,"_s) || !bytes
        || bytes.decoded.toBase64() != base64)
        return {};
    return QImage::fromData(bytes.decoded, "JPEG");
}

// Left half red, right half blue.
QImage twoColours(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::blue);
    QPainter(&image).fillRect(0, 0, width / 2, height, Qt::red);
    return image;
}

bool near(QColor a, QColor b)
{
    return qAbs(a.red() - b.red()) < 40 && qAbs(a.green() - b.green()) < 40
        && qAbs(a.blue() - b.blue()) < 40;
}

} // namespace

class TestScreenServices : public QObject
{
    Q_OBJECT

private slots:
    void init() { QTest::failOnWarning(failingWarnings()); }
    // Exactly as wide as asked, up or down, the aspect ratio kept and the picture itself intact,
    // not just its size.
    void scaledJpeg_data()
    {
        QTest::addColumn<QImage>("source");
        QTest::addColumn<QSize>("result");
        QTest::newRow("landscape") << twoColours(640, 480) << QSize(240, 180);
        QTest::newRow("portrait") << twoColours(480, 640) << QSize(240, 320);
        QTest::newRow("smaller than the width") << twoColours(120, 90) << QSize(240, 180);
    }
    void scaledJpeg()
    {
        QFETCH(QImage, source);
        QFETCH(QSize, result);
        const QImage back = decode(jpegDataUrl(source, 240, 55));
        QCOMPARE(back.size(), result);
        const int y = result.height() / 2;
        QVERIFY(near(back.pixelColor(result.width() / 8, y), Qt::red)
                && near(back.pixelColor(result.width() * 7 / 8, y), Qt::blue));
    }

    void nullImageGivesTheEmptyString() { QCOMPARE(jpegDataUrl(QImage(), 240, 55), QString()); }

    // Both screens are counted; the thumbnail is the primary screen, 320 wide.
    void screensAndThumbnail()
    {
        QScreen *primary = QGuiApplication::primaryScreen();
        QVERIFY2(primary && primary->geometry().size() == QSize(2560, 1440),
                 "expects the two screens of offscreen-two-screens.json: run with "
                 "QT_QPA_PLATFORM=offscreen:configfile=<that file> (CTest sets it)");
        Api api(u"https://localhost:1"_s);
        QCOMPARE(api.screenCount(), 2);
        QCOMPARE(decode(api.captureScreenThumbnail()).size(), QSize(320, 180));
    }
};

QTEST_MAIN(TestScreenServices)
#include "tst_screenservices.moc"
