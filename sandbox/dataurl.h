#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

namespace DataUrl {

constexpr char JpegPrefix[] = "data:image/jpeg;base64,";
// The longest data URL stored (a screenshot or a webcam snapshot), in characters: 1 MiB.
constexpr qsizetype MaxLength = 1024 * 1024;

// The image bytes of a JPEG data URL: the exact prefix "data:image/jpeg;base64," followed by
// standard Base64 (no line breaks) that decodes to bytes starting with the JPEG start-of-image
// marker. Anything else gives nullopt and a reason in *why.
std::optional<QByteArray> decodeJpeg(const QString &url, QString *why = nullptr);

} // namespace DataUrl
