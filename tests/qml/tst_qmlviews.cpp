#include "../failonwarnings.h"
#include "testdoubles.h"
#include "velto_config.h"

#include <QAccessible>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QQmlContext>
#include <QQmlEngine>
#include <QStyleHints>
#include <QTcpServer>
#include <QtQuickTest>

// What the view tests set about the machine and what they watch of it: the double-click interval
// (0 by default, so a test may press a button the moment it appears), the URLs handed to the
// default browser (QDesktopServices, Qt.openUrlExternally), caught instead of opened, and a
// listener on a local port that counts who connects: a page reading the service's words as
// markup would fetch an <img> from it.
class Machine : public QObject
{
    Q_OBJECT
    Q_PROPERTY(int port READ port CONSTANT)
    // The service origin the program was built for, which the views hand to the browser.
    Q_PROPERTY(QString origin READ origin CONSTANT)
    Q_PROPERTY(int connections MEMBER accepted NOTIFY connectionsChanged)
    Q_PROPERTY(QStringList urls MEMBER opened CONSTANT)
public:
    Machine()
    {
        listener.listen(QHostAddress::LocalHost);
        connect(&listener, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *s = listener.nextPendingConnection())
                s->deleteLater();
            ++accepted;
            emit connectionsChanged();
        });
    }
    int port() const { return listener.serverPort(); }
    QString origin() const { return QStringLiteral(VELTO_SERVICE_ORIGIN); }
    Q_INVOKABLE void clearUrls() { opened.clear(); }
    // For a test case's initTestCase(): a Qt Quick test has no C++ init().
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

signals:
    void connectionsChanged();

private:
    QTcpServer listener;
    int accepted = 0;
    QStringList opened;
};

// Publishes the test doubles to every test document, the way start-up publishes the real
// objects, and routes browser hand-offs to the machine.
class Setup : public QObject
{
    Q_OBJECT
public slots:
    void applicationAvailable()
    {
        machine = std::make_unique<Machine>();
        for (const QString &scheme : {u"https"_s, u"http"_s})
            QDesktopServices::setUrlHandler(scheme, machine.get(), "open");
        machine->setDoubleClickInterval(0);
        // As when a screen reader is running: controls then set up what they tell it.
        QAccessible::setActive(true);
    }

    void qmlEngineAvailable(QQmlEngine *engine)
    {
        // The documents of the module, for `import Velto` in test documents.
        engine->addImportPath(u"qrc:/qt/qml"_s);
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
