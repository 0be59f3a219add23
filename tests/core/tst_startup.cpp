// Start-up with a root document that cannot be created: exit code -1, and the event loop is
// never entered. Runs the real start-up, so it has a main() of its own.
#include "startup.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>

static bool eventLoopRan = false;

// Runs inside every application constructor: if the loop ever runs, note it and leave it.
static void armLoopProbe()
{
    QTimer::singleShot(0, [] {
        eventLoopRan = true;
        QCoreApplication::exit(3);
    });
}
Q_COREAPP_STARTUP_FUNCTION(armLoopProbe)

static int check(const char *name, int &argc, char **argv, const QUrl &document)
{
    eventLoopRan = false;
    const int rc = runClient(argc, argv, document);
    const bool ok = rc == -1 && !eventLoopRan;
    std::printf("%s: %s (exit code %d, event loop %s)\n", ok ? "PASS" : "FAIL", name, rc,
                eventLoopRan ? "ran" : "not entered");
    return ok ? 0 : 1;
}

int main(int argc, char *argv[])
{
    QTemporaryDir dir;
    const QString broken = dir.filePath(QStringLiteral("Broken.qml"));
    if (FILE *f = std::fopen(broken.toLocal8Bit().constData(), "w")) {
        std::fputs("import QtQuick\nItem { property int x: \n", f);
        std::fclose(f);
    }
    int failures = 0;
    failures += check("syntax error in the root document", argc, argv, QUrl::fromLocalFile(broken));
    failures += check("missing root document", argc, argv,
                      QUrl(QStringLiteral("qrc:/qt/qml/Velto/qml/Missing.qml")));
    std::printf("%d passed, %d failed\n", 2 - failures, failures);
    return failures == 0 ? 0 : 1;
}
