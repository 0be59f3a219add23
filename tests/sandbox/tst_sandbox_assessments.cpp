#include "exambank.h"
#include "sandboxtest.h"

class TestSandboxAssessments : public SandboxTest
{
    Q_OBJECT

private slots:
    void passEarnsTheBadgeAndOpensTheNextLevel();
    void moreThanFiveViolationsGoToReview();
    void forfeitAndLateSubmission();

private:
    qint64 start(SandboxClient &who, const char *skillAndLevel) // "C%23/1": path-encoded
    {
        return who.post(u"api/assessments/%1/start"_s.arg(QLatin1String(skillAndLevel)))
            .id(u"attempt"_s);
    }
    // Submits the first `right` answers right and the rest wrong.
    HttpResult submit(SandboxClient &who, qint64 attempt, int right, int violations = 0,
                      bool forfeited = false)
    {
        const QJsonObject a = server->storage().one(
            u"SELECT skill, level FROM assessment_attempts WHERE id = ?"_s, {attempt});
        const ExamBank::Skill *skill = ExamBank::findSkill(a[u"skill"_s].toString());
        QJsonObject answers;
        for (int i = 0; skill && i < 5; ++i) {
            const auto &q = ExamBank::findLevel(*skill, a[u"level"_s].toInt())->questions.at(i);
            const QString wrong = q.correctKey == "a"_L1 ? u"b"_s : u"a"_s;
            answers.insert(q.id, i < right ? q.correctKey : wrong);
        }
        return who.post(u"api/assessments/attempts/%1/submit"_s.arg(attempt),
                        {{u"answers"_s, answers},
                         {u"forfeited"_s, forfeited},
                         {u"proctoringViolations"_s, violations}});
    }
    HttpResult questions(SandboxClient &who, qint64 attempt)
    {
        return who.get(u"api/assessments/attempts/%1/questions"_s.arg(attempt));
    }
    // As if the pause after the person's last attempt that did not pass were over.
    void pauseOver(const SandboxClient &who)
    {
        server->storage().change(u"UPDATE assessment_attempts SET submitted_at = "
                                 "'2000-01-01T00:00:00Z' WHERE user_id = ?"_s,
                                 {who.id});
    }
    void age(qint64 attempt, int seconds)
    {
        server->storage().change(u"UPDATE assessment_attempts SET started_at = ? WHERE id = ?"_s,
                                 {Storage::secondsAgo(seconds), attempt});
    }
};

void TestSandboxAssessments::passEarnsTheBadgeAndOpensTheNextLevel()
{
    const auto f = newPerson(u"freelancer"_s);
    QCOMPARE(f->post(u"api/assessments/SQL/2/start"_s).status, 409); // Level 1 first

    const qint64 failed = start(*f, "C%23/1");
    QCOMPARE(start(*f, "C%23/1"), failed); // a running attempt is resumed
    QVERIFY(!questions(*f, failed).raw.contains("correct")); // the right answers never travel
    const HttpResult two = submit(*f, failed, 2);
    QCOMPARE(two.number(u"score"_s), 2);
    QVERIFY(!two.flag(u"passed"_s) && two.at(u"badge"_s).isNull());
    QCOMPARE(submit(*f, failed, 5).status, 409); // a submitted attempt is closed

    // A failed level may be taken again after a pause; 3 of 5 is exactly 60 %.
    QCOMPARE(f->post(u"api/assessments/C%23/1/start"_s).status, 409);
    pauseOver(*f);
    const HttpResult three = submit(*f, start(*f, "C%23/1"), 3, 1);
    QVERIFY(three.flag(u"passed"_s) && three.text(u"badge.skill"_s) == "C#"_L1);
    QCOMPARE(f->post(u"api/assessments/C%23/1/start"_s).status, 409); // earned already
}

void TestSandboxAssessments::moreThanFiveViolationsGoToReview()
{
    const auto f = newPerson(u"freelancer"_s);
    QVERIFY(!submit(*f, start(*f, "Python/1"), 5, 5).flag(u"inReview"_s)); // five: decided
    // The service's own log counts, even where the client reports fewer; snapshots do not.
    const qint64 attempt = start(*f, "Python/2");
    const QString events = u"api/assessments/attempts/%1/proctor"_s.arg(attempt);
    for (const char *kind :
         {"focus_loss", "voice", "clipboard", "no_camera", "monitoring_unavailable", "voice"})
        QCOMPARE(f->post(events, {{u"kind"_s, QLatin1String(kind)}}).status, 201);
    QCOMPARE(f->post(events, {{u"kind"_s, u"webcam"_s}, {u"imageData"_s, jpegDataUrl()}}).status,
             201);
    const HttpResult s = submit(*f, attempt, 4, 2);
    QVERIFY(s.flag(u"inReview"_s) && s.flag(u"provisionalPassed"_s) && !s.flag(u"passed"_s));
    QCOMPARE(s.number(u"violations"_s), 6); // what waits for the review is the journey's
    const HttpResult failing = submit(*f, start(*f, "C%2B%2B/1"), 1, 9);
    QVERIFY(failing.flag(u"inReview"_s) && !failing.flag(u"provisionalPassed"_s));
}

void TestSandboxAssessments::forfeitAndLateSubmission()
{
    const auto f = newPerson(u"freelancer"_s);
    QVERIFY(!submit(*f, start(*f, "SQL/1"), 5, 0, true).flag(u"passed"_s));
    pauseOver(*f);
    // Time ran out: no questions, and answers that come late do not pass.
    qint64 attempt = start(*f, "SQL/1");
    age(attempt, 3600);
    QCOMPARE(questions(*f, attempt).status, 409);
    QVERIFY(!submit(*f, attempt, 5).flag(u"passed"_s));
    pauseOver(*f);
    const qint64 stale = start(*f, "SQL/1");
    age(stale, 3600);
    attempt = start(*f, "SQL/1");
    QVERIFY(attempt && attempt != stale);
    QVERIFY(questions(*f, attempt).number(u"attempt.remainingSeconds"_s) > 60);
    const int limit = ExamBank::findLevel(*ExamBank::findSkill(u"SQL"_s), 1)->timeLimitSeconds;
    age(attempt, limit + ExamBank::SubmitGraceSeconds - 30);
    QVERIFY(submit(*f, attempt, 5).flag(u"passed"_s));
}

QTEST_GUILESS_MAIN(TestSandboxAssessments)
#include "tst_sandbox_assessments.moc"
