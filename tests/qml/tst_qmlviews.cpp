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
        for (const QString &scheme : {u"https"_s, u"http"_s})
            QDesktopServices::setUrlHandler(scheme, &browser, "open");
    }

    void qmlEngineAvailable(QQmlEngine *engine)
    {
        // The documents of the module, for `import Velto` in test documents.
        engine->addImportPath(u"qrc:/qt/qml"_s);
        engine->rootContext()->setContextProperty(u"Api"_s, &api);
        engine->rootContext()->setContextProperty(u"Proctor"_s, &proctor);
        engine->rootContext()->setContextProperty(u"Browser"_s, &browser);
    }

    void cleanupTestCase()
    {
        for (const QString &scheme : {u"https"_s, u"http"_s})
            QDesktopServices::unsetUrlHandler(scheme);
    }

private:
    FakeApi api;
    FakeProctor proctor;
    BrowserCatcher browser;
};

QUICK_TEST_MAIN_WITH_SETUP(velto_views, Setup)

#include "tst_qmlviews.moc"
