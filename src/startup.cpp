#include "startup.h"

#include "api.h"
#include "desktopnotifier.h"
#include "proctor.h"
#include "trustedca.h"
#include "velto_config.h"

#include <QGuiApplication>
#include <QQmlApplicationEngine>
#include <QQmlContext>
#include <QQuickStyle>
#include <QQuickWindow>

using namespace Qt::StringLiterals;

// The names place the per-user data folder, which Api reads while it is constructed, and the
// style must be chosen before any engine exists. The desktop file name is the installed menu
// entry's, which a Wayland desktop takes the window's icon and name from.
void prepareApplication()
{
    static bool prepared = false;
    if (prepared)
        return;
    prepared = true;
    QCoreApplication::setApplicationName(u"Velto"_s);
    QCoreApplication::setOrganizationName(u"Velto"_s);
    QGuiApplication::setDesktopFileName(QString::fromUtf8(VELTO_APP_ID));
    QQuickStyle::setStyle(u"Fusion"_s);
    installEmbeddedCa();
}

ClientProgram::ClientProgram(const QString &origin)
{
    prepareApplication();
    apiObject = origin.isEmpty() ? std::make_unique<Api>() : std::make_unique<Api>(origin);
    proctorObject = std::make_unique<Proctor>();
    notifierObject = std::make_unique<DesktopNotifier>();
    engineObject = std::make_unique<QQmlApplicationEngine>();
    engineObject->rootContext()->setContextProperty(u"Api"_s, apiObject.get());
    engineObject->rootContext()->setContextProperty(u"Proctor"_s, proctorObject.get());
    engineObject->rootContext()->setContextProperty(u"Notifier"_s, notifierObject.get());
}

ClientProgram::~ClientProgram()
{
    engineObject.reset();
    notifierObject.reset();
    proctorObject.reset();
    apiObject.reset();
}

bool ClientProgram::load(const QUrl &document)
{
    if (!document.isEmpty()) {
        engineObject->load(document);
    } else {
#if QT_VERSION >= QT_VERSION_CHECK(6, 5, 0)
        engineObject->loadFromModule("Velto", "Main");
#else
        engineObject->load(QUrl(u"qrc:/qt/qml/Velto/qml/Main.qml"_s));
#endif
    }
    const QList<QObject *> roots = engineObject->rootObjects();
    // Closing the window is a way out of an exam too: the microphone closes before anything else
    // is taken down.
    // (By name: the signal's argument type is private to Qt Quick.)
    if (auto *window = qobject_cast<QQuickWindow *>(roots.value(0))) {
        const QMetaObject *windowType = window->metaObject();
        QObject::connect(
            window, windowType->method(windowType->indexOfSignal("closing(QQuickCloseEvent*)")),
            proctorObject.get(),
            Proctor::staticMetaObject.method(Proctor::staticMetaObject.indexOfMethod("stop()")));
    }
    return !roots.isEmpty();
}

int runClient(int &argc, char **argv, const QUrl &mainDocument)
{
    QGuiApplication app(argc, argv);
    ClientProgram program;
    if (!program.load(mainDocument))
        return -1;
    return app.exec();
}
