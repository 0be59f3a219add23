#include "passwords.h"

#include <QCryptographicHash>
#include <QPasswordDigestor>
#include <QRandomGenerator>
#include <QStringList>

using namespace Qt::StringLiterals;

namespace Passwords {

namespace {

QByteArray derive(const QString &password, const QByteArray &salt, int iterations)
{
    return QPasswordDigestor::deriveKeyPbkdf2(QCryptographicHash::Sha256, password.toUtf8(), salt,
                                              iterations, 32);
}

bool equalConstantTime(const QByteArray &a, const QByteArray &b)
{
    if (a.size() != b.size())
        return false;
    unsigned char diff = 0;
    for (int i = 0; i < a.size(); ++i)
        diff |= static_cast<unsigned char>(a.at(i) ^ b.at(i));
    return diff == 0;
}

} // namespace

QString hash(const QString &password, int iterations)
{
    QByteArray salt(16, Qt::Uninitialized);
    QRandomGenerator::system()->fillRange(reinterpret_cast<quint32 *>(salt.data()),
                                          salt.size() / int(sizeof(quint32)));
    const QByteArray key = derive(password, salt, iterations);
    return u"pbkdf2-sha256$%1$%2$%3"_s.arg(iterations)
        .arg(QString::fromLatin1(salt.toBase64()), QString::fromLatin1(key.toBase64()));
}

bool verify(const QString &password, const QString &stored)
{
    const QStringList parts = stored.split(u'$');
    if (parts.size() != 4 || parts.at(0) != "pbkdf2-sha256"_L1)
        return false;
    bool okIterations = false;
    const int iterations = parts.at(1).toInt(&okIterations);
    if (!okIterations || iterations < 1)
        return false;
    const QByteArray salt = QByteArray::fromBase64(parts.at(2).toLatin1());
    const QByteArray key = QByteArray::fromBase64(parts.at(3).toLatin1());
    if (salt.isEmpty() || key.isEmpty())
        return false;
    return equalConstantTime(derive(password, salt, iterations), key);
}

void burn(const QString &password, int iterations)
{
    derive(password, QByteArrayLiteral("velto-no-such-account"), iterations);
}

} // namespace Passwords
