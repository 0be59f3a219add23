#pragma once

#include <QPoint>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <memory>

class ClientProgram;
class Proctor;
class QQuickItem;
class QQuickWindow;
class QWindow;
class SandboxProcess;

// How long a step waits for the window or the service: two cores are shared by everything a test
// run builds and runs.
constexpr int Patience = 20000;

// The test mode of QStandardPaths in a home folder of the run's own (no cookie file yet), the
// program's set-up as start-up does it (the service's CA for the probes too), then `sandbox`
// started; why it did not come up, or "". From here on a warning or an error, the client's QML
// ones among them, fails the journey.
QString prepareEndToEnd(SandboxProcess &sandbox);

// The program exactly as start-up builds it (ClientProgram), pointed at a test service, plus what
// a person does with it: find a control by objectName, click it, type into it, read what the
// window shows. The caller turns on the test mode of QStandardPaths first.
class ClientSession
{
public:
    explicit ClientSession(const QString &origin);
    ~ClientSession();

    QQuickWindow *window() const;
    // The program's proctor, for a clock of the test's.
    Proctor &proctor() const;

    // The visible item with this objectName, or null.
    QQuickItem *item(const QString &objectName) const;
    // Like item(), but waits up to timeoutMs for it to appear.
    QQuickItem *waitForItem(const QString &objectName, int timeoutMs = 10000) const;

    // objectName of the page the window shows ("bootPage", "LoginView", "HomeView").
    QString page() const;

    // A left click in the middle of the visible control, once it has been on screen as long as a
    // person takes to aim at it; false (with lastError) when there is no such control.
    bool click(const QString &objectName);
    // Two clicks in the middle of the control, quicker than the double-click interval, as an
    // impatient person gives them.
    bool doubleClick(const QString &objectName);
    // Clicks the field, then types the text key by key; false when the field does not end up
    // holding it.
    bool type(const QString &objectName, const QString &text);
    // A key press and release sent to the window.
    void key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);

    // Signs out whoever is signed in, signs in through the form and waits for the shell.
    bool signIn(const QString &email, const QString &password);

    // A person's steps in order, up to the first that fails (lastError then names it): "name"
    // clicks the control, "name=text" types into it, "name:text" waits until it shows exactly
    // that text (its text, else its title; "toastLabel:…" waits for a toast), "name~text" until
    // its text holds that text, "@name" until the control is shown (a page, a view), "^keys"
    // presses keys ("^F5", "^Ctrl+8", "^Tab"), ">text" types into whatever has the keyboard,
    // "*name" waits until the keyboard is on that control, "#email" signs in as that demo account.
    bool steps(const QStringList &steps);
    // A property of the visible control with this objectName; invalid when there is none.
    QVariant property(const QString &objectName, const char *name) const;

    // The person turns to another window (the browser a hand-off opened) and back to this one.
    void leave();
    void comeBack() { activate(); }

    QString lastError;

private:
    // One key press and release per character, into whatever has the keyboard.
    void typeKeys(const QString &text);
    // Makes the window the active one, as a person's click or key press does when several
    // windows are open.
    void activate();

    std::unique_ptr<ClientProgram> program;
    std::unique_ptr<QWindow> elsewhere;
    QPoint lastClickAt;
};

// Runs the steps; on a failure the test fails with the session's account of it.
#define STEPS(session, ...) QVERIFY2((session).steps(__VA_ARGS__), qPrintable((session).lastError))
