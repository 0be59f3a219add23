#pragma once

// Everything a sandbox suite needs: the server, its storage and money, QtTest.
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

// A JSON object written as JSON: R"({"score": 5})"_json; json() for text built at run time.
QJsonObject json(const QString &text);
inline QJsonObject operator""_json(const char *text, size_t size)
{
    return json(QString::fromUtf8(text, qsizetype(size)));
}
// The object with the members of `change` (JSON text) set: the variants of a good body.
QJsonObject merged(QJsonObject object, const char *change);
// The value at a dotted path of members and list indexes: "contract.milestones.0.status".
QJsonValue jsonAt(const QJsonValue &value, const QString &path);

// One answer of the sandbox as a test sees it, with row access on its JSON body.
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
    // The value of the first field of that name in a web page's forms ("csrf": the token).
    QString formField(const QString &name) const;
    // The row of the list at the path with that "id" ({} when none has).
    QJsonObject row(const QString &path, const QJsonValue &id) const;
};

// A person at the sandbox, in-process or not: an own cookie jar, blocking calls, the sandbox's
// own Origin header unless setOrigin() changes it, and the user id once signed in. Paths are
// relative to the sandbox ("api/auth/me") unless they are whole links ("https://…", a mail's).
class SandboxClient
{
public:
    explicit SandboxClient(quint16 port);

    // Any method with a raw body (malformed JSON, huge bodies, …).
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
    // Signs in and sets id and email; the session cookie stays in this jar.
    HttpResult login(const QString &email, const QString &password, const QString &totpCode = {});
    HttpResult login(const DemoAccount &who) { return login(who.email, who.password); }
    // Signs in on the web page `page` (the sign-in form a page sent), as a browser does.
    HttpResult signInOnPage(const HttpResult &page, const QString &email, const QString &password,
                            const QString &totpCode = {});
    // The kinds of this person's notifications, newest first.
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

// The seeded demo account with this e-mail ("client@velto.test"; empty when there is none).
DemoAccount demoAccount(const QString &email);

// The base of every sandbox suite: a seeded in-process sandbox (":memory:", a free port, few
// PBKDF2 iterations) with the usual people signed in, and the steps the suites share. A suite
// that needs more set-up defines its own initTestCase() and calls startSandbox() first.
class SandboxTest : public QObject
{
    Q_OBJECT

protected:
    // Starts the sandbox and signs everyone in; false (with a warning) when anything fails.
    bool startSandbox();
    static SandboxOptions testOptions(const QString &dbPath = u":memory:"_s, bool seed = true);

    // Registers, verifies and signs in a new account of the role ("client" or "freelancer").
    std::unique_ptr<SandboxClient> newPerson(const QString &role);
    // Money from outside the marketplace, straight into the ledger.
    void topUp(const SandboxClient &who, qint64 rupees);
    // Every row of every table but sessions and e-mail tokens: equal before and after a refused
    // request shows that it changed nothing.
    QByteArray fingerprint();

    // Project → publish → proposal → accept with milestones of the given rupee amounts: the
    // contract as the client's "api/contracts" lists it ({} on failure).
    QJsonObject makeContract(SandboxClient &buyer, SandboxClient &seller, const QString &type,
                             const QList<qint64> &milestoneRupees);
    QJsonObject contractOf(SandboxClient &who, qint64 contractId);
    // A tiny well-formed JPEG as a data URL, padded with that many bytes.
    static QString jpegDataUrl(int padding = 0);

    std::unique_ptr<SandboxServer> server;
    // The demo client (₹2,50,000 and seeded records of every kind) and the demo freelancer;
    // a new client and a new freelancer with empty wallets; somebody not signed in.
    std::unique_ptr<SandboxClient> client, freelancer, otherClient, otherFreelancer, anonymous;

private slots:
    void initTestCase();
    // A warning fails the test function that caused it (ignoreMessage announces one on purpose).
    void init();
};
