// The program as it ships (ClientProgram), driven for the start-up and memory benchmarks.
//   bench_client ORIGIN signin    first frame of the sign-in page
//   bench_client ORIGIN discover  first frame of the resumed shell with 50 projects in Discover
//   bench_client ORIGIN tour      resumed shell, every tab visited and loaded
//   bench_client ORIGIN exam      resumed freelancer shell; a person's pause, then an exam is
//                                 started, left (another tab) and started again, several times
// Prints "first-frame <peak RSS MiB>" (or "toured <peak RSS MiB>", or "exam <ms> <ms> …": each
// start from the click on "Take Level" to the first frame of the exam page, whose proctor has
// opened the microphone by then) and quits.
#include "benchreport.h"
#include "startup.h"

#include <QElapsedTimer>
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

// A person reaching an exam after the shell appears: the Skills tab, then a level's button.
constexpr int PersonMs = 3000;
constexpr int Starts = 5;

// Starts exams in the shell of `window` as a person does, and reports how long each took.
class ExamStarts : public QObject
{
public:
    ExamStarts(QQuickWindow *window, QObject *parent) : QObject(parent), window(window)
    {
        QTimer::singleShot(PersonMs, this, [this] { next(); });
        connect(window, &QQuickWindow::frameSwapped, this, &ExamStarts::frame);
    }

private:
    // The Skills tab, then the first level offered, once the catalogue is in.
    void next()
    {
        QQuickItem *home = find(this->window, "HomeView");
        home->setProperty("current", QStringLiteral("Skills"));
        auto *poll = new QTimer(this);
        connect(poll, &QTimer::timeout, this, [this, poll] {
            QQuickItem *view = find(this->window, "SkillsView");
            const QVariantList offered
                = view ? view->property("assessments").toList() : QVariantList();
            for (int i = 0; i < offered.size(); ++i) {
                // A level with a fee hands over to the browser instead.
                QQuickItem *take = findVisual(view, QStringLiteral("takeButton_%1").arg(i));
                if (take && take->isVisible() && take->isEnabled()
                    && offered.at(i).toMap().value(QStringLiteral("feePaise")).toLongLong() == 0) {
                    poll->deleteLater();
                    clock.start();
                    QMetaObject::invokeMethod(take, "clicked");
                    return;
                }
            }
        });
        poll->start(20);
    }

    void frame()
    {
        QQuickItem *page = find(window, "examPage");
        if (!clock.isValid() || !page || !page->isVisible())
            return;
        startsMs << QString::number(clock.nsecsElapsed() / 1e6, 'f', 1);
        clock.invalidate();
        if (startsMs.size() == Starts) {
            std::printf("exam %s\n", qPrintable(startsMs.join(u' ')));
            std::fflush(stdout);
            QCoreApplication::exit(0);
            return;
        }
        // Leaving the tab ends the exam page (and stops the proctor); then back to it.
        find(window, "HomeView")->setProperty("current", QStringLiteral("Discover"));
        QTimer::singleShot(500, this, [this] { next(); });
    }

    QQuickWindow *window;
    QElapsedTimer clock;
    QStringList startsMs;
};

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
    } else if (mode == QLatin1String("exam")) {
        new ExamStarts(window, &app);
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
