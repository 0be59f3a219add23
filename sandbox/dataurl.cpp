#include "dataurl.h"

namespace DataUrl {

std::optional<QByteArray> decodeJpeg(const QString &url, QString *why)
{
    auto refuse = [why](const char *reason) {
        if (why)
            *why = QString::fromUtf8(reason);
        return std::optional<QByteArray>();
    };
    const QLatin1String prefix(JpegPrefix);
    if (!url.startsWith(prefix))
        return refuse("must be a JPEG data URL (data:image/jpeg;base64,…)");
    const QStringView text = QStringView(url).mid(prefix.size());
    if (text.isEmpty())
        return refuse("holds no image data");
    // Standard alphabet, length a multiple of four, "=" padding only in the last two places.
    if (text.size() % 4 != 0)
        return refuse("is not valid Base64");
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        const bool alphabet = (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z')
            || (c >= u'0' && c <= u'9') || c == u'+' || c == u'/';
        const bool padding = c == u'=' && i >= text.size() - 2
            && (i == text.size() - 1 || text.at(text.size() - 1) == u'=');
        if (!alphabet && !padding)
            return refuse("is not valid Base64");
    }
    const auto decoded
        = QByteArray::fromBase64Encoding(text.toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded)
        return refuse("is not valid Base64");
    const QByteArray bytes = *decoded;
    if (bytes.size() < 4 || static_cast<unsigned char>(bytes.at(0)) != 0xFF
        || static_cast<unsigned char>(bytes.at(1)) != 0xD8
        || static_cast<unsigned char>(bytes.at(2)) != 0xFF)
        return refuse("is not a JPEG image");
    return bytes;
}

} // namespace DataUrl
