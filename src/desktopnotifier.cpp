#include "desktopnotifier.h"

#include "velto_config.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QSettings>
#include <QVariantMap>

using namespace Qt::StringLiterals;

namespace {

const QString Service = u"org.freedesktop.Notifications"_s;
const QString Path = u"/org/freedesktop/Notifications"_s;
const QString Interface = u"org.freedesktop.Notifications"_s;
const QString Setting = u"desktopNotifications"_s;
// What the service names the person's click on the notification itself.
const QString DefaultAction = u"default"_s;

} // namespace

QVariantList NotificationArrivals::take(const QVariantList &notifications)
{
    QVariantList news;
    QSet<QString> ids;
    for (const QVariant &entry : notifications) {
        const QVariantMap record = entry.toMap();
        const QVariant id = record.value(u"id"_s);
        if (!id.isValid() || id.isNull())
            continue;
        ids.insert(id.toString());
        // Absent (an invalid value) counts as null.
        if (previous && !previous->contains(id.toString()) && record.value(u"read_at"_s).isNull())
            news.append(record);
    }
    previous = std::move(ids);
    return news;
}

DesktopNotifier::DesktopNotifier(QObject *parent) : QObject(parent) { }

DesktopNotifier::DesktopNotifier(const QString &busAddress, QObject *parent)
    : QObject(parent), address(busAddress)
{
}

DesktopNotifier::~DesktopNotifier() = default;

bool DesktopNotifier::enabled() const
{
    if (!on)
        on = QSettings().value(Setting, true).toBool();
    return *on;
}

void DesktopNotifier::setEnabled(bool value)
{
    if (value == enabled())
        return;
    on = value;
    QSettings().setValue(Setting, value);
    emit enabledChanged();
}

QVariantList DesktopNotifier::arrivals(const QVariantList &notifications)
{
    return seen.take(notifications);
}

void DesktopNotifier::forget()
{
    seen.forget();
}

void DesktopNotifier::notify(const QString &title)
{
    if (!enabled() || !bus().isConnected())
        return;
    const QString appId = QString::fromUtf8(VELTO_APP_ID);
    QDBusMessage call = QDBusMessage::createMethodCall(Service, Path, Interface, u"Notify"_s);
    // The summary is plain text to the service; the body may be read as markup, so no text of
    // the marketplace goes there. The icon and the desktop entry are both named by the app id.
    call << u"Velto"_s << uint(0) << appId << title << QString()
         << QStringList {DefaultAction, u"Open"_s} << QVariantMap {{u"desktop-entry"_s, appId}}
         << int(-1);
    auto *watcher = new QDBusPendingCallWatcher(bus().asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher *w) {
        const QDBusPendingReply<uint> reply = *w;
        if (reply.isValid())
            shown.insert(reply.value());
        w->deleteLater();
    });
}

// Connecting waits for the bus to greet us: done on the first notification, not at start-up.
// A bus that is missing stays a connection that is not connected, asked no more.
QDBusConnection &DesktopNotifier::bus()
{
    if (connection)
        return *connection;
    connection = std::make_unique<QDBusConnection>(
        address.isEmpty() ? QDBusConnection::sessionBus()
                          : QDBusConnection::connectToBus(address, u"velto-notifier "_s + address));
    if (connection->isConnected()) {
        // Any sender: naming the service would make Qt look its owner up, blocking.
        connection->connect(QString(), Path, Interface, u"ActionInvoked"_s, this,
                            SLOT(onActionInvoked(uint, QString)));
        connection->connect(QString(), Path, Interface, u"ActivationToken"_s, this,
                            SLOT(onActivationToken(uint, QString)));
        connection->connect(QString(), Path, Interface, u"NotificationClosed"_s, this,
                            SLOT(onClosed(uint, uint)));
    }
    return *connection;
}

void DesktopNotifier::onActionInvoked(uint id, const QString &action)
{
    if (shown.contains(id) && action == DefaultAction)
        emit activated();
}

// Sent just before the action: a Wayland compositor lets the window take the focus only with it,
// and the platform takes it from the environment when the window next asks to be activated.
void DesktopNotifier::onActivationToken(uint id, const QString &token)
{
    if (shown.contains(id))
        qputenv("XDG_ACTIVATION_TOKEN", token.toUtf8());
}

void DesktopNotifier::onClosed(uint id, uint)
{
    shown.remove(id);
}
