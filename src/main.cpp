#include "api.h"
#include "proctor.h"
#include "trustedca.h"

#include <QGuiApplication>
#include <QQmlApplicationEngine>
#include <QQmlContext>
#include <QQuickStyle>
#include <QUrl>

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("Velto"));
    app.setOrganizationName(QStringLiteral("Velto"));
    QQuickStyle::setStyle(QStringLiteral("Fusion"));
    installEmbeddedCa();

    Api api;
    Proctor proctor;
    QQmlApplicationEngine engine;
    engine.rootContext()->setContextProperty(QStringLiteral("Api"), &api);
    engine.rootContext()->setContextProperty(QStringLiteral("Proctor"), &proctor);

#if QT_VERSION >= QT_VERSION_CHECK(6, 5, 0)
    engine.loadFromModule("Velto", "Main");
#else
    engine.load(QUrl(QStringLiteral("qrc:/qt/qml/Velto/qml/Main.qml")));
#endif
    if (engine.rootObjects().isEmpty())
        return -1;
    return app.exec();
}
