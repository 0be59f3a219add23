#include "marketfixtures.h"

#include "money.h"
#include "server.h"
#include "storage.h"

#include <QJsonArray>

namespace {
int personCounter = 0;
}

Person newPerson(SandboxServer &server, const QString &role)
{
    Person p;
    p.http = std::make_unique<SandboxClient>(server.port());
    const QString email = QStringLiteral("%1.%2@tests.velto.test").arg(role).arg(++personCounter);
    const QJsonObject user
        = p->signUp(server, email, role, QStringLiteral("%1 %2").arg(role).arg(personCounter));
    p.id = user.value(QStringLiteral("id")).toInteger();
    return p;
}

Person demoPerson(SandboxServer &server, const QString &email, const QString &password)
{
    Person p;
    p.http = std::make_unique<SandboxClient>(server.port());
    const HttpResult r = p->login(email, password);
    p.id = r.object(QStringLiteral("user")).value(QStringLiteral("id")).toInteger();
    return p;
}

void topUp(SandboxServer &server, qint64 userId, qint64 rupees)
{
    Storage::Transaction t(server.storage());
    Money::deposit(server.storage(), userId, rupees * Money::PaisePerRupee,
                   QStringLiteral("Test top-up"));
    t.commit();
}

qint64 balance(SandboxServer &server, qint64 userId)
{
    return Money::balance(server.storage(), userId);
}

qint64 walletsPlusEscrow(SandboxServer &server)
{
    return Money::totalInWallets(server.storage()) + Money::totalHeld(server.storage());
}

qint64 publishGig(SandboxClient &freelancer, const QList<QPair<QString, qint64>> &tierRupees,
                  const QString &title)
{
    QJsonArray packages;
    for (const auto &p : tierRupees)
        packages.append(
            QJsonObject {{QStringLiteral("tier"), p.first},
                         {QStringLiteral("label"), p.first.left(1).toUpper() + p.first.mid(1)},
                         {QStringLiteral("description"), p.first + QStringLiteral(" package")},
                         {QStringLiteral("price_paise"), p.second * 100},
                         {QStringLiteral("delivery_days"), 7}});
    const HttpResult r = freelancer.post(
        QStringLiteral("api/gigs"),
        {{QStringLiteral("title"), title},
         {QStringLiteral("description"),
          QStringLiteral("A description of at least fifty characters for the test gig.")},
         {QStringLiteral("skills"), QJsonArray {QStringLiteral("Qt")}},
         {QStringLiteral("deliveryDays"), 7},
         {QStringLiteral("packages"), packages},
         {QStringLiteral("status"), QStringLiteral("active")}});
    if (r.status != 201)
        return 0;
    return r.object(QStringLiteral("gig")).value(QStringLiteral("id")).toInteger();
}

QJsonObject makeContract(SandboxClient &client, SandboxClient &freelancer, const QString &type,
                         const QList<qint64> &milestoneRupees)
{
    qint64 total = 0;
    QJsonArray milestones;
    for (int i = 0; i < milestoneRupees.size(); ++i) {
        total += milestoneRupees.at(i);
        milestones.append(QJsonObject {
            {QStringLiteral("title"), QStringLiteral("Milestone number %1").arg(i + 1)},
            {QStringLiteral("amount"), QString::number(milestoneRupees.at(i))}});
    }
    const HttpResult project
        = client.post(QStringLiteral("api/projects"),
                      {{QStringLiteral("title"), QStringLiteral("A project for contract tests")},
                       {QStringLiteral("description"),
                        QStringLiteral("A description that is long enough for the project form.")},
                       {QStringLiteral("requiredSkills"), QJsonArray {QStringLiteral("C++")}},
                       {QStringLiteral("budget"), QString::number(total)},
                       {QStringLiteral("projectType"), type}});
    const QString projectId = QString::number(
        project.object(QStringLiteral("project")).value(QStringLiteral("id")).toInteger());
    if (client.post(QStringLiteral("api/projects/%1/publish").arg(projectId)).status != 200)
        return {};
    const HttpResult proposal = freelancer.post(
        QStringLiteral("api/projects/%1/proposals").arg(projectId),
        {{QStringLiteral("coverLetter"),
          QStringLiteral("A cover letter that is comfortably longer than thirty characters.")},
         {QStringLiteral("amount"), QString::number(total)},
         {QStringLiteral("durationDays"), 10}});
    const qint64 proposalId
        = proposal.object(QStringLiteral("proposal")).value(QStringLiteral("id")).toInteger();
    const HttpResult accepted
        = client.post(QStringLiteral("api/proposals/%1/accept").arg(proposalId),
                      {{QStringLiteral("milestones"), milestones}});
    if (accepted.status != 201)
        return {};
    return contractOf(
        client,
        accepted.object(QStringLiteral("contract")).value(QStringLiteral("id")).toInteger());
}

QJsonObject contractOf(SandboxClient &person, qint64 contractId)
{
    const HttpResult r = person.get(QStringLiteral("api/contracts"));
    for (const QJsonValue &c : r.list(QStringLiteral("contracts"))) {
        if (c.toObject().value(QStringLiteral("id")).toInteger() == contractId)
            return c.toObject();
    }
    return {};
}

qint64 milestoneId(const QJsonObject &contract, int index)
{
    return contract.value(QStringLiteral("milestones"))
        .toArray()
        .at(index)
        .toObject()
        .value(QStringLiteral("id"))
        .toInteger();
}

QString jpegDataUrl()
{
    // Start of image, a JFIF header, end of image: enough for the sandbox's JPEG check.
    static const QByteArray jpeg
        = QByteArray::fromHex("ffd8ffe000104a46494600010100000100010000ffd9");
    return QStringLiteral("data:image/jpeg;base64,") + QString::fromLatin1(jpeg.toBase64());
}

qint64 rowCount(SandboxServer &server, const QString &table)
{
    // Table names come from the tests themselves.
    return server.storage()
        .scalar(QStringLiteral("SELECT COUNT(*) FROM \"%1\"").arg(table))
        .toLongLong();
}
