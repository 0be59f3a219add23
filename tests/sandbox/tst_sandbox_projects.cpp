// Projects and proposals of velto-sandbox: from draft to contract.

#include "sandboxtest.h"

class TestSandboxProjects : public SandboxTest
{
    Q_OBJECT

private slots:
    void draftPublishProposeAccept();

private:
    QJsonObject project(const char *change = "{}")
    {
        return merged(R"({"title": "  Port a tool to Qt 6  ", "budget": "30000",
            "description": "A description that is comfortably longer than thirty characters.",
            "requiredSkills": [" Qt ", "C++", "Qt"], "projectType": "hourly"})"_json,
                      change);
    }
    HttpResult propose(SandboxClient &who, qint64 project, int rupees = 5000)
    {
        return who.post(u"api/projects/%1/proposals"_s.arg(project),
                        json(uR"({"amount": "%1",
            "coverLetter": "A cover letter comfortably longer than thirty.", "durationDays": 20})"_s
                                 .arg(rupees)));
    }
    HttpResult accept(SandboxClient &who, qint64 proposal, const QString &milestones)
    {
        return who.post(u"api/proposals/%1/accept"_s.arg(proposal),
                        json(u"{\"milestones\": %1}"_s.arg(milestones)));
    }
};

void TestSandboxProjects::draftPublishProposeAccept()
{
    const qint64 id = client->post(u"api/projects"_s, project()).id(u"project"_s);
    const QString path = u"api/projects/%1"_s.arg(id);
    const QJsonObject draft = client->get(u"api/my/projects"_s).row(u"projects"_s, id);
    QCOMPARE(draft[u"status"_s].toString(), u"draft"_s);
    QCOMPARE(draft[u"required_skills"_s].toArray(), (QJsonArray {u"Qt"_s, u"C++"_s}));
    auto offered
        = [&] { return !freelancer->get(u"api/projects"_s).row(u"projects"_s, id).isEmpty(); };
    QVERIFY(!offered());
    QCOMPARE(propose(*freelancer, id).status, 404);
    for (const char *refused : {R"({"requiredSkills": [1]})", R"({"projectType": "weekly"})"})
        QVERIFY2(client->post(u"api/projects"_s, project(refused)).status == 400, refused);
    QCOMPARE(client->post(path + u"/publish"_s).text(u"project.status"_s), u"open"_s);
    QCOMPARE(client->post(path + u"/publish"_s).status, 200); // again: no change
    QVERIFY(offered());

    const qint64 mine = propose(*freelancer, id, 28000).id(u"proposal"_s);
    QCOMPARE(propose(*freelancer, id).status, 409); // one proposal per freelancer
    QCOMPARE(propose(*otherFreelancer, id, 26000).status, 201);
    QCOMPARE(client->notificationKinds().mid(0, 2), QStringList(2, u"proposal_received"_s));

    for (const char *refused : {
             "[]", R"([{"amount": "1"}, {"amount": "1"}, {"amount": "1"}])", "[1]",
             R"([{"title": "No amount"}])", R"("M")",
             R"([{"amount": "100"}, {"amount": "0"}])", // refused by the money rule
         })
        QVERIFY2(accept(*client, mine, QString::fromLatin1(refused)).status == 400, refused);
    const qint64 wallets = Money::totalInWallets(server->storage());
    const QString milestones = uR"([{"title": "  ", "amount": "10000"},
                                    {"title": "Build", "amount": "18000"}])"_s;
    const HttpResult contract = accept(*client, mine, milestones);
    QCOMPARE(contract.text(u"contract.milestones.0.title"_s), u"Milestone 1"_s); // untitled
    QCOMPARE(contract.text(u"contract.contract_type"_s), u"hourly"_s); // the project's type
    QCOMPARE(contract.number(u"contract.total_paise"_s), 2800000);
    QCOMPARE(Money::totalInWallets(server->storage()), wallets);
    QCOMPARE(freelancer->notificationKinds().value(0), u"contract_created"_s);

    const HttpResult after = client->get(path + u"/proposals"_s);
    QCOMPARE(after.text(u"proposals.0.status"_s), u"accepted"_s);
    QCOMPARE(after.text(u"proposals.1.status"_s), u"declined"_s);
    QVERIFY(!offered());
    QCOMPARE(accept(*client, mine, milestones).status, 409);
    QCOMPARE(propose(*newPerson(u"freelancer"_s), id).status, 409);
    QCOMPARE(client->post(path + u"/publish"_s).status, 409);
}

QTEST_GUILESS_MAIN(TestSandboxProjects)
#include "tst_sandbox_projects.moc"
