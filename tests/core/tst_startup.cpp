// Start-up with a root document that cannot be created: exit code -1, the event loop never
// entered. The real start-up builds the application object, hence a main() of its own.
#include "startup.h"

#include <QtCore>
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
    std::printf("exit code %d, event loop %s\n", rc, eventLoopRan ? "ran" : "not entered");
    return rc == -1 && !eventLoopRan ? 0 : 1;
}
