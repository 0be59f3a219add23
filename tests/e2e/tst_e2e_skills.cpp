// Proctored "C#" exams with the real Proctor: Level 1 passed with a copy counted and stored, the
// badge in the reloaded catalogue; then Level 2, which six violations send to review (no badge,
// and no new attempt offered meanwhile).
#include "clientsession.h"
#include "clipboardwindow.h"
#include "exambank.h"
#include "proctor.h"
#include "sandboxprocess.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QQuickWindow>
#include <QTest>

using namespace Qt::StringLiterals;

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
    STEPS(client, {"#" + me.email, "tab_Skills"});
    const QStringList verdicts {u"Score: 5/5\n\nBadge: C# Level 1"_s,
                                u"Score: 5/5\n\n6 proctoring violations recorded — an admin will "
                                "validate your provisional PASS before the badge is issued."_s};
    // After the pass the next level is offered; while an admin reviews it, it is not.
    const QStringList levelLines {u"🏅 Level 1 · next: Level 2"_s,
                                  u"🏅 Level 1 · Level 2: Under review"_s};
    for (int level = 1; level <= 2; ++level) {
        STEPS(client, {"takeButton_" + row, u"examTitle:C# — Level %1"_s.arg(level)});
        // On from what the page counts already ("no_camera" where there is no camera).
        int count
            = client.property(u"violationsLabel"_s, "text").toString().section(u' ', 1).toInt();
        for (const int wanted = level == 1 ? count + 1 : 6; count < wanted; ++count) {
            now += ClipboardWindow::WindowMs;
            QGuiApplication::clipboard()->setText(u"copy %1"_s.arg(count));
            QTRY_COMPARE(client.property(u"violationsLabel"_s, "text").toString(),
                         u"Violations: %1"_s.arg(count + 1));
        }
        // The service's tally for the attempt (a start resumes it; a snapshot is no violation).
        const qint64 attempt
            = probe.post(u"api/assessments/C%23/%1/start"_s.arg(level)).id(u"attempt"_s);
        const QString events = u"api/assessments/attempts/%1/proctor"_s.arg(attempt);
        QTRY_COMPARE_WITH_TIMEOUT(
            probe.post(events, {{u"kind"_s, u"webcam"_s}}).number(u"violations"_s), count,
            Patience);
        const auto &questions = ExamBank::findLevel(*skill, level)->questions;
        for (int i = 0; i < questions.size(); ++i) {
            for (int k = 0; k < questions.at(i).options.size(); ++k)
                QVERIFY(questions.at(i).options.at(k).key != questions.at(i).correctKey
                        || client.click(u"option_%1_%2"_s.arg(i).arg(k)));
        }
        STEPS(client,
              {"submitExamButton", "resultText:" + verdicts.at(level - 1), "resultOk",
               "levelLine_" + row + ":" + levelLines.at(level - 1)});
    }
}

QTEST_MAIN(TestE2eSkills)
#include "tst_e2e_skills.moc"
