#include "jpegdataurl.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>

QString jpegDataUrl(const QImage &image, int width, int quality)
{
    if (image.isNull() || width <= 0)
        return {};
    const QImage scaled = image.scaledToWidth(width, Qt::SmoothTransformation);
    if (scaled.isNull())
        return {};

    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    if (!buffer.open(QIODevice::WriteOnly) || !scaled.save(&buffer, "JPEG", quality))
        return {};
    buffer.close();
    if (jpeg.isEmpty())
        return {};
    return QStringLiteral("data:image/jpeg;base64,") + QString::fromLatin1(jpeg.toBase64());
}
