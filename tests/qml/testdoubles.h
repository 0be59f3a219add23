#pragma once

#include <QObject>
#include <QStringList>
#include <QUrl>
#include <QVariantList>

// Stand-ins for the objects the program publishes to its documents. Each answers like the real
// one where a document can tell, and records what it was asked so that a test can check it.

// Published as "Api": records every request and logout; the test emits the replies.
class FakeApi : public QObject
{
    Q_OBJECT
    // Each entry: { id, method, path, body } in the order the requests were made.
    Q_PROPERTY(QVariantList requests READ requests NOTIFY requestsChanged)
    Q_PROPERTY(int logoutCount READ logoutCount NOTIFY logoutCountChanged)
    Q_PROPERTY(int captureCount READ captureCount NOTIFY captureCountChanged)
public:
    using QObject::QObject;

    // The published interface, as the real Api has it.
    Q_INVOKABLE void request(int id, const QString &method, const QString &path,
                             const QString &jsonBody);
    Q_INVOKABLE void logout();
    Q_INVOKABLE QString captureScreenThumbnail();
    Q_INVOKABLE int screenCount() const { return screens; }

    // Test controls.
    Q_INVOKABLE void reset();
    Q_INVOKABLE void emitReply(int id, int status, const QString &body);
    Q_INVOKABLE void setScreenCount(int n) { screens = n; }
    Q_INVOKABLE void setThumbnail(const QString &dataUrl) { thumbnail = dataUrl; }
    // The last request, or an empty map when none was made.
    Q_INVOKABLE QVariantMap lastRequest() const;

    QVariantList requests() const { return recorded; }
    int logoutCount() const { return logouts; }
    int captureCount() const { return captures; }

signals:
    void reply(int id, int status, const QString &body);
    void requestsChanged();
    void logoutCountChanged();
    void captureCountChanged();

private:
    QVariantList recorded;
    int logouts = 0;
    int captures = 0;
    int screens = 1;
    QString thumbnail;
};

// Published as "Proctor": records start/stop; the test emits the findings.
class FakeProctor : public QObject
{
    Q_OBJECT
    Q_PROPERTY(int micLevel READ micLevel NOTIFY micLevelChanged)
    Q_PROPERTY(int startCount READ startCount NOTIFY callsChanged)
    Q_PROPERTY(int stopCount READ stopCount NOTIFY callsChanged)
    // "start" and "stop" in the order they were called.
    Q_PROPERTY(QStringList calls READ calls NOTIFY callsChanged)
public:
    using QObject::QObject;

    Q_INVOKABLE void start();
    Q_INVOKABLE void stop();
    Q_INVOKABLE bool hasCamera() const { return camera; }
    int micLevel() const { return level; }

    // Test controls.
    Q_INVOKABLE void reset();
    Q_INVOKABLE void setMicLevel(int value);
    Q_INVOKABLE void setHasCamera(bool present) { camera = present; }
    Q_INVOKABLE void emitViolation(const QString &reason, const QString &detail)
    {
        emit violation(reason, detail);
    }
    Q_INVOKABLE void emitSnapshot(const QString &dataUrl) { emit snapshot(dataUrl); }

    int startCount() const { return int(log.count(QStringLiteral("start"))); }
    int stopCount() const { return int(log.count(QStringLiteral("stop"))); }
    QStringList calls() const { return log; }

signals:
    void violation(const QString &reason, const QString &detail);
    void snapshot(const QString &dataUrl);
    void micLevelChanged();
    void callsChanged();

private:
    QStringList log;
    int level = 0;
    bool camera = false;
};

// Published as "Browser": catches every URL handed to the default browser
// (QDesktopServices / Qt.openUrlExternally) instead of opening it.
class BrowserCatcher : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QStringList urls READ urls NOTIFY urlsChanged)
public:
    using QObject::QObject;

    Q_INVOKABLE void clear();
    QStringList urls() const { return opened; }

public slots:
    // Called by QDesktopServices; must stay a slot.
    void open(const QUrl &url);

signals:
    void urlsChanged();

private:
    QStringList opened;
};
