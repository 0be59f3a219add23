#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

// Time-based one-time passwords (RFC 6238): HMAC-SHA-1, 6 digits, 30-second steps.

// Decodes RFC 4648 base32 (upper or lower case; blanks and "=" padding ignored). Returns an empty
// array for text with other characters.
QByteArray base32Decode(const QString &text);
// The 6-digit code for the step containing unixSeconds.
QString totpCode(const QByteArray &secret, qint64 unixSeconds);
// The time step (unixSeconds / 30) the code belongs to, when it is the step of unixSeconds or one
// step either side.
std::optional<qint64> totpStep(const QByteArray &secret, const QString &code, qint64 unixSeconds);
inline bool totpVerify(const QByteArray &secret, const QString &code, qint64 unixSeconds)
{
    return totpStep(secret, code, unixSeconds).has_value();
}
