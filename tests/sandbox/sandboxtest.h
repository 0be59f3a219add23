#pragma once

#include "../failonwarnings.h"
#include "money.h"
#include "seed.h"
#include "server.h"

#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QtTest>
#include <memory>

using namespace Qt::StringLiterals;

// R"({"score": 5})"_json; json() for text built at run time.
QJsonObject json(const QString &text);
inline QJsonObject operator""_json(const char *text, size_t size)
{
    return json(QString::fromUtf8(text, qsizetype(size)));
}
// The object with the members of `change` (JSON text) set.
QJsonObject merged(QJsonObject object, const char *change);
// The value at a dotted path of members and list indexes: "contract.milestones.0.status".
QJsonValue jsonAt(const QJsonValue &value, const QString &path);

struct HttpResult
{
    int status = 0; // 0: no HTTP answer
    QJsonObject json; // the body when it is a JSON object, else {}
    QByteArray raw;
    QHash<QByteArray, QByteArray> headers; // names in lower case

    QByteArray header(const QByteArray &name) const { return headers.value(name.toLower()); }
    QString error() const { return json.value(u"error"_s).toString(); }
    QJsonValue at(const QString &path) const { return jsonAt(json, path); }
    QString text(const QString &path) const { return at(path).toString(); }
    qint64 number(const QString &path) const { return at(path).toInteger(); }
    bool flag(const QString &path) const { return at(path).toBool(); }
    QJsonArray list(const QString &path) const { return at(path).toArray(); }
    qint64 id(const QString &path) const { return number(path + u".id"_s); }
    // The value of the first field of that name in a web page's forms.
    QString formField(const QString &name) const;
    // The row of the list at the path with that "id" ({} when none has).
    QJsonObject row(const QString &path, const QJsonValue &id) const;
};

// A person at the sandbox: an own cookie jar, blocking calls, paths relative unless whole links.
class SandboxClient
{
public:
    explicit SandboxClient(quint16 port);

    HttpResult send(const QByteArray &method, const QString &path, const QByteArray &body,
                    const QByteArray &type = "application/json");
    // A web page's form, posted as a browser posts it; redirects are followed.
    HttpResult form(const QString &path, const QList<QPair<QString, QString>> &fields);
    HttpResult get(const QString &path) { return send("GET", path, {}); }
    HttpResult del(const QString &path) { return send("DELETE", path, {}); }
    HttpResult post(const QString &path, const QJsonObject &body = {})
    {
        return send("POST", path, QJsonDocument(body).toJson(QJsonDocument::Compact));
    }
    HttpResult put(const QString &path, const QJsonObject &body)
    {
        return send("PUT", path, QJsonDocument(body).toJson(QJsonDocument::Compact));
    }
    // Sets id and email once signed in.
    HttpResult login(const QString &email, const QString &password, const QString &totpCode = {});
    HttpResult login(const DemoAccount &who) { return login(who.email, who.password); }
    // Signs in with the sign-in form `page` sent.
    HttpResult signInOnPage(const HttpResult &page, const QString &email, const QString &password,
                            const QString &totpCode = {});
    // Newest first.
    QStringList notificationKinds();
    qint64 balance() { return get(u"api/wallet"_s).number(u"wallet.balance_paise"_s); }

    void setOrigin(const QByteArray &origin) { originHeader = origin; }
    QString origin() const { return base; }
    QNetworkAccessManager &network() { return nam; }

    qint64 id = 0;
    QString email;
    QHash<QByteArray, QByteArray> headers; // sent with every request

private:
    QNetworkAccessManager nam;
    QString base;
    QByteArray originHeader;
};

DemoAccount demoAccount(const QString &email);

// A seeded sandbox, the usual people signed in; an own initTestCase() calls startSandbox() first.
class SandboxTest : public QObject
{
    Q_OBJECT

protected:
    bool startSandbox(); // false (with a warning) when anything fails
    static SandboxOptions testOptions(const QString &dbPath = u":memory:"_s, bool seed = true);

    // A new account of the role, verified and signed in.
    std::unique_ptr<SandboxClient> newPerson(const QString &role);
    void topUp(const SandboxClient &who, qint64 rupees);
    // Every row but sessions and e-mail tokens: a refused request leaves it as it was.
    QByteArray fingerprint();

    // An accepted proposal's contract with milestones of these rupee amounts ({} on failure).
    QJsonObject makeContract(SandboxClient &buyer, SandboxClient &seller, const QString &type,
                             const QList<qint64> &milestoneRupees);
    // A tiny well-formed JPEG, padded with that many bytes.
    static QString jpegDataUrl(int padding = 0);

    std::unique_ptr<SandboxServer> server;
    // The demo client (₹2,50,000, records of every kind) and freelancer; new ones, empty wallets.
    std::unique_ptr<SandboxClient> client, freelancer, otherClient, otherFreelancer, anonymous;

private slots:
    void initTestCase() { QVERIFY(startSandbox()); }
    void init() { QTest::failOnWarning(failingWarnings()); }
};
