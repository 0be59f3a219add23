// Contests and teams: a client and a freelancer take turns at one window.
#include "clientsession.h"

class TestE2eContests : public QObject
{
    Q_OBJECT

private slots:
    void contestsAndTeams();
};

void TestE2eContests::contestsAndTeams()
{
    SandboxProcess sandbox;
    QCOMPARE(prepareEndToEnd(sandbox), QString());
    const DemoAccount client = demoAccount(u"client@velto.test"_s);
    const DemoAccount freelancer = demoAccount(u"freelancer@velto.test"_s);

    ClientSession s(sandbox.origin());
    // A post shows in the client's own contests, newest first.
    const auto post = [&s](const QString &name, const QString &rupees) {
        return s.steps({"postButton", "titleField=" + name, "prizeField=" + rupees,
                        "briefFieldArea=Three sizes of our shop sign, for day and night.",
                        "createDialogSubmit", "modeButton:All contests", "contestCard_0:" + name});
    };

    STEPS(s, {"#" + client.email, "tab_Contests"});
    QVERIFY2(post(u"Shop sign"_s, u"2000"_s), qPrintable(s.lastError));
    QVERIFY2(post(u"Unwanted poster"_s, u"700"_s), qPrintable(s.lastError));
    STEPS(s, {"contestCard_0", "cancelContestButton", "toastLabel:Cancelled — refunded"});

    // The newest open contest leads everyone's list.
    STEPS(s,
          {"#" + freelancer.email, "tab_Contests", "contestCard_0", "submitEntryButton",
           "entryTitleField=Neon", "descriptionFieldArea=A neon sign by night, chalk by day.",
           "entryDialogSubmit", "toastLabel:Entry submitted"});
    STEPS(s,
          {"#" + client.email, "tab_Contests", "contestCard_0",
           "entrantLine_0:by " + freelancer.fullName, "awardButton_0",
           "toastLabel:Awarded — prize paid", "entryCard_0:🏆 Neon"});

    // Teams come newest first; the seed's newest is "Copy desk".
    STEPS(s,
          {"tab_Teams", "newTeamButton", "teamNameField=Launch crew", "createDialogSubmit",
           "teamCard_0:Launch crew", "inviteButton_0", "inviteEmailField=" + freelancer.email,
           "inviteDialogSubmit", "toastLabel:Invitation sent", "deleteButton_0",
           "toastLabel:Deleted", "teamCard_0:Copy desk"});
}

QTEST_MAIN(TestE2eContests)
#include "tst_e2e_contests.moc"
