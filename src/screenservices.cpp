#include "api.h"

#include "jpegdataurl.h"

#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>

namespace {
constexpr int ThumbnailWidth = 320;
constexpr int ThumbnailQuality = 60;
} // namespace

QString Api::captureScreenThumbnail()
{
    QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen)
        return {};
    // Window 0 is the whole desktop; a width and height of -1 take everything.
    const QPixmap grab = screen->grabWindow(0, 0, 0, -1, -1);
    if (grab.isNull())
        return {};
    return jpegDataUrl(grab.toImage(), ThumbnailWidth, ThumbnailQuality);
}

int Api::screenCount() const
{
    return int(QGuiApplication::screens().size());
}
