// Which fetched notifications are news, and desktop notifications on a stand-in desktop; what the
// shell does with them is tst_e2e_notifications'.
#include "desktopnotifier.h"
#include "notificationservice.h"
#include "velto_config.h"

#include <QSettings>
#include <QtTest>

using namespace Qt::StringLiterals;

class TestDesktopNotifier : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QCoreApplication::setOrganizationName(u"Velto"_s);
        QCoreApplication::setApplicationName(u"Velto"_s);
        QStandardPaths::setTestModeEnabled(true);
        QSettings().clear(); // the setting as shipped
    }

    void arrivals_data()
    {
        // Each fetch: "3 2r 1e ?" holds ids 3, 2 and 1 and one without an id, unread unless read
        // (r) or with an empty read_at (e); "-" is forget() (signed out).
        QTest::addColumn<QStringList>("fetches");
        QTest::addColumn<QString>("news"); // ids of the last fetch's news
        QTest::newRow("first fetch only learns") << QStringList {u"2 1"_s} << u""_s;
        QTest::newRow("new and unread") << QStringList {u"1"_s, u"3 2 1"_s} << u"3 2"_s;
        QTest::newRow("new but read") << QStringList {u"1"_s, u"3r 2e 1"_s} << u""_s;
        QTest::newRow("seen, still unread") << QStringList {u"2 1"_s, u"3 2 1"_s} << u"3"_s;
        QTest::newRow("against the last fetch")
            << QStringList {u"1"_s, u"2 1"_s, u"2 1"_s} << u""_s;
        QTest::newRow("after an empty fetch") << QStringList {u""_s, u"1"_s} << u"1"_s;
        QTest::newRow("after forget()") << QStringList {u"1"_s, u"-"_s, u"2 1"_s} << u""_s;
        QTest::newRow("without an id") << QStringList {u"1"_s, u"? 1"_s} << u""_s;
    }
    void arrivals()
    {
        QFETCH(QStringList, fetches);
        QFETCH(QString, news);
        NotificationArrivals seen;
        QStringList ids;
        for (const QString &fetch : fetches) {
            if (fetch == u"-") {
                seen.forget();
                continue;
            }
            QVariantList records;
            for (const QString &w : fetch.split(u' ', Qt::SkipEmptyParts)) {
                const QVariant readAt = w.endsWith(u'r') ? u"2024-05-01 10:00:00"_s
                    : w.endsWith(u'e')                   ? u""_s
                                                         : QVariant::fromValue(nullptr);
                QVariantMap record {{u"read_at"_s, readAt}};
                if (w != u"?")
                    record[u"id"_s] = w.left(1).toInt();
                records.append(record);
            }
            ids.clear();
            for (const QVariant &record : seen.take(records))
                ids << record.toMap().value(u"id"_s).toString();
        }
        QCOMPARE(ids.join(u' '), news);
    }

    // Shown only while on (the setting kept), the title as plain text under the app's name and
    // icon; activated only by a click on one of its own.
    void notifications()
    {
        NotificationDesktop desktop;
        if (!desktop.error.isEmpty())
            QSKIP(qPrintable(desktop.error));
        DesktopNotifier notifier(desktop.address());
        QSignalSpy activated(&notifier, &DesktopNotifier::activated);
        QVERIFY(notifier.enabled());
        notifier.setEnabled(false);
        QVERIFY(!DesktopNotifier().enabled());
        notifier.notify(u"While off"_s);
        notifier.setEnabled(true);
        const QString title = u"<b>Asha</b> &amp; <img src=\"x\">"_s;
        notifier.notify(title);
        // One connection carries them in order: the first to arrive is the last sent.
        QTRY_COMPARE(desktop.calls.size(), 1);
        const NotificationDesktop::Call call = desktop.calls.first();
        const QString appId = QString::fromUtf8(VELTO_APP_ID);
        QCOMPARE(QStringList({call.summary, call.body, call.appName, call.appIcon,
                              call.hints.value(u"desktop-entry"_s).toString()}),
                 QStringList({title, QString(), u"Velto"_s, appId, appId}));
        QVERIFY(call.actions.contains(u"default"_s));

        // Another application's notification clicked, then a token for ours: signals arrive in
        // order, so once the token is here the click is too.
        emit desktop.ActionInvoked(call.id + 1, u"default"_s);
        emit desktop.ActivationToken(call.id, u"token"_s);
        QTRY_COMPARE(qgetenv("XDG_ACTIVATION_TOKEN"), "token");
        QCOMPARE(activated.count(), 0);
        desktop.invoke(call.id);
        QTRY_COMPARE(activated.count(), 1);
    }
};

QTEST_GUILESS_MAIN(TestDesktopNotifier)
#include "tst_desktopnotifier.moc"
