#include "forms.h"

#include "sessions.h"

#include <QCryptographicHash>
#include <QMessageAuthenticationCode>

using namespace Qt::StringLiterals;

namespace Web {

namespace {

constexpr char SecretCookie[] = "velto_form";

// The browser's secret: its session while it has one, so that a sign-in or sign-out changes the
// token; "" when it has neither.
QString secretOf(const Request &req)
{
    const QString secret
        = req.userId ? req.sessionToken : cookieValue(req.cookieHeader, QByteArray(SecretCookie));
    return secret.size() == 64 ? secret : QString();
}

QByteArray tokenFor(const QString &secret)
{
    return QMessageAuthenticationCode::hash("velto forms", secret.toLatin1(),
                                            QCryptographicHash::Sha256)
        .toHex();
}

} // namespace

QString cookieValue(const QByteArray &cookieHeader, const QByteArray &name)
{
    for (const QByteArray &part : cookieHeader.split(';')) {
        const QByteArray p = part.trimmed();
        if (p.startsWith(name + '='))
            return QString::fromLatin1(p.mid(name.size() + 1));
    }
    return QString();
}

QJsonObject formFields(const QByteArray &body)
{
    auto decode = [](QByteArray text) {
        return QString::fromUtf8(QByteArray::fromPercentEncoding(text.replace('+', ' ')));
    };
    QJsonObject fields;
    for (const QByteArray &pair : body.split('&')) {
        const qsizetype equals = pair.indexOf('=');
        const QString name = decode(pair.left(equals < 0 ? pair.size() : equals));
        if (!name.isEmpty() && !fields.contains(name))
            fields.insert(name, equals < 0 ? QString() : decode(pair.mid(equals + 1)));
    }
    return fields;
}

QString formToken(const Request &req, QByteArray *setCookie)
{
    QString secret = secretOf(req);
    if (secret.isEmpty()) {
        secret = Sessions::randomToken();
        *setCookie = QByteArray(SecretCookie) + '=' + secret.toLatin1()
            + "; Secure; HttpOnly; SameSite=Strict; Path=/";
    }
    return QString::fromLatin1(tokenFor(secret));
}

void requireFormToken(const Request &req)
{
    const QString secret = secretOf(req);
    const QByteArray sent = req.body.value(u"csrf"_s).toString().toLatin1();
    const QByteArray expected = secret.isEmpty() ? QByteArray() : tokenFor(secret);
    // Compared in full whatever differs first: the time taken tells nothing about the token.
    int differs = sent.size() != expected.size() || expected.isEmpty();
    for (qsizetype i = 0; i < qMin(sent.size(), expected.size()); ++i)
        differs |= sent.at(i) ^ expected.at(i);
    if (differs)
        fail(403,
             u"This form has expired or did not come from this site; reload the page and "
             "try again"_s);
}

} // namespace Web
