// Image to scaled JPEG data URL, as the webcam snapshot (240 wide, quality 55) and the screen
// thumbnail (320 wide, quality 60) use it.
#include "jpegdataurl.h"

#include <QImage>
#include <QPainter>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

const QString Prefix = u"data:image/jpeg;base64,"_s;

// The JPEG inside a data URL, decoded; a null image when the URL is not one.
QImage decode(const QString &url)
{
    if (!url.startsWith(Prefix))
        return {};
    const QByteArray base64 = url.mid(Prefix.size()).toLatin1();
    const auto bytes
        = QByteArray::fromBase64Encoding(base64, QByteArray::AbortOnBase64DecodingErrors);
    if (!bytes || bytes.decoded.toBase64() != base64) // not canonical standard Base64
        return {};
    return QImage::fromData(bytes.decoded, "JPEG");
}

// Left half red, right half blue.
QImage twoColours(int width, int height, QImage::Format format = QImage::Format_RGB32)
{
    QImage image(width, height, format);
    QPainter painter(&image);
    painter.fillRect(0, 0, width / 2, height, Qt::red);
    painter.fillRect(width / 2, 0, width - width / 2, height, Qt::blue);
    return image;
}

bool near(QColor a, QColor b)
{
    return qAbs(a.red() - b.red()) < 40 && qAbs(a.green() - b.green()) < 40
        && qAbs(a.blue() - b.blue()) < 40;
}

} // namespace

class TestJpegDataUrl : public QObject
{
    Q_OBJECT

private slots:
    // A canonical Base64 JPEG without line breaks, exactly as wide as asked, the aspect ratio
    // kept and the picture itself intact, not just its size.
    void scaledJpeg_data()
    {
        QTest::addColumn<QImage>("source");
        QTest::addColumn<int>("width");
        QTest::addColumn<QSize>("result");
        QTest::newRow("snapshot") << twoColours(640, 480) << 240 << QSize(240, 180);
        QTest::newRow("full HD screen") << twoColours(1920, 1080) << 320 << QSize(320, 180);
        QTest::newRow("portrait camera") << twoColours(480, 640) << 240 << QSize(240, 320);
        QTest::newRow("smaller than the width") << twoColours(120, 90) << 240 << QSize(240, 180);
        QTest::newRow("with alpha")
            << twoColours(64, 48, QImage::Format_ARGB32) << 240 << QSize(240, 180);
    }
    void scaledJpeg()
    {
        QFETCH(QImage, source);
        QFETCH(int, width);
        QFETCH(QSize, result);
        const QString url = jpegDataUrl(source, width, 55);
        QVERIFY(!url.contains(u'\n'));
        const QImage back = decode(url);
        QCOMPARE(back.size(), result);
        const int y = result.height() / 2;
        QVERIFY(near(back.pixelColor(result.width() / 8, y), Qt::red)
                && near(back.pixelColor(result.width() * 7 / 8, y), Qt::blue));
    }

    void nullImageGivesTheEmptyString() { QCOMPARE(jpegDataUrl(QImage(), 240, 55), QString()); }
};

QTEST_GUILESS_MAIN(TestJpegDataUrl)
#include "tst_jpegdataurl.moc"
