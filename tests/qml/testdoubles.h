#pragma once

#include "desktopnotifier.h"
#include "velto_config.h"

#include <QObject>
#include <QStringList>
#include <QVariantList>
#include <QVariantMap>

// Each double's base offers exactly the real class's interface (tst_doubles compares them); the
// class on top adds the tests' records and controls. A test emits a signal by calling it.

using namespace Qt::StringLiterals;

class ApiDouble : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString origin READ origin CONSTANT)
public:
    using QObject::QObject;

    QString origin() const { return u"" VELTO_SERVICE_ORIGIN ""_s; }

    Q_INVOKABLE void request(int id, const QString &method, const QString &path,
                             const QString &jsonBody)
    {
        recorded.append(QVariantMap {
            {u"id"_s, id}, {u"method"_s, method}, {u"path"_s, path}, {u"body"_s, jsonBody}});
        // Like the real one: a method it does not know is answered at once, inside this call.
        if (!QStringList {u"GET"_s, u"POST"_s, u"PUT"_s, u"DELETE"_s}.contains(method))
            emit reply(id, 0, u"Unsupported method"_s);
    }
    Q_INVOKABLE void logout() { ++logouts; }
    Q_INVOKABLE QString captureScreenThumbnail() { return thumbnail; }
    Q_INVOKABLE int screenCount() const { return screens; }

signals:
    void reply(int id, int status, const QString &body);

protected:
    QVariantList recorded;
    int logouts = 0;
    int screens = 1;
    QString thumbnail;
};

class FakeApi : public ApiDouble
{
    Q_OBJECT
    // Each entry: { id, method, path, body } in the order the requests were made.
    Q_PROPERTY(QVariantList requests MEMBER recorded CONSTANT)
    Q_PROPERTY(int logoutCount MEMBER logouts CONSTANT)
public:
    using ApiDouble::ApiDouble;

    Q_INVOKABLE void reset()
    {
        recorded.clear();
        logouts = 0;
        screens = 1;
        thumbnail.clear();
    }
    Q_INVOKABLE void setScreenCount(int n) { screens = n; }
    Q_INVOKABLE void setThumbnail(const QString &dataUrl) { thumbnail = dataUrl; }
};

class ProctorDouble : public QObject
{
    Q_OBJECT
    Q_PROPERTY(int micLevel READ micLevel NOTIFY micLevelChanged)
    Q_PROPERTY(QString unavailable READ unavailable NOTIFY unavailableChanged)
public:
    using QObject::QObject;

    Q_INVOKABLE void prepare() { log.append(u"prepare"_s); }
    Q_INVOKABLE void start() { log.append(u"start"_s); }
    Q_INVOKABLE void stop() { log.append(u"stop"_s); }
    Q_INVOKABLE bool hasCamera() const { return false; }
    int micLevel() const { return 0; }
    QString unavailable() const { return why; }

signals:
    void violation(const QString &reason, const QString &detail);
    void snapshot(const QString &dataUrl);
    void micLevelChanged();
    void unavailableChanged();

protected:
    QStringList log;
    QString why;
};

class FakeProctor : public ProctorDouble
{
    Q_OBJECT
    // "prepare", "start" and "stop" in the order they were called.
    Q_PROPERTY(QStringList calls MEMBER log CONSTANT)
public:
    using ProctorDouble::ProctorDouble;

    Q_INVOKABLE void reset() { log.clear(), setUnavailable({}); }
    Q_INVOKABLE void setUnavailable(const QString &reason)
    {
        why = reason;
        emit unavailableChanged();
    }
};

// The real notifier, its rule for what is news and its setting, recording instead of showing.
class FakeNotifier : public DesktopNotifier
{
    Q_OBJECT
    // The titles shown, in order; none while disabled.
    Q_PROPERTY(QStringList shown MEMBER titles CONSTANT)
public:
    using DesktopNotifier::DesktopNotifier;

    Q_INVOKABLE void notify(const QString &title)
    {
        if (enabled())
            titles.append(title);
    }
    // As at start: enabled, nothing shown, no fetch seen.
    Q_INVOKABLE void reset()
    {
        setEnabled(true);
        titles.clear();
        forget();
    }

private:
    QStringList titles;
};
