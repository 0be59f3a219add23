// Screen services against the offscreen platform's real screens, laid out by
// offscreen-two-screens.json: a 2560x1440 primary and a 1920x1080 second screen.
#include "api.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <QScreen>
#include <QtTest>

class TestScreenServices : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QScreen *primary = QGuiApplication::primaryScreen();
        QVERIFY2(primary && QGuiApplication::screens().size() == 2
                     && primary->geometry().size() == QSize(2560, 1440),
                 "expects the two screens of offscreen-two-screens.json: run with "
                 "QT_QPA_PLATFORM=offscreen:configfile=<that file> (CTest sets it)");
    }

    void screenCountIsTheNumberOfScreens()
    {
        Api api(QStringLiteral("https://localhost:1"));
        QCOMPARE(api.screenCount(), 2);
    }

    void thumbnailIsA320WideJpegDataUrlOfThePrimaryScreen()
    {
        Api api(QStringLiteral("https://localhost:1"));
        const QString url = api.captureScreenThumbnail();

        const QString prefix = QStringLiteral("data:image/jpeg;base64,");
        QVERIFY2(url.startsWith(prefix), qPrintable(url.left(40)));
        const QByteArray base64 = url.mid(prefix.size()).toLatin1();
        QVERIFY(!base64.isEmpty());
        for (char c : base64)
            QVERIFY2(
                QByteArrayView("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/=")
                    .contains(c),
                "the Base64 text has a character outside the standard alphabet");
        const auto decoded
            = QByteArray::fromBase64Encoding(base64, QByteArray::AbortOnBase64DecodingErrors);
        QVERIFY(decoded);

        QByteArray jpeg = decoded.decoded;
        QBuffer buffer(&jpeg);
        QVERIFY(buffer.open(QIODevice::ReadOnly));
        QImageReader reader(&buffer);
        QCOMPARE(reader.format(), QByteArray("jpeg"));
        const QImage image = reader.read();
        QVERIFY2(!image.isNull(), qPrintable(reader.errorString()));
        QCOMPARE(image.size(), QSize(320, 180));
    }
};

QTEST_MAIN(TestScreenServices)
#include "tst_screenservices.moc"
