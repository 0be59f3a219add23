// What a screen reader is told, read over the AT-SPI bus: every control shown has a name.
#include "clientsession.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusPendingCall>
#include <QDBusVariant>

namespace {

using Node = std::pair<QString, QDBusObjectPath>; // bus name and object path

// Asks without blocking: the program answers from this same event loop.
QVariant ask(const QDBusConnection &bus, const Node &node, const QString &method,
             const QVariantList &args = {},
             const QString &interface = u"org.a11y.atspi.Accessible"_s)
{
    QDBusMessage call
        = QDBusMessage::createMethodCall(node.first, node.second.path(), interface, method);
    call.setArguments(args);
    const QDBusPendingCall pending = bus.asyncCall(call, Patience);
    const bool answered = QTest::qWaitFor([&] { return pending.isFinished(); }, Patience);
    return answered ? pending.reply().arguments().value(0) : QVariant();
}

QList<Node> childrenOf(const QDBusConnection &bus, const Node &node)
{
    QList<Node> out;
    ask(bus, node, u"GetChildren"_s).value<QDBusArgument>() >> out;
    return out;
}

// Every control shown under the node, as a reader announces it: "push button 'Sign in'".
QStringList controls(const QDBusConnection &bus, const Node &node)
{
    QList<uint> state;
    ask(bus, node, u"GetState"_s).value<QDBusArgument>() >> state;
    if (!(state.value(0) & (1u << 25))) // ATSPI_STATE_SHOWING
        return {};
    QStringList out;
    const QString role = ask(bus, node, u"GetRole"_s).toUInt() == 40 // PASSWORD_TEXT
        ? u"password text"_s
        : ask(bus, node, u"GetRoleName"_s).toString();
    if (QStringList {u"push button"_s, u"text"_s, u"password text"_s, u"radio button"_s,
                     u"check box"_s, u"list item"_s}
            .contains(role)) {
        const QVariant name = ask(bus, node, u"Get"_s, {u"org.a11y.atspi.Accessible"_s, u"Name"_s},
                                  u"org.freedesktop.DBus.Properties"_s);
        out.append(u"%1 '%2'"_s.arg(role, name.value<QDBusVariant>().variant().toString()));
    }
    for (const Node &child : childrenOf(bus, node))
        out += controls(bus, child);
    return out;
}

} // namespace

class TestE2eAccessibility : public QObject
{
    Q_OBJECT

private slots:
    void signInAndListPage();
};

void TestE2eAccessibility::signInAndListPage()
{
    const QString address = ask(QDBusConnection::sessionBus(),
                                {u"org.a11y.Bus"_s, QDBusObjectPath(u"/org/a11y/bus"_s)},
                                u"GetAddress"_s, {}, u"org.a11y.Bus"_s)
                                .toString();
    if (address.isEmpty())
        QSKIP("no accessibility bus: the test needs a D-Bus session with at-spi2-core "
              "(CTest runs it under dbus-run-session)");
    const QDBusConnection bus = QDBusConnection::connectToBus(address, u"reader"_s);
    SandboxProcess sandbox;
    QCOMPARE(prepareEndToEnd(sandbox), QString());
    ClientSession client(sandbox.origin());
    STEPS(client, {"@LoginView"});
    QList<Node> apps; // the program is the one application on this private bus
    const Node desktop {u"org.a11y.atspi.Registry"_s,
                        QDBusObjectPath(u"/org/a11y/atspi/accessible/root"_s)};
    if (!QTest::qWaitFor([&] { return !(apps = childrenOf(bus, desktop)).isEmpty(); })
        || apps.size() != 1)
        QSKIP("the client is not on the accessibility bus: its platform has no AT-SPI bridge "
              "(CTest runs it on xcb under xvfb-run)");

    QCOMPARE(
        controls(bus, apps.first()),
        QStringList({u"text 'Email'"_s, u"password text 'Password'"_s,
                     u"text '2FA code (if enabled)'"_s, u"push button 'Sign in'"_s,
                     u"push button 'New here? Register'"_s, u"push button 'Forgot password?'"_s}));
    // The demo freelancer's Discover: the tabs, the list's rows and their buttons.
    STEPS(client, {"#freelancer@velto.test", "@proposeButton_0"});
    const QStringList discover = controls(bus, apps.first());
    QVERIFY2(discover.filter(u"''"_s).isEmpty()
                 && discover.contains(u"push button 'Send proposal'"_s),
             qPrintable(discover.join(u", "_s)));
}

QTEST_MAIN(TestE2eAccessibility)
#include "tst_e2e_accessibility.moc"
