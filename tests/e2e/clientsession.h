#pragma once

// Everything a journey needs: the program, the sandbox and its clients, QtTest.
#include "sandboxprocess.h"
#include "startup.h"

#include <QPoint>
#include <QWindow>

class QQuickItem;
class QQuickWindow;

// How long a step waits for the window or the service, on two cores shared by a whole test run.
constexpr int Patience = 20000;

// A home of its own, the program's set-up, `sandbox` started: why not, or "". Warnings now fail.
QString prepareEndToEnd(SandboxProcess &sandbox);

// The program exactly as start-up builds it, pointed at a test service, and what a person does
// with it; controls are named by objectName and only visible ones count.
class ClientSession
{
public:
    explicit ClientSession(const QString &origin);

    QQuickWindow *window() const;
    Proctor &proctor() const { return program->proctor(); }
    QQuickItem *item(const QString &objectName) const;
    // objectName of the page the window shows ("bootPage", "LoginView", "HomeView").
    QString page() const;
    QVariant property(const QString &objectName, const char *name) const;

    // False, with lastError, when there is no such control.
    bool click(const QString &objectName);
    // The second click lands where the first did, whatever now stands there.
    bool doubleClick(const QString &objectName);
    // Clicks the field and types key by key; false when it does not end up holding the text.
    bool type(const QString &objectName, const QString &text);
    void key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    // Signs out whoever is signed in, signs in through the form and waits for the shell.
    bool signIn(const QString &email, const QString &password);

    // A person's steps up to the first that fails (lastError names it): "name" clicks,
    // "name=text" types, "name:text" waits until the control shows exactly that (its text, else
    // its title), "name~text" until it holds it, "@name" until it is shown, "^keys" presses keys
    // ("^Ctrl+8"), ">text" types into whatever has the keyboard, "*name" waits until the keyboard
    // is on it, "#email" signs in as that demo account.
    bool steps(const QStringList &steps);

    // The person turns to another window (the browser a hand-off opened) and back to this one.
    void leave();
    void comeBack() { activate(); }

    QString lastError;

private:
    QQuickItem *waitForItem(const QString &objectName, int timeoutMs = 10000) const;
    void typeKeys(const QString &text);
    // As a person's click or key press does when several windows are open.
    void activate();

    std::unique_ptr<ClientProgram> program;
    std::unique_ptr<QWindow> elsewhere;
    QPoint lastClickAt;
};

#define STEPS(session, ...) QVERIFY2((session).steps(__VA_ARGS__), qPrintable((session).lastError))
