// Skill assessments on velto-sandbox: the catalogue, starting an exam (a skill whose name needs
// percent-encoding, levels in order, a fee answered with `razorpay`), the questions with the
// clock, proctoring events, scoring with the 60 % pass mark, manual review after more than five
// violations, badges, forfeits and late submissions, authorization and bad input.

#include "exambank.h"
#include "marketfixtures.h"
#include "server.h"
#include "storage.h"

#include <QJsonArray>
#include <QtTest>

class TestSandboxAssessments : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void catalogueForANewcomer();
    void passEarnsTheBadgeAndOpensTheNextLevel();
    void passMarkIsSixtyPercent();
    void moreThanFiveViolationsGoToReview();
    void proctoringEventsAreStored();
    void feeLevelAnswersRazorpay();
    void startRefusals();
    void forfeitAndLateSubmission();
    void authorizationMatrix();
    void submitBadInput_data();
    void submitBadInput();

private:
    // Starts skill/level (path-encoded) for who; returns the attempt id or 0.
    qint64 start(SandboxClient &who, const QString &encodedSkill, int level);
    // Answers: the first `right` questions right, the rest wrong.
    QJsonObject answers(const QString &skill, int level, int right);
    QJsonObject catalogueRow(SandboxClient &who, const QString &skill);

    std::unique_ptr<SandboxServer> server;
    Person client;
    Person badInputPerson;
    qint64 badInputAttempt = 0;
};

void TestSandboxAssessments::initTestCase()
{
    server = startTestSandbox();
    QVERIFY(server);
    client = newPerson(*server, QStringLiteral("client"));
}

qint64 TestSandboxAssessments::start(SandboxClient &who, const QString &encodedSkill, int level)
{
    // One multi-argument arg(): the encoded skill holds "%2"-like sequences itself.
    const HttpResult r = who.post(
        QStringLiteral("api/assessments/%1/%2/start").arg(encodedSkill, QString::number(level)));
    if (r.status != 201 && r.status != 200)
        return 0;
    return r.object(QStringLiteral("attempt")).value(QStringLiteral("id")).toInteger();
}

QJsonObject TestSandboxAssessments::answers(const QString &skill, int level, int right)
{
    const ExamBank::Level *l = ExamBank::findLevel(*ExamBank::findSkill(skill), level);
    QJsonObject a;
    for (int i = 0; i < l->questions.size(); ++i) {
        const ExamBank::Question &q = l->questions.at(i);
        const QString wrong
            = q.correctKey == QLatin1String("a") ? QStringLiteral("b") : QStringLiteral("a");
        a.insert(q.id, i < right ? q.correctKey : wrong);
    }
    return a;
}

QJsonObject TestSandboxAssessments::catalogueRow(SandboxClient &who, const QString &skill)
{
    for (const QJsonValue &row :
         who.get(QStringLiteral("api/assessments/available")).list(QStringLiteral("assessments")))
        if (row.toObject().value(QStringLiteral("skill")).toString() == skill)
            return row.toObject();
    return {};
}

void TestSandboxAssessments::catalogueForANewcomer()
{
    Person f = newPerson(*server, QStringLiteral("freelancer"));
    const HttpResult r = f->get(QStringLiteral("api/assessments/available"));
    QCOMPARE(r.status, 200);
    QVERIFY(r.json.value(QStringLiteral("badges")).isArray());
    QCOMPARE(r.list(QStringLiteral("badges")).size(), 0);
    const QJsonArray rows = r.list(QStringLiteral("assessments"));
    QCOMPARE(rows.size(), ExamBank::skills().size());
    QStringList skills;
    for (const QJsonValue &v : rows) {
        const QJsonObject row = v.toObject();
        skills << row.value(QStringLiteral("skill")).toString();
        QCOMPARE(row.value(QStringLiteral("badgeLevel")).toInt(), 0);
        QCOMPARE(row.value(QStringLiteral("nextLevel")).toInt(), 1);
        QCOMPARE(row.value(QStringLiteral("feePaise")).toInteger(), 0);
    }
    QVERIFY(skills.contains(QStringLiteral("C#")));

    // The demo freelancer's seeded badges: C++ up to Level 2, so Level 3 (with its fee) is next.
    Person demo
        = demoPerson(*server, SandboxClient::FreelancerEmail, SandboxClient::FreelancerPassword);
    const QJsonObject cpp = catalogueRow(*demo, QStringLiteral("C++"));
    QCOMPARE(cpp.value(QStringLiteral("badgeLevel")).toInt(), 2);
    QCOMPARE(cpp.value(QStringLiteral("nextLevel")).toInt(), 3);
    QVERIFY(cpp.value(QStringLiteral("feePaise")).toInteger() > 0);
    QVERIFY(
        demo->get(QStringLiteral("api/assessments/available")).list(QStringLiteral("badges")).size()
        >= 3);
}

void TestSandboxAssessments::passEarnsTheBadgeAndOpensTheNextLevel()
{
    Person f = newPerson(*server, QStringLiteral("freelancer"));
    const qint64 attempt = start(*f, QStringLiteral("C%23"), 1);
    QVERIFY(attempt);
    // Starting again while it runs resumes the same attempt.
    QCOMPARE(start(*f, QStringLiteral("C%23"), 1), attempt);

    const HttpResult q
        = f->get(QStringLiteral("api/assessments/attempts/%1/questions").arg(attempt));
    QCOMPARE(q.status, 200);
    const QJsonObject a = q.object(QStringLiteral("attempt"));
    QCOMPARE(a.value(QStringLiteral("id")).toInteger(), attempt);
    QCOMPARE(a.value(QStringLiteral("skill")).toString(), QStringLiteral("C#"));
    QCOMPARE(a.value(QStringLiteral("level")).toInt(), 1);
    QVERIFY(a.value(QStringLiteral("timeLimitSeconds")).toInt() > 0);
    QVERIFY(a.value(QStringLiteral("remainingSeconds")).toInt() > 0);
    QVERIFY(a.value(QStringLiteral("remainingSeconds")).toInt()
            <= a.value(QStringLiteral("timeLimitSeconds")).toInt());
    const QJsonArray questions = q.list(QStringLiteral("questions"));
    QCOMPARE(questions.size(), 5);
    for (const QJsonValue &v : questions) {
        const QJsonObject question = v.toObject();
        QVERIFY(!question.value(QStringLiteral("id")).toString().isEmpty());
        QVERIFY(!question.value(QStringLiteral("question")).toString().isEmpty());
        QVERIFY(question.value(QStringLiteral("options")).toArray().size() >= 2);
        for (const QJsonValue &o : question.value(QStringLiteral("options")).toArray()) {
            QVERIFY(!o.toObject().value(QStringLiteral("key")).toString().isEmpty());
            QVERIFY(!o.toObject().value(QStringLiteral("text")).toString().isEmpty());
        }
        // The right answer never travels to the client.
        QVERIFY(!q.raw.contains("correct"));
    }

    const HttpResult s = f->post(QStringLiteral("api/assessments/attempts/%1/submit").arg(attempt),
                                 {{QStringLiteral("answers"), answers(QStringLiteral("C#"), 1, 5)},
                                  {QStringLiteral("forfeited"), false},
                                  {QStringLiteral("proctoringViolations"), 1}});
    QCOMPARE(s.status, 200);
    QCOMPARE(s.json.value(QStringLiteral("score")).toInt(), 5);
    QCOMPARE(s.json.value(QStringLiteral("total")).toInt(), 5);
    QCOMPARE(s.json.value(QStringLiteral("passed")).toBool(), true);
    QCOMPARE(s.json.value(QStringLiteral("inReview")).toBool(), false);
    QCOMPARE(s.json.value(QStringLiteral("provisionalPassed")).toBool(), false);
    QCOMPARE(s.json.value(QStringLiteral("violations")).toInt(), 1);
    QCOMPARE(s.object(QStringLiteral("badge")).value(QStringLiteral("skill")).toString(),
             QStringLiteral("C#"));
    QCOMPARE(s.object(QStringLiteral("badge")).value(QStringLiteral("level")).toInt(), 1);

    const QJsonObject row = catalogueRow(*f, QStringLiteral("C#"));
    QCOMPARE(row.value(QStringLiteral("badgeLevel")).toInt(), 1);
    QCOMPARE(row.value(QStringLiteral("nextLevel")).toInt(), 2);
    const QJsonArray badges
        = f->get(QStringLiteral("api/assessments/available")).list(QStringLiteral("badges"));
    QCOMPARE(badges.size(), 1);
    QCOMPARE(badges.at(0).toObject().value(QStringLiteral("skill")).toString(),
             QStringLiteral("C#"));

    // A submitted attempt is closed: no second submission, no questions, no events.
    const QString base = QStringLiteral("api/assessments/attempts/%1").arg(attempt);
    const QByteArray before = databaseFingerprint(*server);
    QCOMPARE(f->post(base + QStringLiteral("/submit"), {{QStringLiteral("answers"), QJsonObject()}})
                 .status,
             409);
    QCOMPARE(f->get(base + QStringLiteral("/questions")).status, 409);
    QCOMPARE(f->post(base + QStringLiteral("/proctor"),
                     {{QStringLiteral("kind"), QStringLiteral("voice")}})
                 .status,
             409);
    QCOMPARE(databaseFingerprint(*server), before);
    // The earned level is not taken again.
    QCOMPARE(f->post(QStringLiteral("api/assessments/C%23/1/start")).status, 409);
}

void TestSandboxAssessments::passMarkIsSixtyPercent()
{
    Person f = newPerson(*server, QStringLiteral("freelancer"));
    qint64 attempt = start(*f, QStringLiteral("SQL"), 1);
    HttpResult s = f->post(QStringLiteral("api/assessments/attempts/%1/submit").arg(attempt),
                           {{QStringLiteral("answers"), answers(QStringLiteral("SQL"), 1, 2)},
                            {QStringLiteral("forfeited"), false},
                            {QStringLiteral("proctoringViolations"), 0}});
    QCOMPARE(s.status, 200);
    QCOMPARE(s.json.value(QStringLiteral("score")).toInt(), 2);
    QCOMPARE(s.json.value(QStringLiteral("passed")).toBool(), false);
    QVERIFY(s.json.value(QStringLiteral("badge")).isNull());
    QCOMPARE(catalogueRow(*f, QStringLiteral("SQL")).value(QStringLiteral("badgeLevel")).toInt(),
             0);

    // A failed level may be taken again; 3 of 5 is exactly 60 %.
    attempt = start(*f, QStringLiteral("SQL"), 1);
    QVERIFY(attempt);
    s = f->post(QStringLiteral("api/assessments/attempts/%1/submit").arg(attempt),
                {{QStringLiteral("answers"), answers(QStringLiteral("SQL"), 1, 3)},
                 {QStringLiteral("forfeited"), false},
                 {QStringLiteral("proctoringViolations"), 0}});
    QCOMPARE(s.json.value(QStringLiteral("score")).toInt(), 3);
    QCOMPARE(s.json.value(QStringLiteral("passed")).toBool(), true);

    // Unknown question ids and unknown keys simply score nothing.
    attempt = start(*f, QStringLiteral("SQL"), 2);
    s = f->post(QStringLiteral("api/assessments/attempts/%1/submit").arg(attempt),
                {{QStringLiteral("answers"),
                  QJsonObject {{QStringLiteral("nope"), QStringLiteral("a")},
                               {QStringLiteral("sql.2.1"), QStringLiteral("z")}}},
                 {QStringLiteral("forfeited"), false},
                 {QStringLiteral("proctoringViolations"), 0}});
    QCOMPARE(s.status, 200);
    QCOMPARE(s.json.value(QStringLiteral("score")).toInt(), 0);
}

void TestSandboxAssessments::moreThanFiveViolationsGoToReview()
{
    Person f = newPerson(*server, QStringLiteral("freelancer"));
    // Exactly five violations: still decided at once.
    qint64 attempt = start(*f, QStringLiteral("Python"), 1);
    HttpResult s = f->post(QStringLiteral("api/assessments/attempts/%1/submit").arg(attempt),
                           {{QStringLiteral("answers"), answers(QStringLiteral("Python"), 1, 5)},
                            {QStringLiteral("forfeited"), false},
                            {QStringLiteral("proctoringViolations"), 5}});
    QCOMPARE(s.json.value(QStringLiteral("inReview")).toBool(), false);
    QCOMPARE(s.json.value(QStringLiteral("passed")).toBool(), true);

    // Six violations recorded by the service count even when the client reports fewer; webcam
    // snapshots are not violations.
    attempt = start(*f, QStringLiteral("Python"), 2);
    const QString base = QStringLiteral("api/assessments/attempts/%1").arg(attempt);
    for (const char *kind :
         {"focus_loss", "voice", "clipboard", "no_camera", "multi_monitor", "focus_loss"})
        QCOMPARE(f->post(base + QStringLiteral("/proctor"),
                         {{QStringLiteral("kind"), QLatin1String(kind)},
                          {QStringLiteral("detail"), QString()},
                          {QStringLiteral("imageData"), QString()}})
                     .status,
                 201);
    QCOMPARE(f->post(base + QStringLiteral("/proctor"),
                     {{QStringLiteral("kind"), QStringLiteral("webcam")},
                      {QStringLiteral("detail"), QString()},
                      {QStringLiteral("imageData"), jpegDataUrl()}})
                 .status,
             201);
    s = f->post(base + QStringLiteral("/submit"),
                {{QStringLiteral("answers"), answers(QStringLiteral("Python"), 2, 4)},
                 {QStringLiteral("forfeited"), false},
                 {QStringLiteral("proctoringViolations"), 2}});
    QCOMPARE(s.status, 200);
    QCOMPARE(s.json.value(QStringLiteral("inReview")).toBool(), true);
    QCOMPARE(s.json.value(QStringLiteral("provisionalPassed")).toBool(), true);
    QCOMPARE(s.json.value(QStringLiteral("violations")).toInt(), 6);
    QCOMPARE(s.json.value(QStringLiteral("passed")).toBool(), false);
    QVERIFY(s.json.value(QStringLiteral("badge")).isNull());
    // The badge waits for the review, and so does another try.
    const QJsonObject row = catalogueRow(*f, QStringLiteral("Python"));
    QCOMPARE(row.value(QStringLiteral("badgeLevel")).toInt(), 1);
    QCOMPARE(row.value(QStringLiteral("inReview")).toBool(), true);
    const HttpResult again = f->post(QStringLiteral("api/assessments/Python/2/start"));
    QCOMPARE(again.status, 409);
    QVERIFY(!again.error().isEmpty());

    // A failing score under review is not provisionally passed.
    attempt = start(*f, QStringLiteral("C%2B%2B"), 1);
    s = f->post(QStringLiteral("api/assessments/attempts/%1/submit").arg(attempt),
                {{QStringLiteral("answers"), answers(QStringLiteral("C++"), 1, 1)},
                 {QStringLiteral("forfeited"), false},
                 {QStringLiteral("proctoringViolations"), 9}});
    QCOMPARE(s.json.value(QStringLiteral("inReview")).toBool(), true);
    QCOMPARE(s.json.value(QStringLiteral("provisionalPassed")).toBool(), false);
}

void TestSandboxAssessments::proctoringEventsAreStored()
{
    Person f = newPerson(*server, QStringLiteral("freelancer"));
    const qint64 attempt = start(*f, QStringLiteral("C%2B%2B"), 1);
    const QString path = QStringLiteral("api/assessments/attempts/%1/proctor").arg(attempt);
    const QString detail = QStringLiteral("2 displays'); DROP TABLE proctoring_events; --");
    QCOMPARE(f->post(path,
                     {{QStringLiteral("kind"), QStringLiteral("multi_monitor")},
                      {QStringLiteral("detail"), detail},
                      {QStringLiteral("imageData"), QString()}})
                 .status,
             201);
    QCOMPARE(f->post(path,
                     {{QStringLiteral("kind"), QStringLiteral("webcam")},
                      {QStringLiteral("detail"), QString()},
                      {QStringLiteral("imageData"), jpegDataUrl()}})
                 .status,
             201);
    const QJsonArray rows = server->storage().all(
        QStringLiteral("SELECT kind, detail, image_data FROM proctoring_events WHERE attempt_id = "
                       "? ORDER BY id"),
        {attempt});
    QCOMPARE(rows.size(), 2);
    QCOMPARE(rows.at(0).toObject().value(QStringLiteral("kind")).toString(),
             QStringLiteral("multi_monitor"));
    QCOMPARE(rows.at(0).toObject().value(QStringLiteral("detail")).toString(), detail);
    QCOMPARE(rows.at(1).toObject().value(QStringLiteral("image_data")).toString(), jpegDataUrl());

    // Refused: no kind, an image that is not a JPEG data URL, wrong member types.
    const QByteArray before = databaseFingerprint(*server);
    const QList<QJsonObject> bad = {
        {{QStringLiteral("detail"), QStringLiteral("x")}},
        {{QStringLiteral("kind"), QStringLiteral("")}},
        {{QStringLiteral("kind"), 3}},
        {{QStringLiteral("kind"), QStringLiteral("webcam")},
         {QStringLiteral("imageData"), QStringLiteral("data:image/png;base64,iVBORw0KGgo=")}},
        {{QStringLiteral("kind"), QStringLiteral("webcam")},
         {QStringLiteral("imageData"), QStringLiteral("data:image/jpeg;base64,@@@@")}},
        {{QStringLiteral("kind"), QStringLiteral("webcam")}, {QStringLiteral("imageData"), 12}},
        {{QStringLiteral("kind"), QStringLiteral("voice")},
         {QStringLiteral("detail"), QJsonArray()}},
    };
    for (const QJsonObject &body : bad) {
        const HttpResult r = f->post(path, body);
        QCOMPARE(r.status, 400);
        QVERIFY(!r.error().isEmpty());
    }
    QCOMPARE(databaseFingerprint(*server), before);
}

void TestSandboxAssessments::feeLevelAnswersRazorpay()
{
    Person demo
        = demoPerson(*server, SandboxClient::FreelancerEmail, SandboxClient::FreelancerPassword);
    const QByteArray before = databaseFingerprint(*server);
    const HttpResult r = demo->post(QStringLiteral("api/assessments/C%2B%2B/3/start"));
    QVERIFY(r.status < 300);
    QVERIFY(r.json.value(QStringLiteral("razorpay")).isObject());
    QVERIFY(r.json.value(QStringLiteral("razorpay"))
                .toObject()
                .value(QStringLiteral("amount_paise"))
                .toInteger()
            > 0);
    QVERIFY(!r.json.contains(QStringLiteral("attempt")));
    QCOMPARE(databaseFingerprint(*server), before);
}

void TestSandboxAssessments::startRefusals()
{
    Person f = newPerson(*server, QStringLiteral("freelancer"));
    struct Case
    {
        const char *name;
        QString path;
        int status;
    };
    const QList<Case> cases = {
        {"unknown skill", QStringLiteral("api/assessments/Cobol/1/start"), 404},
        {"skill differs in case", QStringLiteral("api/assessments/c%23/1/start"), 404},
        {"level text", QStringLiteral("api/assessments/SQL/abc/start"), 404},
        {"level 0", QStringLiteral("api/assessments/SQL/0/start"), 404},
        {"level beyond the ladder", QStringLiteral("api/assessments/SQL/9/start"), 404},
        {"level negative", QStringLiteral("api/assessments/SQL/-1/start"), 404},
        {"injected skill", QStringLiteral("api/assessments/SQL'%20OR%20'1'='1/1/start"), 404},
        {"level 2 before 1", QStringLiteral("api/assessments/SQL/2/start"), 409},
    };
    const QByteArray before = databaseFingerprint(*server);
    for (const Case &c : cases) {
        const HttpResult r = f->post(c.path);
        QVERIFY2(r.status == c.status,
                 qPrintable(QStringLiteral("%1: %2").arg(QLatin1String(c.name)).arg(r.status)));
        QVERIFY2(!r.error().isEmpty(), c.name);
    }
    QCOMPARE(databaseFingerprint(*server), before);
}

void TestSandboxAssessments::forfeitAndLateSubmission()
{
    Person f = newPerson(*server, QStringLiteral("freelancer"));
    qint64 attempt = start(*f, QStringLiteral("SQL"), 1);
    HttpResult s = f->post(QStringLiteral("api/assessments/attempts/%1/submit").arg(attempt),
                           {{QStringLiteral("answers"), answers(QStringLiteral("SQL"), 1, 5)},
                            {QStringLiteral("forfeited"), true},
                            {QStringLiteral("proctoringViolations"), 0}});
    QCOMPARE(s.status, 200);
    QCOMPARE(s.json.value(QStringLiteral("passed")).toBool(), false);
    QVERIFY(s.json.value(QStringLiteral("badge")).isNull());

    // An attempt whose time ran out: no questions, and answers that come late do not pass.
    auto age = [this](qint64 id, int seconds) {
        Storage::Transaction t(server->storage());
        server->storage().change(
            QStringLiteral("UPDATE assessment_attempts SET started_at = ? WHERE id = ?"),
            {QDateTime::currentDateTimeUtc().addSecs(-seconds).toString(Qt::ISODate), id});
        t.commit();
    };
    attempt = start(*f, QStringLiteral("SQL"), 1);
    age(attempt, 3600);
    QCOMPARE(f->get(QStringLiteral("api/assessments/attempts/%1/questions").arg(attempt)).status,
             409);
    s = f->post(QStringLiteral("api/assessments/attempts/%1/submit").arg(attempt),
                {{QStringLiteral("answers"), answers(QStringLiteral("SQL"), 1, 5)},
                 {QStringLiteral("forfeited"), false},
                 {QStringLiteral("proctoringViolations"), 0}});
    QCOMPARE(s.status, 200);
    QCOMPARE(s.json.value(QStringLiteral("passed")).toBool(), false);

    // Starting again after the time ran out opens a fresh attempt with the full time.
    const qint64 stale = start(*f, QStringLiteral("SQL"), 1);
    age(stale, 3600);
    const qint64 fresh = start(*f, QStringLiteral("SQL"), 1);
    QVERIFY(fresh && fresh != stale);
    const HttpResult q = f->get(QStringLiteral("api/assessments/attempts/%1/questions").arg(fresh));
    QCOMPARE(q.status, 200);
    QVERIFY(q.object(QStringLiteral("attempt")).value(QStringLiteral("remainingSeconds")).toInt()
            > 60);
    // A submission within the grace after the limit still counts.
    age(fresh,
        ExamBank::findLevel(*ExamBank::findSkill(QStringLiteral("SQL")), 1)->timeLimitSeconds + 5);
    s = f->post(QStringLiteral("api/assessments/attempts/%1/submit").arg(fresh),
                {{QStringLiteral("answers"), answers(QStringLiteral("SQL"), 1, 5)},
                 {QStringLiteral("forfeited"), false},
                 {QStringLiteral("proctoringViolations"), 0}});
    QCOMPARE(s.json.value(QStringLiteral("passed")).toBool(), true);
}

void TestSandboxAssessments::authorizationMatrix()
{
    Person owner = newPerson(*server, QStringLiteral("freelancer"));
    Person other = newPerson(*server, QStringLiteral("freelancer"));
    const qint64 attempt = start(*owner, QStringLiteral("Python"), 1);
    QVERIFY(attempt);
    const QString base = QStringLiteral("api/assessments/attempts/%1").arg(attempt);
    SandboxClient anonymous(server->port());
    const QByteArray before = databaseFingerprint(*server);

    QCOMPARE(client->get(QStringLiteral("api/assessments/available")).status, 403);
    QCOMPARE(client->post(QStringLiteral("api/assessments/Python/1/start")).status, 403);
    QCOMPARE(anonymous.post(QStringLiteral("api/assessments/Python/1/start")).status, 401);
    QCOMPARE(other->get(base + QStringLiteral("/questions")).status, 404);
    QCOMPARE(client->get(base + QStringLiteral("/questions")).status, 403);
    QCOMPARE(other
                 ->post(base + QStringLiteral("/proctor"),
                        {{QStringLiteral("kind"), QStringLiteral("voice")}})
                 .status,
             404);
    QCOMPARE(client
                 ->post(base + QStringLiteral("/proctor"),
                        {{QStringLiteral("kind"), QStringLiteral("voice")}})
                 .status,
             403);
    const QJsonObject submit {{QStringLiteral("answers"), answers(QStringLiteral("Python"), 1, 5)},
                              {QStringLiteral("forfeited"), false},
                              {QStringLiteral("proctoringViolations"), 0}};
    QCOMPARE(other->post(base + QStringLiteral("/submit"), submit).status, 404);
    QCOMPARE(client->post(base + QStringLiteral("/submit"), submit).status, 403);
    QCOMPARE(anonymous.post(base + QStringLiteral("/submit"), submit).status, 401);
    QCOMPARE(databaseFingerprint(*server), before);
    // The owner still has the attempt as it was.
    QCOMPARE(owner->post(base + QStringLiteral("/submit"), submit).status, 200);
}

void TestSandboxAssessments::submitBadInput_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::newRow("answers missing")
        << QByteArray(R"({"forfeited":false,"proctoringViolations":0})");
    QTest::newRow("answers a list") << QByteArray(R"({"answers":["a"],"forfeited":false})");
    QTest::newRow("answers a text") << QByteArray(R"({"answers":"a"})");
    QTest::newRow("answer a number") << QByteArray(R"({"answers":{"sql.1.1":1}})");
    QTest::newRow("forfeited a text") << QByteArray(R"({"answers":{},"forfeited":"yes"})");
    QTest::newRow("violations negative")
        << QByteArray(R"({"answers":{},"proctoringViolations":-1})");
    QTest::newRow("violations a text")
        << QByteArray(R"({"answers":{},"proctoringViolations":"3"})");
    QTest::newRow("violations fraction")
        << QByteArray(R"({"answers":{},"proctoringViolations":1.5})");
    QTest::newRow("malformed") << QByteArray(R"({"answers":{)");
}

void TestSandboxAssessments::submitBadInput()
{
    QFETCH(QByteArray, body);
    if (!badInputAttempt) {
        badInputPerson = newPerson(*server, QStringLiteral("freelancer"));
        badInputAttempt = start(*badInputPerson, QStringLiteral("SQL"), 1);
    }
    SandboxClient &f = *badInputPerson;
    const qint64 attempt = badInputAttempt;
    const QByteArray before = databaseFingerprint(*server);
    const HttpResult r
        = f.send("POST", QStringLiteral("api/assessments/attempts/%1/submit").arg(attempt), body);
    QCOMPARE(r.status, 400);
    QVERIFY(!r.error().isEmpty());
    QCOMPARE(databaseFingerprint(*server), before);
    QCOMPARE(f.get(QStringLiteral("api/assessments/attempts/%1/questions").arg(attempt)).status,
             200);
}

QTEST_GUILESS_MAIN(TestSandboxAssessments)
#include "tst_sandbox_assessments.moc"
