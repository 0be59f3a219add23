#pragma once

#include <QObject>
#include <QSet>
#include <QString>
#include <QVariantList>
#include <memory>
#include <optional>

class QDBusConnection;

// Which notifications of a fetch are news to the person: the unread ones whose ids the previous
// fetch did not hold. Only a previous fetch can tell what is new, so the first fetch after
// construction or forget() merely learns what is there and signing in does not pop up the whole
// backlog; an empty fetch is a fetch like any other. A record is unread while its read_at is
// absent or null (an empty string is read), and a record without an id is never news.
class NotificationArrivals
{
public:
    // The records of `notifications` ({ id, title, read_at, … }) that are news, in their order;
    // the fetch becomes the one the next call compares with.
    QVariantList take(const QVariantList &notifications);
    void forget() { previous.reset(); }

private:
    std::optional<QSet<QString>> previous; // ids of the last fetch taken
};

// Desktop notifications through the desktop's notification service (org.freedesktop.Notifications
// on the session bus), and the person's choice of having them. Published to the documents as
// "Notifier":
//
//   property bool enabled       "Desktop notifications" in More: on until turned off, kept in the
//                               settings across restarts. While off, notify() sends nothing.
//   QVariantList arrivals(list) the records of a successful "api/notifications" fetch that are
//                               new since the previous fetch (NotificationArrivals). Give it
//                               every successful fetch, whether or not anything will be shown,
//                               so that the next one is compared with it.
//   void forget()               forgets the previous fetch; at sign-out, so that the next
//                               account's first fetch is again only learnt.
//   void notify(title)          shows one desktop notification: the title as plain text, under
//                               the application's name and icon.
//   signal activated()          the person activated one of the notifications shown: raise the
//                               window on the Notifications tab.
//
// The shell, after each successful fetch:
//     const news = Notifier.arrivals(body.notifications ?? [])
//     if (!win.active) news.forEach(n => Notifier.notify(n.title))
// and on activated(): win.show(); win.raise(); win.requestActivate(); then the tab.
//
// Nothing here touches the bus or the settings until they are first needed, so start-up costs
// neither. Every call to the service is asynchronous and its failure is dropped: a desktop without
// the service, or without a session bus, loses the popup and nothing else.
class DesktopNotifier : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool enabled READ enabled WRITE setEnabled NOTIFY enabledChanged)
public:
    // Shows its notifications through the session bus.
    explicit DesktopNotifier(QObject *parent = nullptr);
    // Through the bus at this address instead (tests: a bus of their own).
    explicit DesktopNotifier(const QString &busAddress, QObject *parent = nullptr);
    ~DesktopNotifier() override;

    bool enabled() const;
    void setEnabled(bool on);

    Q_INVOKABLE QVariantList arrivals(const QVariantList &notifications);
    Q_INVOKABLE void forget();
    Q_INVOKABLE void notify(const QString &title);

signals:
    void enabledChanged();
    void activated();

private slots:
    // The service's signals go to every client of the bus: only ids it gave us count.
    void onActionInvoked(uint id, const QString &action);
    void onActivationToken(uint id, const QString &token);
    void onClosed(uint id, uint reason);

private:
    QDBusConnection &bus();

    const QString address; // empty: the session bus
    std::unique_ptr<QDBusConnection> connection;
    mutable std::optional<bool> on; // the setting, read when first asked
    QSet<uint> shown; // ids of ours the service has not closed yet
    NotificationArrivals seen;
};
