#include "totp.h"

#include <QMessageAuthenticationCode>

using namespace Qt::StringLiterals;

QByteArray base32Decode(const QString &text)
{
    QByteArray out;
    quint32 buffer = 0;
    int bits = 0;
    for (const QChar c : text) {
        int value;
        const ushort u = c.toUpper().unicode();
        if (u >= 'A' && u <= 'Z')
            value = u - 'A';
        else if (u >= '2' && u <= '7')
            value = u - '2' + 26;
        else if (u == '=' || u == ' ' || u == '-')
            continue;
        else
            return QByteArray();
        buffer = (buffer << 5) | quint32(value);
        bits += 5;
        if (bits >= 8) {
            bits -= 8;
            out.append(char((buffer >> bits) & 0xFF));
        }
    }
    return out;
}

QString totpCode(const QByteArray &secret, qint64 unixSeconds)
{
    const quint64 counter = quint64(unixSeconds / 30);
    QByteArray message(8, '\0');
    for (int i = 7, shift = 0; i >= 0; --i, shift += 8)
        message[i] = char((counter >> shift) & 0xFF);
    const QByteArray mac
        = QMessageAuthenticationCode::hash(message, secret, QCryptographicHash::Sha1);
    const int offset = mac.at(mac.size() - 1) & 0x0F;
    const quint32 binary = (quint32(quint8(mac.at(offset)) & 0x7F) << 24)
        | (quint32(quint8(mac.at(offset + 1))) << 16) | (quint32(quint8(mac.at(offset + 2))) << 8)
        | quint32(quint8(mac.at(offset + 3)));
    return u"%1"_s.arg(binary % 1000000, 6, 10, QChar(u'0'));
}

std::optional<qint64> totpStep(const QByteArray &secret, const QString &code, qint64 unixSeconds)
{
    if (secret.isEmpty() || code.size() != 6)
        return std::nullopt;
    for (int step = -1; step <= 1; ++step) {
        if (totpCode(secret, unixSeconds + step * 30) == code)
            return unixSeconds / 30 + step;
    }
    return std::nullopt;
}
