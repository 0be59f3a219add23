#pragma once

#include <QString>
#include <QUrl>
#include <memory>

class Api;
class DesktopNotifier;
class Proctor;
class QQmlApplicationEngine;

// The program as it ships: the application's identity, style and trusted CA, then Api, Proctor,
// the desktop notifier and the QML engine with all three published. The executable, the
// end-to-end sessions and the start-up benchmark all build it here, so a test never runs a
// program set up differently.
// The application object must exist first.
class ClientProgram
{
public:
    // Talks to the origin the program was built for, or to another https origin (tests).
    explicit ClientProgram(const QString &origin = QString());
    ~ClientProgram(); // the engine first, so no document outlives what it refers to

    // Loads the root document: the module's Main unless another is named. False when it yields
    // no root object.
    bool load(const QUrl &document = QUrl());

    Api &api() const { return *apiObject; }
    Proctor &proctor() const { return *proctorObject; }
    DesktopNotifier &notifier() const { return *notifierObject; }
    QQmlApplicationEngine &engine() const { return *engineObject; }

private:
    std::unique_ptr<Api> apiObject;
    std::unique_ptr<Proctor> proctorObject;
    std::unique_ptr<DesktopNotifier> notifierObject;
    std::unique_ptr<QQmlApplicationEngine> engineObject;
};

// The application's identity (name and organisation "Velto", which place the cookie file), the
// Quick Controls style and the embedded CA. Runs once per process; ClientProgram calls it.
void prepareApplication();

// The whole program: application object, ClientProgram, event loop. Returns -1 without entering
// the loop when the root document yields no root object, else the loop's exit code.
int runClient(int &argc, char **argv, const QUrl &mainDocument = QUrl());
