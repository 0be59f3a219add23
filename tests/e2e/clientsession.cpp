#include "clientsession.h"

#include "../failonwarnings.h"

#include <QDateTime>
#include <QGuiApplication>
#include <QKeySequence>
#include <QQmlApplicationEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QStyleHints>
#include <QTemporaryDir>
#include <QtQuickTest/quicktest.h>

namespace {

QQuickItem *find(QQuickItem *parent, const QString &objectName)
{
    const auto children = parent->childItems();
    for (QQuickItem *child : children) {
        if (!child->isVisible())
            continue;
        if (child->objectName() == objectName)
            return child;
        if (QQuickItem *hit = find(child, objectName))
            return hit;
    }
    return nullptr;
}

void raise(QWindow *window)
{
    window->requestActivate();
    if (!QTest::qWaitForWindowActive(window))
        qWarning("a window did not become active");
}

} // namespace

QString prepareEndToEnd(SandboxProcess &sandbox)
{
    failOnWarningsAndErrors();
    static const QTemporaryDir home;
    qputenv("HOME", QFile::encodeName(home.path()));
    QStandardPaths::setTestModeEnabled(true);
    prepareApplication();
    QString error;
    return sandbox.start(&error) ? QString() : error;
}

ClientSession::ClientSession(const QString &origin)
    : program(std::make_unique<ClientProgram>(origin))
{
    program->load();
    if (QQuickWindow *w = window()) {
        w->requestActivate();
        if (!QTest::qWaitForWindowExposed(w))
            qWarning("the main window was not exposed");
    }
}

QQuickWindow *ClientSession::window() const
{
    const auto roots = program->engine().rootObjects();
    return roots.isEmpty() ? nullptr : qobject_cast<QQuickWindow *>(roots.first());
}

QQuickItem *ClientSession::item(const QString &objectName) const
{
    return window() ? find(window()->contentItem(), objectName) : nullptr;
}

QQuickItem *ClientSession::waitForItem(const QString &objectName, int timeoutMs) const
{
    QQuickItem *found = nullptr;
    return QTest::qWaitFor([&] { return (found = item(objectName)); }, timeoutMs) ? found : nullptr;
}

QString ClientSession::page() const
{
    const auto *current = property(u"stack"_s, "currentItem").value<QQuickItem *>();
    return current ? current->objectName() : QString();
}

bool ClientSession::click(const QString &objectName)
{
    QQuickItem *it = waitForItem(objectName);
    if (!it) {
        lastError = u"no visible control \"%1\" on page %2"_s.arg(objectName, page());
        return false;
    }
    activate();
    // A button ignores a press within the double-click interval of its appearing or changing its
    // text (the second half of a double click meant for what was there before): a person aims.
    const int interval = QGuiApplication::styleHints()->mouseDoubleClickInterval();
    const auto aimed = [&] {
        const qint64 at = qint64(it->property("appearedAt").toDouble()); // 0 when it has none
        return QDateTime::currentMSecsSinceEpoch() >= at + interval;
    };
    if (!QTest::qWaitFor(aimed, interval + 1000)) {
        lastError = u"\"%1\" on page %2 keeps changing"_s.arg(objectName, page());
        return false;
    }
    QQuickTest::qWaitForPolish(window());
    lastClickAt = it->mapToScene(QPointF(it->width() / 2, it->height() / 2)).toPoint();
    QTest::mouseClick(window(), Qt::LeftButton, Qt::NoModifier, lastClickAt);
    return true;
}

bool ClientSession::doubleClick(const QString &objectName)
{
    if (!click(objectName))
        return false;
    QTest::qWait(QGuiApplication::styleHints()->mouseDoubleClickInterval() / 3);
    QTest::mouseClick(window(), Qt::LeftButton, Qt::NoModifier, lastClickAt);
    return true;
}

bool ClientSession::type(const QString &objectName, const QString &text)
{
    if (!click(objectName))
        return false;
    // A page still settling may move the keyboard to its first control once: click again.
    QQuickItem *field = item(objectName);
    if (!field->hasActiveFocus())
        click(objectName);
    typeKeys(text);
    const QString now = field->property("text").toString();
    if (!now.endsWith(text)) {
        lastError = u"\"%1\" holds \"%2\" after typing"_s.arg(objectName, now);
        return false;
    }
    return true;
}

void ClientSession::typeKeys(const QString &text)
{
    // As a keyboard does: the character as the event's text (QTest::keyClicks is for widgets).
    for (const QChar c : text) {
        const auto code = c.unicode() < 0x80 ? Qt::Key(c.toUpper().unicode()) : Qt::Key_unknown;
        QTest::sendKeyEvent(QTest::Click, window(), code, QString(c), Qt::NoModifier);
    }
}

void ClientSession::activate()
{
    if (QQuickWindow *w = window(); w && !w->isActive())
        raise(w);
}

void ClientSession::leave()
{
    if (!elsewhere) {
        elsewhere = std::make_unique<QWindow>();
        elsewhere->resize(200, 100);
    }
    elsewhere->show();
    raise(elsewhere.get());
}

void ClientSession::key(int key, Qt::KeyboardModifiers modifiers)
{
    activate();
    QTest::keyClick(window(), Qt::Key(key), modifiers);
}

bool ClientSession::signIn(const QString &email, const QString &password)
{
    if (page() == "HomeView"_L1 && !click(u"signOutButton"_s))
        return false;
    if (steps({u"@LoginView"_s, "emailField="_L1 + email, "passwordField="_L1 + password,
               u"submitButton"_s, u"@HomeView"_s}))
        return true;
    lastError += u", error \"%1\""_s.arg(property(u"errorLabel"_s, "text").toString());
    return false;
}

bool ClientSession::steps(const QStringList &steps)
{
    static const QRegularExpression textMark(u"[=:~]"_s);
    for (const QString &step : steps) {
        const qsizetype mark = step.indexOf(textMark);
        const QString name = step.left(mark); // all of it when there is no mark
        const QString text = step.mid(mark + 1);
        const QChar how = mark < 0 ? QChar() : step.at(mark);
        const auto shown = [&] {
            const QVariant value = property(name, "text");
            return (value.isValid() ? value : property(name, "title")).toString();
        };
        bool done = true;
        QString failure;
        if (step.startsWith(u'@')) {
            done = waitForItem(step.mid(1), Patience);
            failure = u"not shown on page %1"_s.arg(page());
        } else if (step.startsWith(u'^')) {
            const QKeyCombination keys = QKeySequence(step.mid(1))[0];
            key(keys.key(), keys.keyboardModifiers());
        } else if (step.startsWith(u'#')) {
            done = signIn(step.mid(1), demoAccount(step.mid(1)).password);
            failure = lastError;
        } else if (step.startsWith(u'>')) {
            activate();
            typeKeys(step.mid(1));
        } else if (step.startsWith(u'*')) {
            activate();
            done = QTest::qWaitFor([&] { return property(step.mid(1), "activeFocus").toBool(); },
                                   Patience);
            const QQuickItem *focused = window() ? window()->activeFocusItem() : nullptr;
            failure
                = u"the keyboard is on \"%1\""_s.arg(focused ? focused->objectName() : QString());
        } else if (how == u':' || how == u'~') {
            const auto reads
                = [&] { return how == u':' ? shown() == text : shown().contains(text); };
            done = QTest::qWaitFor(reads, Patience);
            failure = u"it shows \"%1\""_s.arg(shown());
        } else {
            done = how == u'=' ? type(name, text) : click(name);
            failure = lastError;
        }
        if (!done) {
            lastError = u"at \"%1\": %2"_s.arg(step, failure);
            return false;
        }
    }
    return true;
}

QVariant ClientSession::property(const QString &objectName, const char *name) const
{
    const QQuickItem *it = item(objectName);
    return it ? it->property(name) : QVariant();
}
