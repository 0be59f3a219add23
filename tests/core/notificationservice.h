#pragma once

#include <QtCore>

// A bare session bus with a stand-in notification service that records every Notify. libdbus reads
// the bus address once per process: useAsSessionBus() before anything uses the session bus.
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

    QString error; // why the bus or the service is missing; empty when both are there
    QList<Call> calls; // in the order they came
    QString address() const { return busAddress; }
    void useAsSessionBus() const { qputenv("DBUS_SESSION_BUS_ADDRESS", busAddress.toUtf8()); }
    // The person's click on notification `id`, which then closes.
    void invoke(uint id)
    {
        emit ActionInvoked(id, QStringLiteral("default"));
        emit NotificationClosed(id, 2);
    }

public slots:
    uint Notify(const QString &appName, uint replacesId, const QString &appIcon,
                const QString &summary, const QString &body, const QStringList &actions,
                const QVariantMap &hints, int expireTimeout);

signals:
    void ActionInvoked(uint id, const QString &actionKey);
    void ActivationToken(uint id, const QString &token);
    void NotificationClosed(uint id, uint reason);

private:
    QTemporaryDir folder;
    QProcess daemon;
    QString busAddress;
};
