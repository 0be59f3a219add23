// The floor every start-up and memory figure is measured against: a bare window from the same
// Qt and style (a title, two text fields and a button). It prints "first-frame <peak RSS MiB>"
// at its first frame and quits.
#include "benchreport.h"

#include <QGuiApplication>
#include <QQmlApplicationEngine>
#include <QQuickStyle>
#include <QQuickWindow>
#include <cstdio>

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    QQuickStyle::setStyle(QStringLiteral("Fusion"));
    QQmlApplicationEngine engine;
    engine.loadData(R"(
        import QtQuick
        import QtQuick.Controls.Fusion
        ApplicationWindow {
            width: 1100; height: 760; visible: true; title: "Floor"
            Column {
                anchors.centerIn: parent; spacing: 12; width: 380
                TextField { width: parent.width; placeholderText: "Email" }
                TextField { width: parent.width; placeholderText: "Password" }
                Button { width: parent.width; text: "Sign in" }
            }
        })");
    auto *window = qobject_cast<QQuickWindow *>(engine.rootObjects().value(0));
    if (!window)
        return 1;
    QObject::connect(window, &QQuickWindow::frameSwapped, &app, [] {
        std::printf("first-frame %.1f\n", peakRssMiB());
        std::fflush(stdout);
        QCoreApplication::exit(0);
    });
    return app.exec();
}
