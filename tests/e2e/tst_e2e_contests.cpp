// Contests and teams end to end: a client and a freelancer take turns at the real window against a
// velto-sandbox of the test's own; the wallets are read from the service beside it.
#include "clientsession.h"
#include "money.h"
#include "sandboxprocess.h"
#include "startup.h"

#include <QQuickItem>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// A person's steps: "name" clicks the control, "name=text" types into it, "name:text" waits until
// it reads that text or title ("toastLabel:…" waits for a toast). Stops at the first that fails.
bool act(ClientSession &s, const QStringList &steps)
{
    for (const QString &step : steps) {
        const QString name = step.section(QRegularExpression(u"[=:]"_s), 0, 0);
        const QString text = step.mid(name.size() + 1);
        const auto reads = [&] {
            const QQuickItem *item = s.item(name);
            return item && (item->property("text") == text || item->property("title") == text);
        };
        const QChar how = step.size() > name.size() ? step.at(name.size()) : QChar();
        if (!(how == u'='       ? s.type(name, text)
                  : how == u':' ? QTest::qWaitFor(reads, 20000)
                                : s.click(name))) {
            s.lastError
                = u"at \"%1\": %2"_s.arg(step, how == u':' ? u"it reads otherwise"_s : s.lastError);
            return false;
        }
    }
    return true;
}

qint64 balance(ServiceProbe &probe)
{
    return probe.get(u"api/wallet"_s)["wallet"_L1]["balance_paise"_L1].toInteger();
}

} // namespace

class TestE2eContests : public QObject
{
    Q_OBJECT

private slots:
    void contestsAndTeams();
};

void TestE2eContests::contestsAndTeams()
{
    QStandardPaths::setTestModeEnabled(true);
    prepareApplication();
    QTemporaryDir home;
    qputenv("HOME", QFile::encodeName(home.path()));
    SandboxProcess sandbox;
    QString error;
    QVERIFY2(sandbox.start(&error), qPrintable(error));
    const DemoAccount client = demoAccount(u"client@velto.test"_s);
    const DemoAccount freelancer = demoAccount(u"freelancer@velto.test"_s);
    ServiceProbe host(sandbox.origin()), entrant(sandbox.origin());
    QVERIFY(host.signIn(client.email, client.password));
    QVERIFY(entrant.signIn(freelancer.email, freelancer.password));
    const qint64 hostStart = balance(host), entrantStart = balance(entrant);
    const qint64 prize = 2000 * Money::PaisePerRupee, fee = Money::contestFee(prize);

    ClientSession s(sandbox.origin());
#define ACT(...) QVERIFY2(act(s, __VA_ARGS__), qPrintable(s.lastError))
    // Signs out whoever is in first: the cookie file would resume them.
    const auto become = [&s](const DemoAccount &who) {
        return (s.page() != "HomeView"_L1 || s.click(u"signOutButton"_s))
            && s.signIn(who.email, who.password) && s.click(u"tab_Contests"_s);
    };
    // A post shows in the client's own contests, newest first.
    const auto post = [&s](const QString &name, const QString &rupees) {
        return act(s,
                   {"postButton", "titleField=" + name, "prizeField=" + rupees,
                    "briefFieldArea=Three sizes of our shop sign, for day and night.",
                    "createDialogSubmit", "modeButton:All contests", "contestCard_0:" + name});
    };

    QVERIFY2(become(client), qPrintable(s.lastError));
    QVERIFY2(post(u"Shop sign"_s, u"2000"_s), qPrintable(s.lastError));
    QCOMPARE(balance(host), hostStart - prize - fee);
    QVERIFY2(post(u"Unwanted poster"_s, u"700"_s), qPrintable(s.lastError));
    ACT({"contestCard_0", "cancelContestButton", "toastLabel:Cancelled — refunded"});
    QCOMPARE(balance(host), hostStart - prize - fee);

    // The newest open contest leads everyone's list.
    QVERIFY2(become(freelancer), qPrintable(s.lastError));
    ACT({"contestCard_0", "submitEntryButton", "entryTitleField=Neon",
         "descriptionFieldArea=A neon sign by night, chalk by day.", "entryDialogSubmit",
         "toastLabel:Entry submitted"});
    QVERIFY2(become(client), qPrintable(s.lastError));
    ACT({"contestCard_0", "entrantLine_0:by " + freelancer.fullName, "awardButton_0",
         "toastLabel:Awarded — prize paid", "entryCard_0:🏆 Neon"});
    QCOMPARE(balance(entrant), entrantStart + prize);

    // Teams come newest first; the seed's newest is "Copy desk".
    ACT({"tab_Teams", "newTeamButton", "teamNameField=Launch crew", "createDialogSubmit",
         "teamCard_0:Launch crew", "inviteButton_0", "inviteEmailField=" + freelancer.email,
         "inviteDialogSubmit", "toastLabel:Invitation sent", "deleteButton_0", "toastLabel:Deleted",
         "teamCard_0:Copy desk"});
}

QTEST_MAIN(TestE2eContests)
#include "tst_e2e_contests.moc"
