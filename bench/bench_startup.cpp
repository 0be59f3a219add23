// Start-up to the first useful page: engine, Main, the resume request against a service that is
// not there, and the sign-in page's first frame. Prints milliseconds; asserts nothing.
#include "api.h"
#include "proctor.h"
#include "trustedca.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QQmlApplicationEngine>
#include <QQmlContext>
#include <QQuickItem>
#include <QQuickStyle>
#include <QQuickWindow>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTest>
#include <algorithm>
#include <cstdio>

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    QStandardPaths::setTestModeEnabled(true);
    app.setApplicationName(QStringLiteral("Velto"));
    app.setOrganizationName(QStringLiteral("Velto"));
    QQuickStyle::setStyle(QStringLiteral("Fusion"));
    installEmbeddedCa();

    QTcpServer probe; // a port where nothing listens: the resume request fails at once
    probe.listen(QHostAddress::LocalHost, 0);
    const QString origin = QStringLiteral("https://localhost:%1").arg(probe.serverPort());
    probe.close();

    QList<double> runs;
    for (int i = 0; i < 7; ++i) {
        QElapsedTimer t;
        t.start();
        Api api(origin);
        Proctor proctor;
        QQmlApplicationEngine engine;
        engine.rootContext()->setContextProperty(QStringLiteral("Api"), &api);
        engine.rootContext()->setContextProperty(QStringLiteral("Proctor"), &proctor);
        engine.load(QUrl(QStringLiteral("qrc:/qt/qml/Velto/qml/Main.qml")));
        auto *window = qobject_cast<QQuickWindow *>(engine.rootObjects().value(0));
        if (!window)
            return 1;
        bool framed = false;
        QObject::connect(window, &QQuickWindow::frameSwapped, [&] {
            if (window->findChild<QQuickItem *>(QStringLiteral("LoginView")))
                framed = true;
        });
        if (!QTest::qWaitFor([&] { return framed; }, 10000))
            return 1;
        runs << t.nsecsElapsed() / 1e6;
    }
    std::sort(runs.begin(), runs.end());
    std::printf(
        "startup: to the sign-in page's first frame, median %.1f ms (min %.1f, max %.1f, %d runs; "
        "the first run pays for loading plug-ins)\n",
        runs.at(runs.size() / 2), runs.first(), runs.last(), int(runs.size()));
    return 0;
}
