// Desktop notifications against a stand-in desktop (a bus and notification service of the
// test's own), the person's setting, and which fetched notifications are news.
#include "desktopnotifier.h"
#include "notificationservice.h"
#include "velto_config.h"

#include <QDBusPendingCallWatcher>
#include <QSettings>
#include <QtTest>

using namespace Qt::StringLiterals;

#define REQUIRE_DESKTOP()                                                                          \
    if (!desktop->error.isEmpty())                                                                 \
    QSKIP(qPrintable(desktop->error))

namespace {

// "3 2r 1e ?": records with ids 3, 2 and 1 and one without an id; unread (read_at null) unless
// read (r) or with an empty read_at (e).
QVariantList fetch(const QString &words)
{
    QVariantList records;
    for (QString word : words.split(u' ', Qt::SkipEmptyParts)) {
        QVariant readAt = QVariant::fromValue(nullptr);
        if (word.endsWith(u'r') || word.endsWith(u'e'))
            readAt = word.endsWith(u'r') ? u"2024-05-01 10:00:00"_s : u""_s;
        QVariantMap record {{u"title"_s, word}, {u"read_at"_s, readAt}};
        if (word != u"?")
            record[u"id"_s] = word.toInt() ? word.toInt() : word.chopped(1).toInt();
        records.append(record);
    }
    return records;
}

} // namespace

class TestDesktopNotifier : public QObject
{
    Q_OBJECT
    std::unique_ptr<NotificationDesktop> desktop;

private slots:
    void initTestCase()
    {
        QCoreApplication::setOrganizationName(u"Velto"_s);
        QCoreApplication::setApplicationName(u"Velto"_s);
        QStandardPaths::setTestModeEnabled(true);
    }
    void init()
    {
        QSettings().clear(); // the setting as shipped
        desktop.reset(); // its connection's name is taken until it goes
        desktop = std::make_unique<NotificationDesktop>();
    }

    void arrivals_data()
    {
        QTest::addColumn<QStringList>("fetches"); // "-": forget() (signed out)
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
        DesktopNotifier notifier;
        QVariantList last;
        for (const QString &words : fetches) {
            if (words == u"-")
                notifier.forget();
            else
                last = notifier.arrivals(fetch(words));
        }
        QStringList ids;
        for (const QVariant &record : last)
            ids << record.toMap().value(u"id"_s).toString();
        QCOMPARE(ids.join(u' '), news);
    }

    // The summary is plain text to the service; the body, which it may read as markup, is empty.
    void showsTitleAsPlainText()
    {
        REQUIRE_DESKTOP();
        const QStringList titles {u"Proposal received"_s, u"<b>Asha</b> &amp; <img src=\"x\">"_s};
        DesktopNotifier notifier(desktop->address());
        for (const QString &title : titles)
            notifier.notify(title);
        QTRY_COMPARE(desktop->calls.size(), 2);
        const QString appId = QString::fromUtf8(VELTO_APP_ID);
        for (const auto &call : std::as_const(desktop->calls)) {
            QCOMPARE(call.summary, titles.at(call.id - 1));
            QCOMPARE(call.body, QString());
            QCOMPARE(call.appName, u"Velto"_s);
            QCOMPARE(call.appIcon, appId);
            QCOMPARE(call.hints.value(u"desktop-entry"_s).toString(), appId);
            QVERIFY(call.actions.contains(u"default"_s));
        }
    }

    void settingIsKeptAndHonoured()
    {
        REQUIRE_DESKTOP();
        {
            DesktopNotifier first(desktop->address());
            QVERIFY(first.enabled());
            QSignalSpy changed(&first, &DesktopNotifier::enabledChanged);
            first.setEnabled(false);
            QCOMPARE(changed.count(), 1);
            first.notify(u"While off"_s);
        }
        DesktopNotifier again(desktop->address());
        QVERIFY(!again.enabled());
        again.notify(u"Still off"_s);
        again.setEnabled(true);
        again.notify(u"On again"_s);
        // One connection carries them all in order: the first to arrive is the last sent.
        QTRY_COMPARE(desktop->calls.size(), 1);
        QCOMPARE(desktop->calls.first().summary, u"On again"_s);
    }

    void activationOnlyForOurs()
    {
        REQUIRE_DESKTOP();
        DesktopNotifier other(desktop->address());
        DesktopNotifier ours(desktop->address());
        QSignalSpy otherActivated(&other, &DesktopNotifier::activated);
        QSignalSpy oursActivated(&ours, &DesktopNotifier::activated);
        other.notify(u"Someone else's"_s);
        ours.notify(u"Proposal received"_s);
        QTRY_COMPARE(desktop->calls.size(), 2);
        // The service's signals reach every client. Once the second has reached the other
        // notifier, the first has reached ours.
        emit desktop->ActionInvoked(1, u"default"_s);
        emit desktop->ActionInvoked(1, u"default"_s);
        QTRY_COMPARE(otherActivated.count(), 2);
        QCOMPARE(oursActivated.count(), 0);
        desktop->invoke(2);
        QTRY_COMPARE(oursActivated.count(), 1);
    }

    void silentWithoutService_data()
    {
        QTest::addColumn<bool>("busless");
        QTest::newRow("no session bus") << true;
        QTest::newRow("no service on the bus") << false;
    }
    void silentWithoutService()
    {
        QTest::failOnWarning(QRegularExpression(u".*"_s));
        QFETCH(bool, busless);
        std::unique_ptr<DesktopNotifier> notifier;
        if (busless) {
            // Nothing else in this process uses the session bus.
            const QTemporaryDir nowhere;
            qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + nowhere.filePath(u"bus"_s).toUtf8());
            notifier = std::make_unique<DesktopNotifier>();
        } else {
            REQUIRE_DESKTOP();
            desktop->withdraw();
            notifier = std::make_unique<DesktopNotifier>(desktop->address());
        }
        notifier->notify(u"Proposal received"_s);
        QTRY_VERIFY(notifier->findChildren<QDBusPendingCallWatcher *>().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestDesktopNotifier)
#include "tst_desktopnotifier.moc"
