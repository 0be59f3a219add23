// Pictures of the client for its documentation: the sign-in page, every tab of the demo client
// and of the demo freelancer, each detail page, each dialog and an exam in progress, taken
// headless at 1100x760 against a sandbox of its own with the demo data.
//   velto_screenshots [--only login] [--check] OUTDIR
// --only login takes the sign-in page alone; --check fails unless every picture taken shows more
// than a blank page.
#include "clientsession.h"
#include "sandboxprocess.h"
#include "startup.h"

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QQuickItem>
#include <QQuickWindow>
#include <QSet>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <cstdio>
#include <functional>

using namespace Qt::StringLiterals;

namespace {

QString outDir;
bool check = false;
int failures = 0;

// A picture has content when it holds more than a handful of colours.
bool hasContent(const QImage &image)
{
    QSet<QRgb> colours;
    for (int y = 0; y < image.height() && colours.size() < 64; y += 7)
        for (int x = 0; x < image.width() && colours.size() < 64; x += 7)
            colours.insert(image.pixel(x, y));
    return colours.size() >= 16;
}

void shoot(ClientSession &client, const QString &name)
{
    QTest::qWait(700); // the page's loads arrive, the toast fades from view
    const QImage image = client.window()->grabWindow();
    const QString file = outDir + u'/' + name + u".png"_s;
    bool ok = !image.isNull() && image.save(file);
    if (ok && check)
        ok = hasContent(image);
    failures += ok ? 0 : 1;
    std::printf("%s %s\n", ok ? "saved" : "FAILED", qPrintable(file));
}

// The first visible control whose objectName starts with this prefix ("contestCard_").
QString firstNamed(QQuickItem *parent, const QString &prefix)
{
    for (QQuickItem *child : parent->childItems()) {
        if (!child->isVisible())
            continue;
        if (child->objectName().startsWith(prefix))
            return child->objectName();
        const QString hit = firstNamed(child, prefix);
        if (!hit.isEmpty())
            return hit;
    }
    return QString();
}

bool clickFirst(ClientSession &client, const QString &prefix)
{
    QTest::qWait(300);
    const QString name = firstNamed(client.window()->contentItem(), prefix);
    return !name.isEmpty() && client.click(name);
}

// Opens the cards with this prefix one by one until one shows a control named `wanted`; the
// detail pages of the others are left with "Back".
bool openUntil(ClientSession &client, const QString &cardPrefix, const QString &wanted)
{
    for (int i = 0; i < 30; ++i) {
        QTest::qWait(300);
        if (!client.item(cardPrefix + QString::number(i)))
            return false;
        client.click(cardPrefix + QString::number(i));
        QTest::qWait(500);
        if (!firstNamed(client.window()->contentItem(), wanted).isEmpty())
            return true;
        client.click(u"backButton"_s);
    }
    return false;
}

// The index of the first visible card with this prefix and title, or -1.
int cardTitled(ClientSession &client, const QString &prefix, const QString &title)
{
    QTest::qWait(300);
    for (int i = 0; i < 30; ++i) {
        QQuickItem *card = client.item(prefix + QString::number(i));
        if (card && card->property("title").toString() == title)
            return i;
    }
    return -1;
}

// Opens a dialog with a click, takes its picture and closes it with Escape.
void dialog(ClientSession &client, const QString &opener, const QString &name)
{
    if (!clickFirst(client, opener)) {
        std::printf("skipped %s: no %s\n", qPrintable(name), qPrintable(opener));
        return;
    }
    shoot(client, name);
    client.key(Qt::Key_Escape);
}

// The sidebar's tab buttons from top to bottom, by their text.
QStringList tabs(ClientSession &client)
{
    QList<QQuickItem *> buttons;
    const std::function<void(QQuickItem *)> collect = [&](QQuickItem *parent) {
        for (QQuickItem *child : parent->childItems()) {
            if (child->isVisible() && child->objectName().startsWith("tab_"_L1))
                buttons.append(child);
            if (child->isVisible())
                collect(child);
        }
    };
    collect(client.window()->contentItem());
    std::sort(buttons.begin(), buttons.end(), [](QQuickItem *a, QQuickItem *b) {
        return a->mapToScene(QPointF()).y() < b->mapToScene(QPointF()).y();
    });
    QStringList names;
    for (QQuickItem *b : buttons)
        names.append(b->property("text").toString());
    return names;
}

void tab(ClientSession &client, const QString &role, const QString &name)
{
    client.click(u"tab_"_s + name);
    QString file = name.toLower();
    file.replace(u' ', u'-');
    shoot(client, role + u'-' + file);
}

void clientPages(ClientSession &client)
{
    for (const QString &name : tabs(client))
        tab(client, u"client"_s, name);
    client.click(u"tab_Projects"_s);
    dialog(client, u"postButton"_s, u"client-projects-post-dialog"_s);
    if (openUntil(client, u"projectCard_"_s, u"acceptButton_"_s)) {
        shoot(client, u"client-projects-proposals"_s);
        dialog(client, u"acceptButton_"_s, u"client-projects-accept-dialog"_s);
    }
    client.click(u"tab_Contests"_s);
    dialog(client, u"postButton"_s, u"client-contests-post-dialog"_s);
    if (clickFirst(client, u"contestCard_"_s))
        shoot(client, u"client-contests-detail"_s);
    client.click(u"tab_Teams"_s);
    dialog(client, u"newTeamButton"_s, u"client-teams-create-dialog"_s);
    dialog(client, u"inviteButton_"_s, u"client-teams-invite-dialog"_s);
    client.click(u"tab_Gigs"_s);
    if (clickFirst(client, u"gigCard_"_s)) {
        shoot(client, u"client-gigs-detail"_s);
        dialog(client, u"orderButton_"_s, u"client-gigs-order-dialog"_s);
    }
    client.click(u"tab_Gig Orders"_s);
    if (openUntil(client, u"orderCard_"_s, u"cancelOrderButton"_s)) {
        shoot(client, u"client-gig-orders-detail"_s);
        dialog(client, u"cancelOrderButton"_s, u"client-gig-orders-note-dialog"_s);
    }
    client.click(u"tab_Contracts"_s);
    dialog(client, u"revisionButton_"_s, u"client-contracts-action-dialog"_s);
    client.click(u"tab_More"_s);
    dialog(client, u"bankButton"_s, u"client-more-bank-dialog"_s);
}

void freelancerPages(ClientSession &client)
{
    for (const QString &name : tabs(client))
        tab(client, u"freelancer"_s, name);
    client.click(u"tab_Discover"_s);
    dialog(client, u"proposeButton_"_s, u"freelancer-discover-proposal-dialog"_s);
    client.click(u"tab_Gigs"_s);
    if (client.click(u"modeButton"_s)) {
        shoot(client, u"freelancer-gigs-mine"_s);
        dialog(client, u"newGigButton"_s, u"freelancer-gigs-create-dialog"_s);
    }
    client.click(u"tab_Gig Orders"_s);
    if (openUntil(client, u"orderCard_"_s, u"deliverButton"_s))
        dialog(client, u"deliverButton"_s, u"freelancer-gig-orders-deliver-dialog"_s);
    client.click(u"tab_Contests"_s);
    if (openUntil(client, u"contestCard_"_s, u"submitEntryButton"_s))
        dialog(client, u"submitEntryButton"_s, u"freelancer-contests-entry-dialog"_s);
    client.click(u"tab_Contracts"_s);
    dialog(client, u"deliverButton_"_s, u"freelancer-contracts-deliver-dialog"_s);
    client.click(u"tab_More"_s);
    dialog(client, u"withdrawButton"_s, u"freelancer-more-withdraw-dialog"_s);
    // An exam in progress: C#, whose first level is free.
    client.click(u"tab_Skills"_s);
    const int csharp = cardTitled(client, u"skillCard_"_s, u"C#"_s);
    if (csharp >= 0 && client.click(u"takeButton_"_s + QString::number(csharp))) {
        QTest::qWait(1500); // the questions arrive, the proctor reports the missing webcam
        shoot(client, u"freelancer-skills-exam"_s);
    }
    client.click(u"tab_Discover"_s); // leaving the exam stops the proctor
}

} // namespace

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    QStandardPaths::setTestModeEnabled(true);
    prepareApplication();
    QStringList args = app.arguments().mid(1);
    const bool loginOnly = args.removeAll(u"--only"_s) > 0 && args.removeAll(u"login"_s) > 0;
    check = args.removeAll(u"--check"_s) > 0;
    outDir = args.value(0, u"docs/screenshots"_s);
    QDir().mkpath(outDir);

    SandboxProcess sandbox;
    QString error;
    if (!sandbox.start(&error)) {
        std::fprintf(stderr, "sandbox: %s\n", qPrintable(error));
        return 1;
    }
    for (const QString &email : {u"client@velto.test"_s, u"freelancer@velto.test"_s}) {
        QTemporaryDir home; // a cookie file of its own: each person starts signed out
        qputenv("HOME", QFile::encodeName(home.path()));
        ClientSession client(sandbox.origin());
        client.window()->resize(1100, 760);
        if (!QTest::qWaitFor([&] { return client.page() == "LoginView"_L1; }, 20000))
            return 1;
        if (email.startsWith(u"client"_s))
            shoot(client, u"login"_s);
        if (loginOnly)
            break;
        const DemoAccount account = demoAccount(email);
        if (!client.signIn(account.email, account.password)) {
            std::fprintf(stderr, "%s could not sign in: %s\n", qPrintable(email),
                         qPrintable(client.lastError));
            return 1;
        }
        if (email.startsWith(u"client"_s))
            clientPages(client);
        else
            freelancerPages(client);
        client.click(u"signOutButton"_s);
    }
    return failures == 0 ? 0 : 1;
}
