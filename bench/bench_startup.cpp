// Start-up to the first useful page: the program as it ships (ClientProgram), the resume request
// against a service that is not there, and the sign-in page's first frame. Prints milliseconds;
// asserts nothing.
#include "startup.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QQmlApplicationEngine>
#include <QQuickItem>
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

    QTcpServer probe; // a port where nothing listens: the resume request fails at once
    probe.listen(QHostAddress::LocalHost, 0);
    const QString origin = QStringLiteral("https://localhost:%1").arg(probe.serverPort());
    probe.close();

    QList<double> runs;
    for (int i = 0; i < 7; ++i) {
        QElapsedTimer t;
        t.start();
        ClientProgram program(origin);
        if (!program.load())
            return 1;
        auto *window = qobject_cast<QQuickWindow *>(program.engine().rootObjects().value(0));
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
