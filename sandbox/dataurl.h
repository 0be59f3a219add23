#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

namespace DataUrl {

constexpr char JpegPrefix[] = "data:image/jpeg;base64,";

// The image bytes of a JPEG data URL: the exact prefix "data:image/jpeg;base64," followed by
// standard Base64 (no line breaks) that decodes to bytes starting with the JPEG start-of-image
// marker. Anything else gives nullopt and a reason in *why.
std::optional<QByteArray> decodeJpeg(const QString &url, QString *why = nullptr);

} // namespace DataUrl
