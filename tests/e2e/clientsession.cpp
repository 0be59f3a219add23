#include "clientsession.h"

#include "api.h"
#include "persistentcookiejar.h"
#include "startup.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QFile>
#include <QJsonDocument>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QQmlApplicationEngine>
#include <QQmlContext>
#include <QQuickItem>
#include <QQuickWindow>
#include <QTest>
#include <QTimer>
#include <QtQuickTest/quicktest.h>
#include <algorithm>

namespace {

QQuickItem *findItem(QQuickItem *parent, const QString &name)
{
    const auto children = parent->childItems();
    for (QQuickItem *child : children) {
        if (!child->isVisible())
            continue;
        if (child->objectName() == name)
            return child;
        if (QQuickItem *hit = findItem(child, name))
            return hit;
    }
    return nullptr;
}

void collectTabs(QQuickItem *parent, QList<QQuickItem *> &out)
{
    const auto children = parent->childItems();
    for (QQuickItem *child : children) {
        if (!child->isVisible())
            continue;
        if (child->objectName().startsWith(QLatin1String("tab_")))
            out.append(child);
        collectTabs(child, out);
    }
}

} // namespace

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

ClientSession::~ClientSession() = default;

Api *ClientSession::api() const
{
    return &program->api();
}

QQuickWindow *ClientSession::window() const
{
    const auto roots = program->engine().rootObjects();
    return roots.isEmpty() ? nullptr : qobject_cast<QQuickWindow *>(roots.first());
}

QQuickItem *ClientSession::item(const QString &objectName) const
{
    QQuickWindow *w = window();
    return w ? findItem(w->contentItem(), objectName) : nullptr;
}

QQuickItem *ClientSession::waitForItem(const QString &objectName, int timeoutMs) const
{
    const QDeadlineTimer deadline(timeoutMs);
    QQuickItem *it = item(objectName);
    while (!it && !deadline.hasExpired()) {
        QTest::qWait(10);
        it = item(objectName);
    }
    return it;
}

QString ClientSession::page() const
{
    QQuickItem *stack = item(QStringLiteral("stack"));
    if (!stack)
        return QString();
    auto *current = stack->property("currentItem").value<QQuickItem *>();
    return current ? current->objectName() : QString();
}

QString ClientSession::text(const QString &objectName) const
{
    QQuickItem *it = item(objectName);
    return it ? it->property("text").toString() : QString();
}

QString ClientSession::toast() const
{
    return item(QStringLiteral("toast")) ? text(QStringLiteral("toastLabel")) : QString();
}

QStringList ClientSession::tabs() const
{
    QList<QQuickItem *> buttons;
    if (QQuickWindow *w = window())
        collectTabs(w->contentItem(), buttons);
    std::sort(buttons.begin(), buttons.end(), [](QQuickItem *a, QQuickItem *b) {
        return a->mapToScene(QPointF()).y() < b->mapToScene(QPointF()).y();
    });
    QStringList names;
    for (QQuickItem *b : buttons)
        names.append(b->property("text").toString());
    return names;
}

bool ClientSession::click(const QString &objectName)
{
    QQuickWindow *w = window();
    QQuickItem *it = waitForItem(objectName);
    if (!w || !it) {
        lastError = QStringLiteral("no visible control \"%1\" on page %2").arg(objectName, page());
        return false;
    }
    activate();
    // Layouts place their children when polished: click where the control really is.
    QQuickTest::qWaitForPolish(w);
    const QPointF centre = it->mapToScene(QPointF(it->width() / 2, it->height() / 2));
    QTest::mouseClick(w, Qt::LeftButton, Qt::NoModifier, centre.toPoint());
    return true;
}

bool ClientSession::type(const QString &objectName, const QString &text)
{
    if (!click(objectName))
        return false;
    QQuickItem *field = item(objectName);
    if (!field->hasActiveFocus()) {
        lastError = QStringLiteral("\"%1\" did not take the focus").arg(objectName);
        return false;
    }
    // One press and release per character, carrying the character as the event's text, as a
    // keyboard does (QTest::keyClicks exists for widgets only).
    for (const QChar c : text) {
        const auto code = c.unicode() < 0x80 ? Qt::Key(c.toUpper().unicode()) : Qt::Key_unknown;
        QTest::sendKeyEvent(QTest::Click, window(), code, QString(c), Qt::NoModifier);
    }
    const QString now = field->property("text").toString();
    if (!now.endsWith(text)) {
        lastError = QStringLiteral("\"%1\" holds \"%2\" after typing").arg(objectName, now);
        return false;
    }
    return true;
}

bool ClientSession::scrollTo(const QString &listName, int index)
{
    QQuickItem *list = waitForItem(listName);
    // ListView.Beginning is 0.
    if (!list
        || !QMetaObject::invokeMethod(list, "positionViewAtIndex", Q_ARG(int, index),
                                      Q_ARG(int, 0))) {
        lastError = QStringLiteral("no list \"%1\" to scroll on page %2").arg(listName, page());
        return false;
    }
    QQuickTest::qWaitForPolish(window());
    return true;
}

void ClientSession::activate()
{
    QQuickWindow *w = window();
    if (w && !w->isActive()) {
        w->requestActivate();
        if (!QTest::qWaitForWindowActive(w))
            qWarning("the window did not become active");
    }
}

void ClientSession::key(int key, Qt::KeyboardModifiers modifiers)
{
    activate();
    QTest::keyClick(window(), Qt::Key(key), modifiers);
}

bool ClientSession::signIn(const QString &email, const QString &password)
{
    if (!QTest::qWaitFor([this] { return page() == QLatin1String("LoginView"); }, 20000)) {
        lastError = QStringLiteral("no sign-in page, page is %1").arg(page());
        return false;
    }
    if (!type(QStringLiteral("emailField"), email)
        || !type(QStringLiteral("passwordField"), password)
        || !click(QStringLiteral("submitButton")))
        return false;
    if (!QTest::qWaitFor([this] { return page() == QLatin1String("HomeView"); }, 20000)) {
        lastError = QStringLiteral("still on %1, error \"%2\"")
                        .arg(page(), text(QStringLiteral("errorLabel")));
        return false;
    }
    return true;
}

bool ClientSession::waitForToast(const QString &wanted, int timeoutMs)
{
    if (QTest::qWaitFor([&] { return toast() == wanted; }, timeoutMs))
        return true;
    lastError = QStringLiteral("toast \"%1\" instead of \"%2\"").arg(toast(), wanted);
    return false;
}

ServiceProbe::ServiceProbe(const QString &origin)
    : base(origin + QLatin1Char('/')), network(std::make_unique<QNetworkAccessManager>())
{
}

ServiceProbe::~ServiceProbe() = default;

bool ServiceProbe::signIn(const QString &email, const QString &password)
{
    post(QStringLiteral("api/auth/login"),
         QJsonObject {{QStringLiteral("email"), email}, {QStringLiteral("password"), password}});
    return lastStatus == 200;
}

QJsonObject ServiceProbe::get(const QString &path)
{
    return send("GET", path, QByteArray());
}

QJsonObject ServiceProbe::post(const QString &path, const QJsonObject &body)
{
    return send("POST", path, QJsonDocument(body).toJson(QJsonDocument::Compact));
}

QJsonObject ServiceProbe::send(const QByteArray &method, const QString &path,
                               const QByteArray &body)
{
    QNetworkRequest request {QUrl(base + path)};
    request.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("application/json"));
    request.setRawHeader("Origin", base.chopped(1).toUtf8());
    request.setTransferTimeout(15000);
    QNetworkReply *reply = network->sendCustomRequest(request, method, body);
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    loop.exec();
    lastStatus = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const QJsonObject answer = QJsonDocument::fromJson(reply->readAll()).object();
    delete reply;
    return answer;
}

QString cookieFileText()
{
    QFile file(PersistentCookieJar::cookieFilePath());
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(file.readAll());
}

int visit(const QString &url, const QByteArray &cookieHeader)
{
    QNetworkAccessManager manager;
    QNetworkRequest request {QUrl(url)};
    if (!cookieHeader.isEmpty())
        request.setRawHeader("Cookie", cookieHeader);
    request.setTransferTimeout(15000);
    QNetworkReply *reply = manager.get(request);
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    loop.exec();
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    delete reply;
    return status;
}
