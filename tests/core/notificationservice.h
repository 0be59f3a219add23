#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <QVariantMap>

// A desktop of the test's own, for its notifications: a session bus (a dbus-daemon that starts
// none of the machine's services) and on it, over a connection of its own, a stand-in of the
// notification service that records every Notify, answers ids from 1 up, and emits what the real
// one emits when the person clicks a notification. libdbus reads the session bus address once per
// process: a test whose client is to use this bus calls useAsSessionBus() before anything in the
// process first uses the session bus.
class NotificationDesktop : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    struct Call
    {
        uint id;
        QString appName, appIcon, summary, body;
        QStringList actions;
        QVariantMap hints;
    };

    NotificationDesktop();
    ~NotificationDesktop() override;

    // Why the bus or the service is missing; empty when both are there.
    QString error;
    QString address() const { return busAddress; }
    void useAsSessionBus() const;
    // Takes the service off the bus, as on a desktop without one.
    void withdraw();

    // Notify calls in the order they came.
    QList<Call> calls;
    // The person's click on notification `id`: ActionInvoked(id, action), then it closes.
    void invoke(uint id, const QString &action = QStringLiteral("default"));

public slots:
    // The service's method, called over the bus.
    uint Notify(const QString &appName, uint replacesId, const QString &appIcon,
                const QString &summary, const QString &body, const QStringList &actions,
                const QVariantMap &hints, int expireTimeout);

signals:
    void ActionInvoked(uint id, const QString &actionKey);
    void NotificationClosed(uint id, uint reason);

private:
    QTemporaryDir folder;
    QProcess daemon;
    QString busAddress;
};
