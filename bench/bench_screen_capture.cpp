// Api::captureScreenThumbnail() on a 2560x1440 primary screen: the offscreen platform with the
// two-screen layout the tests use, first bare, then covered by a window full of detail (the
// grab composes the windows on the screen; detail costs the scaler and the encoder). Prints
// milliseconds per call and the share of its steps; asserts nothing.
#include "api.h"
#include "benchreport.h"
#include "jpegdataurl.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QRasterWindow>
#include <QScreen>
#include <QTest>
#include <algorithm>
#include <cstdio>

namespace {

// Coloured text on a gradient, edge to edge: something like a busy desktop.
class BusyWindow : public QRasterWindow
{
protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        QLinearGradient gradient(0, 0, width(), height());
        gradient.setColorAt(0, QColor(20, 40, 90));
        gradient.setColorAt(1, QColor(220, 200, 160));
        p.fillRect(QRect(QPoint(0, 0), size()), gradient);
        for (int y = 0, row = 0; y < height(); y += 14, ++row) {
            p.setPen(QColor::fromHsv((row * 37) % 360, 200, 255));
            p.drawText(4, y + 12,
                       QStringLiteral("%1 The quick brown fox jumps over the lazy dog 0123456789 ")
                           .arg(row)
                           .repeated(8));
        }
    }
};

double measure(Api &api, const char *what)
{
    api.captureScreenThumbnail(); // warm-up: JPEG plug-in, first allocations
    QList<double> runs;
    qsizetype length = 0;
    for (int i = 0; i < 25; ++i) {
        QElapsedTimer t;
        t.start();
        length = api.captureScreenThumbnail().size();
        runs.append(t.nsecsElapsed() / 1e6);
    }
    std::sort(runs.begin(), runs.end());
    std::printf("%s: captureScreenThumbnail x%d: min %.1f ms, median %.1f ms, max %.1f ms; "
                "data URL %lld characters\n",
                what, int(runs.size()), runs.first(), runs.at(runs.size() / 2), runs.last(),
                qlonglong(length));

    // The steps on their own, once.
    QScreen *screen = QGuiApplication::primaryScreen();
    QElapsedTimer t;
    t.start();
    const QPixmap grab = screen->grabWindow(0, 0, 0, -1, -1);
    const double grabMs = t.nsecsElapsed() / 1e6;
    t.restart();
    const QImage image = grab.toImage();
    const double convertMs = t.nsecsElapsed() / 1e6;
    t.restart();
    jpegDataUrl(image, 320, 60);
    const double encodeMs = t.nsecsElapsed() / 1e6;
    std::printf("  steps: grab %.1f ms (%dx%d), to image %.1f ms, scale + JPEG + Base64 %.1f ms\n",
                grabMs, grab.width(), grab.height(), convertMs, encodeMs);
    return BenchReport::median(runs);
}

// The webcam snapshot's encoding: a 640x480 camera frame to a 240-wide JPEG data URL.
double snapshotEncoding()
{
    QImage frame(640, 480, QImage::Format_RGB32);
    QPainter p(&frame);
    QLinearGradient gradient(0, 0, 640, 480);
    gradient.setColorAt(0, QColor(90, 60, 40));
    gradient.setColorAt(1, QColor(230, 210, 190));
    p.fillRect(frame.rect(), gradient);
    p.end();
    QList<double> runs;
    for (int i = 0; i < 50; ++i) {
        QElapsedTimer t;
        t.start();
        jpegDataUrl(frame, 240, 55);
        runs.append(t.nsecsElapsed() / 1e6);
    }
    return BenchReport::median(runs);
}

} // namespace

int main(int argc, char *argv[])
{
    // Always the same screens, whatever the caller's platform.
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" VELTO_SCREENS_JSON);
    QGuiApplication app(argc, argv);
    QScreen *primary = QGuiApplication::primaryScreen();
    std::printf("primary screen %dx%d, %d screens\n", primary->geometry().width(),
                primary->geometry().height(), int(QGuiApplication::screens().size()));

    Api api(QStringLiteral("https://localhost:1"));
    BenchReport report(QStringLiteral("screen"));
    report.value(QStringLiteral("captureScreenThumbnail, bare 2560x1440 screen (median)"),
                 measure(api, "bare screen"), QStringLiteral("ms"), 16);

    BusyWindow window;
    window.setScreen(primary);
    window.setGeometry(primary->geometry());
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return 1;
    QTest::qWait(50);
    report.value(QStringLiteral("captureScreenThumbnail, busy full-screen window (median)"),
                 measure(api, "screen covered by a busy window"), QStringLiteral("ms"), 16);
    report.value(QStringLiteral("webcam snapshot 640x480 to 240-wide JPEG (median)"),
                 snapshotEncoding(), QStringLiteral("ms"), 16);
    report.finish();
    return 0;
}
