#include "../failonwarnings.h"
#include "testdoubles.h"

#include <QAccessible>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QQmlContext>
#include <QQmlEngine>
#include <QStyleHints>
#include <QTcpServer>
#include <QtQuickTest>

// The machine as the view tests set and watch it: the double-click interval, URLs caught instead of
// opened, and a listener counting connections (service text read as markup would fetch an <img>).
class Machine : public QObject
{
    Q_OBJECT
    Q_PROPERTY(int port READ port CONSTANT)
    Q_PROPERTY(int connections MEMBER accepted CONSTANT)
    Q_PROPERTY(QStringList urls MEMBER opened CONSTANT)
public:
    Machine()
    {
        listener.listen(QHostAddress::LocalHost);
        connect(&listener, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *s = listener.nextPendingConnection())
                s->deleteLater();
            ++accepted;
        });
    }
    int port() const { return listener.serverPort(); }
    Q_INVOKABLE void clearUrls() { opened.clear(); }
    Q_INVOKABLE void failOnWarnings() { failOnWarningsAndErrors(); }
    Q_INVOKABLE void setDoubleClickInterval(int ms)
    {
        QGuiApplication::styleHints()->setMouseDoubleClickInterval(ms);
    }
    // What a screen reader is told of an item: { name, description }.
    Q_INVOKABLE QVariantMap accessible(QObject *item) const
    {
        QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(item);
        if (!iface)
            return {};
        return {{u"name"_s, iface->text(QAccessible::Name)},
                {u"description"_s, iface->text(QAccessible::Description)}};
    }

public slots:
    // Called by QDesktopServices; must stay a slot.
    void open(const QUrl &url) { opened.append(url.toString()); }

private:
    QTcpServer listener;
    int accepted = 0;
    QStringList opened;
};

// Publishes the doubles to every test document as start-up publishes the real objects.
class Setup : public QObject
{
    Q_OBJECT
public slots:
    void applicationAvailable()
    {
        machine = std::make_unique<Machine>();
        for (const QString &scheme : {u"https"_s, u"http"_s})
            QDesktopServices::setUrlHandler(scheme, machine.get(), "open");
        // As when a screen reader runs: controls then set up what they tell it.
        QAccessible::setActive(true);
    }

    void qmlEngineAvailable(QQmlEngine *engine)
    {
        engine->rootContext()->setContextProperty(u"Api"_s, &api);
        engine->rootContext()->setContextProperty(u"Proctor"_s, &proctor);
        engine->rootContext()->setContextProperty(u"Notifier"_s, &notifier);
        engine->rootContext()->setContextProperty(u"Machine"_s, machine.get());
    }

    void cleanupTestCase()
    {
        for (const QString &scheme : {u"https"_s, u"http"_s})
            QDesktopServices::unsetUrlHandler(scheme);
    }

private:
    FakeApi api;
    FakeProctor proctor;
    FakeNotifier notifier;
    std::unique_ptr<Machine> machine;
};

QUICK_TEST_MAIN_WITH_SETUP(velto_views, Setup)

#include "tst_qmlviews.moc"
