// What a screen reader is told, read where it reads it: over the AT-SPI bus, from the registry's
// desktop down, as "role 'name'". Every control shown on the sign-in page and on a list page has
// a name. CTest runs it on an X server and in a D-Bus session of its own (xvfb-run,
// dbus-run-session); without that bus, or without a client on it, it skips and says why.
#include "clientsession.h"
#include "sandboxprocess.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusPendingCall>
#include <QDBusVariant>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QString Accessible = u"org.a11y.atspi.Accessible"_s;
constexpr uint PasswordText = 40; // ATSPI_ROLE_PASSWORD_TEXT
constexpr uint Showing = 25; // ATSPI_STATE_SHOWING
// The roles a person acts on.
const QStringList ControlRoles = {u"push button"_s,  u"text"_s,      u"password text"_s,
                                  u"radio button"_s, u"check box"_s, u"list item"_s};

// The accessibility bus, where the program answers the reader's questions from its own event
// loop: every call waits for its answer without blocking that loop.
class Reader
{
public:
    explicit Reader(const QString &address)
        : bus(QDBusConnection::connectToBus(address, u"reader"_s))
    {
    }
    ~Reader() { QDBusConnection::disconnectFromBus(u"reader"_s); }

    QVariant ask(const QString &service, const QString &path, const QString &interface,
                 const QString &method, const QVariantList &args = {})
    {
        QDBusMessage call = QDBusMessage::createMethodCall(service, path, interface, method);
        call.setArguments(args);
        QDBusPendingCall pending = bus.asyncCall(call, Patience);
        if (!QTest::qWaitFor([&] { return pending.isFinished(); }, Patience))
            return {};
        const QList<QVariant> out = pending.reply().arguments();
        return out.isEmpty() ? QVariant() : out.first();
    }

    // The children of a node, as (service, path) pairs.
    QList<QPair<QString, QString>> children(const QString &service, const QString &path)
    {
        QList<QPair<QString, QString>> out;
        const auto arg = ask(service, path, Accessible, u"GetChildren"_s).value<QDBusArgument>();
        arg.beginArray();
        while (!arg.atEnd()) {
            QString childService;
            QDBusObjectPath childPath;
            arg.beginStructure();
            arg >> childService >> childPath;
            arg.endStructure();
            out.append({childService, childPath.path()});
        }
        arg.endArray();
        return out;
    }

    // Every control shown under the node, as a reader announces it: "push button 'Sign in'".
    QStringList controls(const QString &service, const QString &path)
    {
        const auto state = ask(service, path, Accessible, u"GetState"_s).value<QDBusArgument>();
        QList<uint> bits;
        state >> bits;
        if (bits.isEmpty() || !(bits.first() & (1u << Showing)))
            return {};
        QStringList out;
        const uint role = ask(service, path, Accessible, u"GetRole"_s).toUInt();
        const QString roleName = role == PasswordText
            ? u"password text"_s
            : ask(service, path, Accessible, u"GetRoleName"_s).toString();
        if (ControlRoles.contains(roleName)) {
            const QVariant name = ask(service, path, u"org.freedesktop.DBus.Properties"_s, u"Get"_s,
                                      {Accessible, u"Name"_s});
            out.append(u"%1 '%2'"_s.arg(roleName, name.value<QDBusVariant>().variant().toString()));
        }
        for (const auto &[childService, childPath] : children(service, path))
            out += controls(childService, childPath);
        return out;
    }

private:
    QDBusConnection bus;
};

} // namespace

class TestE2eAccessibility : public QObject
{
    Q_OBJECT

private slots:
    void signInAndListPage();
};

void TestE2eAccessibility::signInAndListPage()
{
    const QVariant address = [] {
        const QDBusMessage call = QDBusMessage::createMethodCall(
            u"org.a11y.Bus"_s, u"/org/a11y/bus"_s, u"org.a11y.Bus"_s, u"GetAddress"_s);
        const QDBusMessage reply = QDBusConnection::sessionBus().call(call);
        return reply.arguments().isEmpty() ? QVariant() : reply.arguments().first();
    }();
    if (address.toString().isEmpty())
        QSKIP("no accessibility bus: the test needs a D-Bus session with at-spi2-core "
              "(CTest runs it under dbus-run-session)");
    Reader reader(address.toString());

    SandboxProcess sandbox;
    QCOMPARE(prepareEndToEnd(sandbox), QString());
    ClientSession client(sandbox.origin());
    STEPS(client, {"@LoginView"});

    // The program is the one application on this private bus.
    const QString registry = u"org.a11y.atspi.Registry"_s;
    const QString desktop = u"/org/a11y/atspi/accessible/root"_s;
    QList<QPair<QString, QString>> apps;
    const bool registered
        = QTest::qWaitFor([&] { return !(apps = reader.children(registry, desktop)).isEmpty(); });
    if (!registered || apps.size() != 1)
        QSKIP("the client is not on the accessibility bus: its platform has no AT-SPI bridge "
              "(CTest runs it on xcb under xvfb-run)");
    const auto [app, root] = apps.first();

    const QStringList signIn = reader.controls(app, root);
    QCOMPARE(
        signIn,
        QStringList({u"text 'Email'"_s, u"password text 'Password'"_s,
                     u"text '2FA code (if enabled)'"_s, u"push button 'Sign in'"_s,
                     u"push button 'New here? Register'"_s, u"push button 'Forgot password?'"_s}));

    // The demo freelancer's Discover: the tabs, the list's buttons and its rows.
    STEPS(client, {"#freelancer@velto.test", "@proposeButton_0"});
    const QStringList discover = reader.controls(app, root);
    QVERIFY2(discover.filter(u"''"_s).isEmpty(), qPrintable(discover.join(u", "_s)));
    for (const QString &expected : {u"push button 'Discover'"_s, u"push button 'Refresh'"_s,
                                    u"push button 'Send proposal'"_s, u"push button 'Sign out'"_s})
        QVERIFY2(discover.contains(expected), qPrintable(discover.join(u", "_s)));
    QVERIFY(!discover.filter(u"list item '"_s).isEmpty());
}

QTEST_MAIN(TestE2eAccessibility)
#include "tst_e2e_accessibility.moc"
