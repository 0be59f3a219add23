// Takes a picture of every page a person sees: the sign-in page, then the shell of the demo client
// and of the demo freelancer with each of their tabs, against a sandbox of its own. Not a test:
// scripts/screenshots runs it to look at the client without a desktop.
//   velto_screenshots OUTDIR
#include "clientsession.h"
#include "sandboxprocess.h"
#include "seed.h"
#include "startup.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QQuickWindow>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>

static bool waitFor(const std::function<bool()> &ready)
{
    return QTest::qWaitFor(ready, 20000);
}

static bool shoot(ClientSession &client, const QString &file)
{
    QTest::qWait(600); // let the page's loads arrive and the toast settle
    const QImage image = client.window()->grabWindow();
    const bool ok = !image.isNull() && image.save(file);
    std::printf("%s %s\n", ok ? "saved" : "FAILED", qPrintable(file));
    return ok;
}

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    QStandardPaths::setTestModeEnabled(true);
    prepareApplication();
    const QString out = app.arguments().value(1, QStringLiteral("screenshots"));
    QDir().mkpath(out);
    QTemporaryDir home;
    qputenv("HOME", QFile::encodeName(home.path()));

    SandboxProcess sandbox;
    QString error;
    if (!sandbox.start(&error)) {
        std::fprintf(stderr, "sandbox: %s\n", qPrintable(error));
        return 1;
    }
    int failures = 0;
    for (const char *role : {"client", "freelancer"}) {
        DemoAccount account;
        for (const DemoAccount &a : demoAccounts())
            if (a.role == QLatin1String(role) && a.totpSecret.isEmpty() && account.email.isEmpty())
                account = a;
        ClientSession client(sandbox.origin());
        if (!waitFor([&] { return client.page() == QLatin1String("LoginView"); }))
            return 1;
        if (QLatin1String(role) == QLatin1String("client"))
            failures += !shoot(client, out + QStringLiteral("/login.png"));
        client.type(QStringLiteral("emailField"), account.email);
        client.type(QStringLiteral("passwordField"), account.password);
        client.click(QStringLiteral("submitButton"));
        if (!waitFor([&] { return client.page() == QLatin1String("HomeView"); })) {
            std::fprintf(stderr, "%s could not sign in\n", role);
            return 1;
        }
        for (const QString &tab : client.tabs()) {
            client.click(QStringLiteral("tab_") + tab);
            QString name = tab.toLower();
            name.replace(QLatin1Char(' '), QLatin1Char('-'));
            failures += !shoot(client,
                               QStringLiteral("%1/%2-%3.png").arg(out, QLatin1String(role), name));
        }
        client.click(QStringLiteral("signOutButton"));
    }
    return failures == 0 ? 0 : 1;
}
