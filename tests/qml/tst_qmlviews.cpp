#include "testdoubles.h"

#include <QDesktopServices>
#include <QQmlContext>
#include <QQmlEngine>
#include <QtQuickTest>

// Publishes the test doubles to every test document, the way start-up publishes the real
// objects, and routes browser hand-offs to the catcher.
class Setup : public QObject
{
    Q_OBJECT
public slots:
    void applicationAvailable()
    {
        QDesktopServices::setUrlHandler(QStringLiteral("https"), &browser, "open");
        QDesktopServices::setUrlHandler(QStringLiteral("http"), &browser, "open");
    }

    void qmlEngineAvailable(QQmlEngine *engine)
    {
        api.reset();
        proctor.reset();
        browser.clear();
        // The documents of the module, for `import Velto` in test documents.
        engine->addImportPath(QStringLiteral("qrc:/qt/qml"));
        engine->rootContext()->setContextProperty(QStringLiteral("Api"), &api);
        engine->rootContext()->setContextProperty(QStringLiteral("Proctor"), &proctor);
        engine->rootContext()->setContextProperty(QStringLiteral("Browser"), &browser);
    }

    void cleanupTestCase()
    {
        QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
        QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
    }

private:
    FakeApi api;
    FakeProctor proctor;
    BrowserCatcher browser;
};

QUICK_TEST_MAIN_WITH_SETUP(velto_views, Setup)

#include "tst_qmlviews.moc"
