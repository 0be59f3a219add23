#pragma once

#include <QByteArray>
#include <QJsonArray>
#include <QJsonObject>
#include <QList>
#include <QNetworkAccessManager>
#include <QPair>
#include <QString>
#include <memory>

class SandboxServer;

// One answer of the sandbox as a test sees it.
struct HttpResult
{
    int status = 0; // 0: no HTTP answer
    QJsonObject json; // the body when it is a JSON object, else {}
    QByteArray raw;
    QList<QPair<QByteArray, QByteArray>> headers;

    QByteArray header(const QByteArray &name) const;
    QString error() const { return json.value(QStringLiteral("error")).toString(); }
    QJsonArray list(const QString &member) const { return json.value(member).toArray(); }
    QJsonObject object(const QString &member) const { return json.value(member).toObject(); }
};

// Starts an in-process sandbox for a test: port 0, in-memory database, few PBKDF2 iterations,
// nothing printed. Returns null (and fails the caller's QVERIFY) when it cannot start.
std::unique_ptr<SandboxServer> startTestSandbox(bool seed = true);

// A person at the sandbox: its own cookie jar, trusting the development CA, blocking calls.
// Requests carry the sandbox's own Origin header unless setOrigin() changes it.
class SandboxClient
{
public:
    explicit SandboxClient(quint16 port);

    HttpResult get(const QString &path);
    HttpResult post(const QString &path, const QJsonObject &body = {});
    HttpResult put(const QString &path, const QJsonObject &body = {});
    HttpResult del(const QString &path);
    // Any method with a raw body (malformed JSON, huge bodies, …).
    HttpResult send(const QByteArray &method, const QString &path, const QByteArray &body);

    // Signs in; the session cookie stays in this client's jar. Status 200 on success.
    HttpResult login(const QString &email, const QString &password,
                     const QString &totpCode = QString());
    // Registers, follows the printed verification link and signs in; returns the user record.
    QJsonObject signUp(SandboxServer &server, const QString &email, const QString &role,
                       const QString &fullName = QStringLiteral("Test Person"));

    // The kinds of this person's notifications, newest first.
    QStringList notificationKinds();

    // Origin header to send; empty sends none.
    void setOrigin(const QByteArray &origin) { originHeader = origin; }
    QString origin() const { return base; }
    QNetworkAccessManager &network() { return nam; }

    static const QString ClientEmail;
    static const QString ClientPassword;
    static const QString FreelancerEmail;
    static const QString FreelancerPassword;
    static const QString TwoFactorEmail;
    static const QString TwoFactorPassword;
    static const QString TwoFactorSecret;

private:
    QNetworkAccessManager nam;
    QString base;
    QByteArray originHeader;
};

// The people most tests need: the demo client and freelancer signed in, and a new client and a
// new freelancer registered, verified and signed in under the given e-mails.
struct TestCast
{
    std::unique_ptr<SandboxClient> client, freelancer, otherClient, otherFreelancer;
    qint64 otherClientId = 0;
    qint64 otherFreelancerId = 0;
    // False when any of them could not sign in.
    bool signIn(SandboxServer &server, const QString &otherClientEmail,
                const QString &otherFreelancerEmail);
};

// The object with one member replaced, or removed when the value is undefined: the variants of a
// good request body in bad-input tables.
QJsonObject withMember(QJsonObject object, const char *member, const QJsonValue &value);

// A POST that must be refused: who sends it, where, with what, and the status it must get.
struct RefusedPost
{
    const char *name;
    SandboxClient *who;
    QString path;
    QJsonObject body;
    int status;
};
// Sends each one; "" when every one got its status and an `error` text, else what went wrong.
QString postRefusals(const QList<RefusedPost> &cases);

// Every row of every table except sessions and e-mail tokens, as text: equal fingerprints
// before and after a refused request show that it changed nothing.
QByteArray databaseFingerprint(SandboxServer &server);

// Installs the development CA into the default TLS configuration (once per process).
void trustDevelopmentCa();
