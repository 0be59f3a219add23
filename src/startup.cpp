#include "startup.h"

#include "api.h"
#include "proctor.h"
#include "trustedca.h"

#include <QGuiApplication>
#include <QQmlApplicationEngine>
#include <QQmlContext>
#include <QQuickStyle>

int runClient(int &argc, char **argv, const QUrl &mainDocument)
{
    QGuiApplication app(argc, argv);
    // Both names place the per-user data folder, which Api reads while it is constructed.
    app.setApplicationName(QStringLiteral("Velto"));
    app.setOrganizationName(QStringLiteral("Velto"));
    QQuickStyle::setStyle(QStringLiteral("Fusion"));
    installEmbeddedCa();

    Api api;
    Proctor proctor;
    QQmlApplicationEngine engine;
    engine.rootContext()->setContextProperty(QStringLiteral("Api"), &api);
    engine.rootContext()->setContextProperty(QStringLiteral("Proctor"), &proctor);

    if (!mainDocument.isEmpty()) {
        engine.load(mainDocument);
    } else {
#if QT_VERSION >= QT_VERSION_CHECK(6, 5, 0)
        engine.loadFromModule("Velto", "Main");
#else
        engine.load(QUrl(QStringLiteral("qrc:/qt/qml/Velto/qml/Main.qml")));
#endif
    }
    if (engine.rootObjects().isEmpty())
        return -1;
    return app.exec();
}
