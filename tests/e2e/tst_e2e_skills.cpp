// A proctored "C#" exam: Level 1 passed with a copy counted and stored, the badge then shown.
#include "clientsession.h"
#include "clipboardwindow.h"
#include "exambank.h"
#include "proctor.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QQuickWindow>

class TestE2eSkills : public QObject
{
    Q_OBJECT
private slots:
    void examsUnderTheProctor();
};

void TestE2eSkills::examsUnderTheProctor()
{
    SandboxProcess sandbox;
    QCOMPARE(prepareEndToEnd(sandbox), QString());
    const DemoAccount me = demoAccount(u"freelancer@velto.test"_s);
    ClientSession client(sandbox.origin());
    client.window()->resize(1100, 1600); // every question on screen at once
    SandboxClient probe(sandbox.port());
    QCOMPARE(probe.login(me).status, 200);
    const ExamBank::Skill *skill = ExamBank::findSkill(u"C#"_s);
    const QString row = QString::number(skill - ExamBank::skills().constData());
    // On the test's clock each copy comes a whole clipboard window after the last.
    qint64 now = 0;
    client.proctor().setClipboardClock([&now] { return now; });
    STEPS(client, {"#" + me.email, "tab_Skills", "takeButton_" + row, "examTitle:C# — Level 1"});
    // One more than the page counts already ("no_camera" where there is no camera).
    const QString violations = client.property(u"violationsLabel"_s, "text").toString();
    const int count = violations.section(u' ', 1).toInt() + 1;
    now += ClipboardWindow::WindowMs;
    QGuiApplication::clipboard()->setText(u"a copy"_s);
    STEPS(client, {u"violationsLabel:Violations: %1"_s.arg(count)});
    // The service's tally for the attempt (a start resumes it; a snapshot is no violation).
    const qint64 attempt = probe.post(u"api/assessments/C%23/1/start"_s).id(u"attempt"_s);
    const QString events = u"api/assessments/attempts/%1/proctor"_s.arg(attempt);
    QTRY_COMPARE_WITH_TIMEOUT(
        probe.post(events, {{u"kind"_s, u"webcam"_s}}).number(u"violations"_s), count, Patience);
    const auto &questions = ExamBank::findLevel(*skill, 1)->questions;
    for (int i = 0; i < questions.size(); ++i) {
        for (int k = 0; k < questions.at(i).options.size(); ++k)
            QVERIFY(questions.at(i).options.at(k).key != questions.at(i).correctKey
                    || client.click(u"option_%1_%2"_s.arg(i).arg(k)));
    }
    STEPS(client,
          {"submitExamButton", "resultText:Score: 5/5\n\nBadge: C# Level 1", "resultOk",
           "levelLine_" + row + ":🏅 Level 1 · next: Level 2"});
}

QTEST_MAIN(TestE2eSkills)
#include "tst_e2e_skills.moc"
