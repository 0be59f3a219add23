// Projects and proposals of velto-sandbox: posting and publishing, Discover, proposals, and
// accepting a proposal into a contract with milestones; who may do what; bad input.

#include "money.h"
#include "sandboxclient.h"
#include "server.h"

#include <QtTest>

class TestSandboxProjects : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void discoverListsOpenProjectsWithTheirMembers();
    void postPublishProposeAccept();
    void acceptWithOneMilestoneAndDefaultTitle();
    void authorizationMatrix();
    void badInput_data();
    void badInput();
    void injectionTextStoredVerbatim();
    void stateRules();

private:
    qint64 postProject(SandboxClient &client, const QString &title, bool publish = true);
    std::unique_ptr<SandboxServer> server;
    TestCast cast;
    std::unique_ptr<SandboxClient> &client = cast.client;
    std::unique_ptr<SandboxClient> &freelancer = cast.freelancer;
    std::unique_ptr<SandboxClient> &otherClient = cast.otherClient;
    std::unique_ptr<SandboxClient> &otherFreelancer = cast.otherFreelancer;
};

static const QString LongText
    = QStringLiteral("A description that is comfortably longer than thirty characters.");

void TestSandboxProjects::initTestCase()
{
    server = startTestSandbox();
    QVERIFY(server);
    QVERIFY(cast.signIn(*server, "other.client@example.test", "other.freelancer@example.test"));
}

qint64 TestSandboxProjects::postProject(SandboxClient &c, const QString &title, bool publish)
{
    const HttpResult r = c.post("api/projects",
                                {{"title", title},
                                 {"description", LongText},
                                 {"requiredSkills", QJsonArray {"Qt", "C++"}},
                                 {"budget", "25000"},
                                 {"projectType", "fixed"}});
    if (r.status != 201)
        return 0;
    const qint64 id = r.object("project").value("id").toInteger();
    if (publish && c.post(QStringLiteral("api/projects/%1/publish").arg(id)).status != 200)
        return 0;
    return id;
}

void TestSandboxProjects::discoverListsOpenProjectsWithTheirMembers()
{
    const HttpResult r = freelancer->get("api/projects");
    QCOMPARE(r.status, 200);
    const QJsonArray projects = r.list("projects");
    QVERIFY(projects.size() >= 3);
    for (const QJsonValue &v : projects) {
        const QJsonObject p = v.toObject();
        QCOMPARE(p.value("status").toString(), QStringLiteral("open"));
        QVERIFY(p.value("id").toInteger() > 0);
        QVERIFY(!p.value("title").toString().isEmpty());
        QVERIFY(p.value("budget_paise").toInteger() >= 0); // 0: the client named no budget
        QVERIFY(!p.value("description").toString().isEmpty());
        QVERIFY(p.value("required_skills").isArray());
    }
    QCOMPARE(SandboxClient(server->port()).get("api/projects").status, 401);

    const HttpResult mine = client->get("api/my/projects");
    QCOMPARE(mine.status, 200);
    QStringList statuses;
    for (const QJsonValue &v : mine.list("projects"))
        statuses << v.toObject().value("status").toString();
    QVERIFY(statuses.contains("draft"));
    QVERIFY(statuses.contains("open"));
}

void TestSandboxProjects::postPublishProposeAccept()
{
    const HttpResult created = client->post("api/projects",
                                            {{"title", "  Port a tool to Qt 6  "},
                                             {"description", LongText},
                                             {"requiredSkills", QJsonArray {" Qt ", "C++", "Qt"}},
                                             {"budget", "30000"},
                                             {"projectType", "hourly"}});
    QCOMPARE(created.status, 201);
    const QJsonObject project = created.object("project");
    const qint64 id = project.value("id").toInteger();
    QCOMPARE(project.value("status").toString(), QStringLiteral("draft"));
    QCOMPARE(project.value("title").toString(), QStringLiteral("Port a tool to Qt 6"));
    QCOMPARE(project.value("budget_paise").toInteger(), 3000000);
    QCOMPARE(project.value("required_skills").toArray(), (QJsonArray {"Qt", "C++"}));

    auto listed = [&] {
        for (const QJsonValue &v : freelancer->get("api/projects").list("projects"))
            if (v.toObject().value("id").toInteger() == id)
                return true;
        return false;
    };
    QVERIFY(!listed()); // drafts are not offered
    const QString path = QStringLiteral("api/projects/%1").arg(id);
    QCOMPARE(freelancer
                 ->post(path + "/proposals",
                        {{"coverLetter", LongText}, {"amount", "1000"}, {"durationDays", 7}})
                 .status,
             404);
    const HttpResult published = client->post(path + "/publish");
    QCOMPARE(published.status, 200);
    QCOMPARE(published.object("project").value("status").toString(), QStringLiteral("open"));
    QCOMPARE(client->post(path + "/publish").status, 200); // idempotent
    QVERIFY(listed());

    const int unreadBefore
        = int(client->get("api/notifications").json.value("unread_count").toInteger());
    const HttpResult sent
        = freelancer->post(path + "/proposals",
                           {{"coverLetter", LongText}, {"amount", "28000"}, {"durationDays", 20}});
    QCOMPARE(sent.status, 201);
    QCOMPARE(sent.object("proposal").value("status").toString(), QStringLiteral("submitted"));
    QCOMPARE(otherFreelancer
                 ->post(path + "/proposals",
                        {{"coverLetter", LongText}, {"amount", "26000"}, {"durationDays", 14}})
                 .status,
             201);
    QCOMPARE(client->get("api/notifications").json.value("unread_count").toInteger(),
             unreadBefore + 2);
    QCOMPARE(client->get("api/notifications")
                 .list("notifications")
                 .first()
                 .toObject()
                 .value("title")
                 .toString(),
             QStringLiteral("New proposal"));

    const HttpResult props = client->get(path + "/proposals");
    QCOMPARE(props.status, 200);
    const QJsonArray proposals = props.list("proposals");
    QCOMPARE(proposals.size(), 2);
    const QJsonObject first = proposals.first().toObject();
    QCOMPARE(first.value("freelancer_name").toString(), QStringLiteral("Ravi Kumar"));
    QCOMPARE(first.value("amount_paise").toInteger(), 2800000);
    QCOMPARE(first.value("duration_days").toInteger(), 20);
    QCOMPARE(first.value("cover_letter").toString(), LongText);
    QCOMPARE(first.value("status").toString(), QStringLiteral("submitted"));

    const qint64 proposalId = first.value("id").toInteger();
    const qint64 walletsBefore = Money::totalInWallets(server->storage());
    const HttpResult accepted
        = client->post(QStringLiteral("api/proposals/%1/accept").arg(proposalId),
                       {{"milestones",
                         QJsonArray {QJsonObject {{"title", "Design"}, {"amount", "10000"}},
                                     QJsonObject {{"title", "Build"}, {"amount", "18000"}}}}});
    QCOMPARE(accepted.status, 201);
    const QJsonObject contract = accepted.object("contract");
    QCOMPARE(contract.value("contract_type").toString(), QStringLiteral("hourly"));
    QCOMPARE(contract.value("status").toString(), QStringLiteral("active"));
    QCOMPARE(contract.value("total_paise").toInteger(), 2800000);
    QCOMPARE(contract.value("project_title").toString(), QStringLiteral("Port a tool to Qt 6"));
    const QJsonArray milestones = contract.value("milestones").toArray();
    QCOMPARE(milestones.size(), 2);
    QCOMPARE(milestones.at(0).toObject().value("title").toString(), QStringLiteral("Design"));
    QCOMPARE(milestones.at(1).toObject().value("amount_paise").toInteger(), 1800000);
    for (const QJsonValue &m : milestones)
        QCOMPARE(m.toObject().value("status").toString(), QStringLiteral("awaiting_funding"));
    // Accepting moves no money; funding does.
    QCOMPARE(Money::totalInWallets(server->storage()), walletsBefore);

    // The project leaves Discover; the other proposal is declined; the freelancer is told.
    QVERIFY(!listed());
    const QJsonArray after = client->get(path + "/proposals").list("proposals");
    QCOMPARE(after.at(0).toObject().value("status").toString(), QStringLiteral("accepted"));
    QCOMPARE(after.at(1).toObject().value("status").toString(), QStringLiteral("declined"));
    QCOMPARE(freelancer->get("api/notifications")
                 .list("notifications")
                 .first()
                 .toObject()
                 .value("kind")
                 .toString(),
             QStringLiteral("contract_created"));
    QCOMPARE(
        client
            ->post(QStringLiteral("api/proposals/%1/accept").arg(proposalId),
                   {{"milestones", QJsonArray {QJsonObject {{"title", "x"}, {"amount", "1"}}}}})
            .status,
        409);
}

void TestSandboxProjects::acceptWithOneMilestoneAndDefaultTitle()
{
    const qint64 id = postProject(*client, "Single milestone job");
    QVERIFY(id);
    const HttpResult sent
        = freelancer->post(QStringLiteral("api/projects/%1/proposals").arg(id),
                           {{"coverLetter", LongText}, {"amount", "5000"}, {"durationDays", 3}});
    QCOMPARE(sent.status, 201);
    const HttpResult accepted = client->post(
        QStringLiteral("api/proposals/%1/accept")
            .arg(sent.object("proposal").value("id").toInteger()),
        {{"milestones", QJsonArray {QJsonObject {{"title", "   "}, {"amount", "5000"}}}}});
    QCOMPARE(accepted.status, 201);
    const QJsonArray milestones = accepted.object("contract").value("milestones").toArray();
    QCOMPARE(milestones.size(), 1);
    QCOMPARE(milestones.first().toObject().value("title").toString(),
             QStringLiteral("Milestone 1"));
    QCOMPARE(accepted.object("contract").value("contract_type").toString(),
             QStringLiteral("fixed"));
}

void TestSandboxProjects::authorizationMatrix()
{
    const qint64 draft = postProject(*client, "Draft owned by the client", false);
    const qint64 open = postProject(*client, "Open project owned by the client");
    QVERIFY(draft && open);
    const HttpResult sent
        = freelancer->post(QStringLiteral("api/projects/%1/proposals").arg(open),
                           {{"coverLetter", LongText}, {"amount", "5000"}, {"durationDays", 3}});
    QCOMPARE(sent.status, 201);
    const qint64 proposal = sent.object("proposal").value("id").toInteger();
    const QJsonObject newProject {{"title", "Freelancers cannot post"},
                                  {"description", LongText},
                                  {"requiredSkills", QJsonArray()},
                                  {"budget", "100"},
                                  {"projectType", "fixed"}};
    const QJsonObject milestones {
        {"milestones", QJsonArray {QJsonObject {{"title", "M"}, {"amount", "100"}}}}};
    const QJsonObject aProposal {{"coverLetter", LongText}, {"amount", "100"}, {"durationDays", 2}};

    struct Case
    {
        SandboxClient *who;
        QByteArray method;
        QString path;
        QJsonObject body;
        int status;
    };
    SandboxClient anonymous(server->port());
    const QList<Case> cases = {
        {&anonymous, "POST", "api/projects", newProject, 401},
        {freelancer.get(), "POST", "api/projects", newProject, 403},
        {freelancer.get(), "GET", "api/my/projects", {}, 403},
        {freelancer.get(), "POST", QStringLiteral("api/projects/%1/publish").arg(draft), {}, 403},
        {otherClient.get(), "POST", QStringLiteral("api/projects/%1/publish").arg(draft), {}, 404},
        {freelancer.get(), "GET", QStringLiteral("api/projects/%1/proposals").arg(open), {}, 403},
        {otherClient.get(), "GET", QStringLiteral("api/projects/%1/proposals").arg(open), {}, 404},
        {client.get(), "POST", QStringLiteral("api/projects/%1/proposals").arg(open), aProposal,
         403},
        {otherClient.get(), "POST", QStringLiteral("api/proposals/%1/accept").arg(proposal),
         milestones, 404},
        {freelancer.get(), "POST", QStringLiteral("api/proposals/%1/accept").arg(proposal),
         milestones, 403},
        {&anonymous, "POST", QStringLiteral("api/proposals/%1/accept").arg(proposal), milestones,
         401},
    };
    const QByteArray before = databaseFingerprint(*server);
    for (const Case &c : cases) {
        const HttpResult r = c.who->send(
            c.method, c.path, c.method == "GET" ? QByteArray() : QJsonDocument(c.body).toJson());
        QVERIFY2(r.status == c.status,
                 qPrintable(QStringLiteral("%1 %2 → %3").arg(c.method, c.path).arg(r.status)));
        QVERIFY(!r.error().isEmpty());
    }
    QCOMPARE(databaseFingerprint(*server), before);
    // Other clients never see a draft in their lists either.
    for (const QJsonValue &v : otherClient->get("api/my/projects").list("projects"))
        QVERIFY(v.toObject().value("id").toInteger() != draft);
}

void TestSandboxProjects::badInput_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QJsonObject>("body");
    QTest::addColumn<int>("status");
    const QJsonObject project {{"title", "A valid project title"},
                               {"description", LongText},
                               {"requiredSkills", QJsonArray {"Qt"}},
                               {"budget", "1500"},
                               {"projectType", "fixed"}};
    auto p = [&](const char *member, const QJsonValue &value) {
        QJsonObject o = project;
        if (value.isUndefined())
            o.remove(QLatin1String(member));
        else
            o.insert(QLatin1String(member), value);
        return o;
    };
    const QString create = "api/projects";
    QTest::newRow("budget letters") << create << p("budget", "abc") << 400;
    QTest::newRow("budget negative") << create << p("budget", "-5") << 400;
    QTest::newRow("budget decimal") << create << p("budget", "1500.50") << 400;
    QTest::newRow("budget blank-led") << create << p("budget", " 1500") << 400;
    QTest::newRow("budget exponent") << create << p("budget", "1e5") << 400;
    QTest::newRow("budget zero") << create << p("budget", "0") << 400;
    QTest::newRow("budget empty") << create << p("budget", "") << 400;
    QTest::newRow("budget huge") << create << p("budget", "99999999999999999999") << 400;
    QTest::newRow("budget above bound") << create << p("budget", "10000001") << 400;
    QTest::newRow("budget as number") << create << p("budget", 1500) << 400;
    QTest::newRow("budget missing") << create << p("budget", QJsonValue::Undefined) << 400;
    QTest::newRow("title short") << create << p("title", "  abcd ") << 400;
    QTest::newRow("title number") << create << p("title", 12345) << 400;
    QTest::newRow("description short") << create << p("description", QString(29, 'x')) << 400;
    QTest::newRow("skills text") << create << p("requiredSkills", "Qt, C++") << 400;
    QTest::newRow("skills numbers") << create << p("requiredSkills", QJsonArray {1, 2}) << 400;
    QTest::newRow("type weekly") << create << p("projectType", "weekly") << 400;
    QTest::newRow("type missing") << create << p("projectType", QJsonValue::Undefined) << 400;

    const QJsonObject proposal {{"coverLetter", LongText}, {"amount", "100"}, {"durationDays", 5}};
    auto q = [&](const char *member, const QJsonValue &value) {
        QJsonObject o = proposal;
        o.insert(QLatin1String(member), value);
        return o;
    };
    const QString propose = "api/projects/1/proposals"; // seeded, open, freelancer2 proposed
    QTest::newRow("days negative") << propose << q("durationDays", -3) << 400;
    QTest::newRow("days text") << propose << q("durationDays", "14") << 400;
    QTest::newRow("days fraction") << propose << q("durationDays", 2.5) << 400;
    QTest::newRow("cover short") << propose << q("coverLetter", "too short") << 400;
    QTest::newRow("amount padded") << propose << q("amount", "100 ") << 400;
    QTest::newRow("non-numeric id") << "api/projects/abc/proposals" << proposal << 404;
    QTest::newRow("negative id") << "api/projects/-1/proposals" << proposal << 404;
    QTest::newRow("unknown id") << "api/projects/999999/proposals" << proposal << 404;
    QTest::newRow("injection id") << "api/projects/1%20OR%201=1/proposals" << proposal << 404;
}

void TestSandboxProjects::badInput()
{
    QFETCH(QString, path);
    QFETCH(QJsonObject, body);
    QFETCH(int, status);
    SandboxClient &who = path == QLatin1String("api/projects") ? *client : *otherFreelancer;
    const QByteArray before = databaseFingerprint(*server);
    const HttpResult r = who.post(path, body);
    QCOMPARE(r.status, status);
    QVERIFY(!r.error().isEmpty());
    QCOMPARE(databaseFingerprint(*server), before);
}

void TestSandboxProjects::injectionTextStoredVerbatim()
{
    // Placeholders in user text must reach the notifications as typed, not be filled in.
    const QString evil = QStringLiteral("x'); DELETE FROM projects; -- \" OR 1=1 %2 %3 ");
    const QString title = evil.trimmed();
    const QString description = evil + QString(30, QLatin1Char('.'));
    const HttpResult r = client->post("api/projects",
                                      {{"title", title},
                                       {"description", description},
                                       {"requiredSkills", QJsonArray {"'; DROP TABLE users; --"}},
                                       {"budget", "500"},
                                       {"projectType", "fixed"}});
    QCOMPARE(r.status, 201);
    const qint64 id = r.object("project").value("id").toInteger();
    QCOMPARE(client->post(QStringLiteral("api/projects/%1/publish").arg(id)).status, 200);
    const HttpResult proposal = otherFreelancer->post(
        QStringLiteral("api/projects/%1/proposals").arg(id),
        {{"coverLetter", description}, {"amount", "500"}, {"durationDays", 1}});
    QCOMPARE(proposal.status, 201);
    const QString told = client->get("api/notifications")
                             .list("notifications")
                             .first()
                             .toObject()
                             .value("body")
                             .toString();
    QVERIFY2(told.contains(QStringLiteral("“%1”").arg(title)), qPrintable(told));
    bool found = false;
    for (const QJsonValue &v : freelancer->get("api/projects").list("projects")) {
        const QJsonObject p = v.toObject();
        if (p.value("id").toInteger() != id)
            continue;
        found = true;
        QCOMPARE(p.value("title").toString(), title);
        QCOMPARE(p.value("description").toString(), description.trimmed());
        QCOMPARE(p.value("required_skills").toArray(), QJsonArray {"'; DROP TABLE users; --"});
    }
    QVERIFY(found);
    QCOMPARE(client->get(QStringLiteral("api/projects/%1/proposals").arg(id))
                 .list("proposals")
                 .first()
                 .toObject()
                 .value("cover_letter")
                 .toString(),
             description.trimmed());
    QVERIFY(client->get("api/my/projects").list("projects").size() > 3);
}

void TestSandboxProjects::stateRules()
{
    const qint64 id = postProject(*client, "Project for the state rules");
    QVERIFY(id);
    const QString path = QStringLiteral("api/projects/%1/proposals").arg(id);
    const QJsonObject body {{"coverLetter", LongText}, {"amount", "700"}, {"durationDays", 4}};
    QCOMPARE(freelancer->post(path, body).status, 201);
    QCOMPARE(freelancer->post(path, body).status, 409); // one proposal per freelancer
    const qint64 proposal
        = client->get(path).list("proposals").first().toObject().value("id").toInteger();
    const QString accept = QStringLiteral("api/proposals/%1/accept").arg(proposal);
    const QByteArray before = databaseFingerprint(*server);
    QCOMPARE(client->post(accept, {{"milestones", QJsonArray()}}).status, 400);
    QCOMPARE(client->post(accept, {{"milestones", QJsonArray {1}}}).status, 400);
    const QJsonObject m {{"title", "M"}, {"amount", "100"}};
    QCOMPARE(client->post(accept, {{"milestones", QJsonArray {m, m, m}}}).status, 400);
    QCOMPARE(
        client->post(accept, {{"milestones", QJsonArray {QJsonObject {{"title", "M"}}}}}).status,
        400);
    QCOMPARE(
        client
            ->post(accept,
                   {{"milestones", QJsonArray {m, QJsonObject {{"title", "M2"}, {"amount", "0"}}}}})
            .status,
        400);
    QCOMPARE(client->post(accept, {{"milestones", "M"}}).status, 400);
    QCOMPARE(client->post(accept, {}).status, 400);
    QCOMPARE(databaseFingerprint(*server), before);
    const QString evil = QStringLiteral("M'); UPDATE milestones SET status='paid';--");
    const HttpResult accepted = client->post(
        accept, {{"milestones", QJsonArray {QJsonObject {{"title", evil}, {"amount", "100"}}}}});
    QCOMPARE(accepted.status, 201);
    QCOMPARE(accepted.object("contract")
                 .value("milestones")
                 .toArray()
                 .first()
                 .toObject()
                 .value("title")
                 .toString(),
             evil);
    // Once awarded, the project takes no more proposals and cannot be published again.
    QCOMPARE(otherFreelancer->post(path, body).status, 409);
    QCOMPARE(client->post(QStringLiteral("api/projects/%1/publish").arg(id)).status, 409);
}

QTEST_GUILESS_MAIN(TestSandboxProjects)
#include "tst_sandbox_projects.moc"
