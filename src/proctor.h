#pragma once

#include "audiolevel.h"
#include "clipboardwindow.h"

#include <QFutureWatcher>
#include <QObject>
#include <QTimer>

class QImage;
class QIODevice;

// Watches the machine while a proctored exam runs: whether a webcam exists, a webcam snapshot
// about 2.5 s after start() and then every 30 s, sustained sound on the default microphone and
// changes of the clipboard. Findings leave only through the signals; nothing is retried and
// nothing is reported to the caller of start() or stop(). The camera and microphone are reached
// through ProctorDevices, loaded by prepare() ahead of the first exam, or else by the first
// question about them. When they cannot be loaded, start() reports "monitoring_unavailable"
// with the reason instead of a camera or microphone finding.
class Proctor : public QObject
{
    Q_OBJECT
    Q_PROPERTY(int micLevel READ micLevel NOTIFY micLevelChanged)
    Q_PROPERTY(QString unavailable READ unavailable NOTIFY unavailableChanged)
public:
    explicit Proctor(QObject *parent = nullptr);
    ~Proctor() override;

    // Gets the devices ready once the page that asked has settled: the module is loaded in Qt's
    // thread pool, then the back end and the sound server are woken on this thread, so the first
    // start() costs what later ones do. Once per process; later calls do nothing.
    Q_INVOKABLE void prepare();
    Q_INVOKABLE void start();
    Q_INVOKABLE void stop();
    Q_INVOKABLE bool hasCamera() const;

    // Last measured microphone level, 0..100 (see AudioLevel).
    int micLevel() const { return level; }
    // Why camera and microphone monitoring cannot run on this machine; empty while it can, or
    // before prepare() or start() has found out.
    QString unavailable() const { return unavailableReason; }

    // The clock of the clipboard rule (tests move it by hand).
    void setClipboardClock(ClipboardWindow::Clock clock);

signals:
    void violation(const QString &reason, const QString &detail);
    void snapshot(const QString &dataUrl);
    void micLevelChanged();
    void unavailableChanged();

private:
    void devicesLoaded();
    void setUnavailable(const QString &reason);
    void setUpCamera();
    void openMicrophone();
    void encodeSnapshot(const QImage &image);
    void pollLevel();
    void checkClipboard();

    bool cameraOpen = false;
    bool microphoneOpen = false;
    QIODevice *audioInput = nullptr; // owned by the microphone's source, a child of ours
    QTimer firstSnapshot;
    QTimer snapshotTimer;
    QTimer levelTimer;
    int level = 0;
    LevelPolls levelPolls; // holds the count of consecutive loud polls
    bool running = false;
    ClipboardWindow clipboardWindow; // holds the time of the last reported change
    QString unavailableReason;
    bool prepareAsked = false;
    QFutureWatcher<void> loading; // the module's load in the pool
};
