#pragma once

#include <QObject>
#include <QStringList>
#include <QUrl>
#include <QVariantList>
#include <QVariantMap>

// Stand-ins for the objects the program publishes to its documents. Each offers the real one's
// interface (tst_doubles checks it), answers like it where a document can tell, and records what
// it was asked so that a test can check it.

using namespace Qt::StringLiterals;

// Published as "Api": records every request and logout; the test emits the replies (a document
// may call a signal to emit it).
class FakeApi : public QObject
{
    Q_OBJECT
    // Each entry: { id, method, path, body } in the order the requests were made.
    Q_PROPERTY(QVariantList requests MEMBER recorded NOTIFY changed)
    Q_PROPERTY(int logoutCount MEMBER logouts NOTIFY changed)
public:
    using QObject::QObject;

    Q_INVOKABLE void request(int id, const QString &method, const QString &path,
                             const QString &jsonBody)
    {
        recorded.append(QVariantMap {
            {u"id"_s, id}, {u"method"_s, method}, {u"path"_s, path}, {u"body"_s, jsonBody}});
        emit changed();
        // Like the real one: a method it does not know is answered at once, inside this call.
        if (!QStringList {u"GET"_s, u"POST"_s, u"PUT"_s, u"DELETE"_s}.contains(method))
            emit reply(id, 0, u"Unsupported method"_s);
    }
    Q_INVOKABLE void logout()
    {
        ++logouts;
        emit changed();
    }
    Q_INVOKABLE QString captureScreenThumbnail() { return thumbnail; }
    Q_INVOKABLE int screenCount() const { return screens; }

    // Test controls.
    Q_INVOKABLE void reset()
    {
        recorded.clear();
        logouts = 0;
        screens = 1;
        thumbnail.clear();
        emit changed();
    }
    Q_INVOKABLE void setScreenCount(int n) { screens = n; }
    Q_INVOKABLE void setThumbnail(const QString &dataUrl) { thumbnail = dataUrl; }

signals:
    void reply(int id, int status, const QString &body);
    void changed();

private:
    QVariantList recorded;
    int logouts = 0;
    int screens = 1;
    QString thumbnail;
};

// Published as "Proctor": records start and stop; the test emits the findings.
class FakeProctor : public QObject
{
    Q_OBJECT
    Q_PROPERTY(int micLevel READ micLevel NOTIFY micLevelChanged)
    // "start" and "stop" in the order they were called.
    Q_PROPERTY(QStringList calls MEMBER log NOTIFY callsChanged)
public:
    using QObject::QObject;

    Q_INVOKABLE void start() { record(u"start"_s); }
    Q_INVOKABLE void stop() { record(u"stop"_s); }
    Q_INVOKABLE bool hasCamera() const { return false; }
    int micLevel() const { return 0; }

    // Test controls.
    Q_INVOKABLE void reset()
    {
        log.clear();
        emit callsChanged();
    }

signals:
    void violation(const QString &reason, const QString &detail);
    void snapshot(const QString &dataUrl);
    void micLevelChanged();
    void callsChanged();

private:
    void record(const QString &call)
    {
        log.append(call);
        emit callsChanged();
    }
    QStringList log;
};

// Published as "Browser": catches every URL handed to the default browser
// (QDesktopServices / Qt.openUrlExternally) instead of opening it.
class BrowserCatcher : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QStringList urls MEMBER opened NOTIFY urlsChanged)
public:
    using QObject::QObject;

    Q_INVOKABLE void clear()
    {
        opened.clear();
        emit urlsChanged();
    }

public slots:
    // Called by QDesktopServices; must stay a slot.
    void open(const QUrl &url)
    {
        opened.append(url.toString());
        emit urlsChanged();
    }

signals:
    void urlsChanged();

private:
    QStringList opened;
};
