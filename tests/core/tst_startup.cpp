// Start-up with a root document that cannot be created: exit code -1, and the event loop is
// never entered. Runs the real start-up, so it has a main() of its own.
#include "startup.h"

#include <QCoreApplication>
#include <QTimer>
#include <cstdio>

static bool eventLoopRan = false;

// Runs inside the application constructor: if the loop ever runs, note it and leave it.
static void armLoopProbe()
{
    QTimer::singleShot(0, [] {
        eventLoopRan = true;
        QCoreApplication::exit(3);
    });
}
Q_COREAPP_STARTUP_FUNCTION(armLoopProbe)

int main(int argc, char *argv[])
{
    const int rc = runClient(argc, argv, QUrl(QStringLiteral("qrc:/qt/qml/Velto/qml/Missing.qml")));
    const bool ok = rc == -1 && !eventLoopRan;
    std::printf("%s: missing root document (exit code %d, event loop %s)\n", ok ? "PASS" : "FAIL",
                rc, eventLoopRan ? "ran" : "not entered");
    return ok ? 0 : 1;
}
