// The program as it ships (ClientProgram), driven for the start-up and memory benchmarks.
//   bench_client ORIGIN signin    first frame of the sign-in page
//   bench_client ORIGIN discover  first frame of the resumed shell with 50 projects in Discover
//   bench_client ORIGIN tour      resumed shell, every tab visited and loaded
// Prints "first-frame <peak RSS MiB>" (or "toured <peak RSS MiB>") and quits.
#include "benchreport.h"
#include "startup.h"

#include <QGuiApplication>
#include <QQmlApplicationEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QTimer>
#include <cstdio>
#include <functional>

namespace {

QQuickItem *find(QQuickWindow *window, const char *name)
{
    return findVisual(window->contentItem(), QLatin1String(name));
}

void report(const char *what)
{
    std::printf("%s %.1f\n", what, peakRssMiB());
    std::fflush(stdout);
    QCoreApplication::exit(0);
}

// Rows the view shows: its `items`, or the rows of its first list.
int rows(QQuickItem *view)
{
    return view ? view->property("items").toList().size() : 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 3)
        return 2;
    const QString mode = args.at(2);
    ClientProgram program(args.at(1));
    if (!program.load())
        return 1;
    auto *window = qobject_cast<QQuickWindow *>(program.engine().rootObjects().value(0));

    if (mode == QLatin1String("signin") || mode == QLatin1String("discover")) {
        QObject::connect(window, &QQuickWindow::frameSwapped, &app, [&] {
            if (mode == QLatin1String("signin") ? find(window, "LoginView") != nullptr
                                                : rows(find(window, "DiscoverView")) >= 50)
                report("first-frame");
        });
    } else {
        // Each tab in turn, moving on once its view has been shown for a moment: loads come back
        // within that time from a local service.
        auto *tabs = new QTimer(&app);
        int step = -1;
        QObject::connect(tabs, &QTimer::timeout, &app, [&] {
            QQuickItem *home = find(window, "HomeView");
            if (!home)
                return;
            const QStringList names = home->property("tabs").toStringList();
            if (++step >= names.size())
                return report("toured");
            home->setProperty("current", names.at(step));
        });
        tabs->start(400);
    }
    QTimer::singleShot(60000, &app, [] { QCoreApplication::exit(3); });
    return app.exec();
}
