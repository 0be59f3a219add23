#pragma once

#include <QString>

class QImage;

// "data:image/jpeg;base64," followed by the Base64 text (standard alphabet, "=" padding, no
// line breaks) of `image` scaled smoothly to `width` pixels wide, aspect ratio kept, and
// encoded as JPEG at `quality` (0..100). The empty string when the image is null or cannot
// be encoded.
QString jpegDataUrl(const QImage &image, int width, int quality);
