#include "trustedca.h"

#include <QFile>
#include <QSslCertificate>
#include <QSslConfiguration>

int installEmbeddedCa()
{
    QFile pem(QStringLiteral(":/velto/certs/extra-ca.pem"));
    if (!pem.open(QIODevice::ReadOnly))
        return 0;
    const QList<QSslCertificate> certs = QSslCertificate::fromData(pem.readAll(), QSsl::Pem);
    if (certs.isEmpty())
        return 0;
    QSslConfiguration config = QSslConfiguration::defaultConfiguration();
    config.addCaCertificates(certs);
    QSslConfiguration::setDefaultConfiguration(config);
    return int(certs.size());
}
