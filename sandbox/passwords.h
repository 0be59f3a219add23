#pragma once

#include <QString>

// Password hashing: PBKDF2-HMAC-SHA256 with a random 16-byte salt per hash. The stored text is
// "pbkdf2-sha256$<iterations>$<salt base64>$<key base64>", so a changed iteration count applies
// to new hashes while old ones still verify.
namespace Passwords {

constexpr int DefaultIterations = 100000;

QString hash(const QString &password, int iterations);
bool verify(const QString &password, const QString &stored);
// Spends about the time of one verification; used when no account matches, so that the answer
// time does not tell whether an e-mail is registered.
void burn(const QString &password, int iterations);

} // namespace Passwords
