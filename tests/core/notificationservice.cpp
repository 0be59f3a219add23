#include "notificationservice.h"

#include <QtDBus>

using namespace Qt::StringLiterals;

NotificationDesktop::NotificationDesktop()
{
    // A socket and an open policy, no service files.
    QFile config(folder.filePath(u"bus.conf"_s));
    if (config.open(QIODevice::WriteOnly))
        config.write(u"<busconfig><type>session</type><listen>unix:dir=%1</listen><policy "
                     "context=\"default\"><allow send_destination=\"*\" eavesdrop=\"true\"/>"
                     "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>"_s
                         .arg(folder.path())
                         .toUtf8());
    config.close();
    daemon.start(u"dbus-daemon"_s,
                 {u"--config-file="_s + config.fileName(), u"--print-address"_s, u"--nofork"_s});
    QByteArray out;
    while (!out.contains('\n') && daemon.waitForReadyRead(10000))
        out += daemon.readAllStandardOutput();
    busAddress = QString::fromUtf8(out).trimmed();
    if (busAddress.isEmpty()) {
        error = u"dbus-daemon did not start: "_s + daemon.errorString();
        return;
    }
    QDBusConnection bus = QDBusConnection::connectToBus(busAddress, u"notification desktop"_s);
    if (!bus.registerObject(u"/org/freedesktop/Notifications"_s, this,
                            QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals)
        || !bus.registerService(u"org.freedesktop.Notifications"_s))
        error = u"the service could not be registered: "_s + bus.lastError().message();
}

NotificationDesktop::~NotificationDesktop()
{
    QDBusConnection::disconnectFromBus(u"notification desktop"_s);
    daemon.terminate();
    daemon.waitForFinished(5000);
}

uint NotificationDesktop::Notify(const QString &appName, uint, const QString &appIcon,
                                 const QString &summary, const QString &body,
                                 const QStringList &actions, const QVariantMap &hints, int)
{
    calls.append({uint(calls.size() + 1), appName, appIcon, summary, body, actions, hints});
    return calls.size();
}
