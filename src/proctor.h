#pragma once

#include "audiolevel.h"
#include "clipboardwindow.h"

#include <QObject>
#include <QTimer>

class QImage;
class QIODevice;

// Watches the machine while a proctored exam runs: whether a webcam exists, a webcam snapshot
// about 2.5 s after start() and then every 30 s, sustained sound on the default microphone and
// changes of the clipboard. Findings leave only through the signals; nothing is retried and
// nothing is reported to the caller of start() or stop(). The camera and microphone are reached
// through ProctorDevices, loaded when they are first asked about.
class Proctor : public QObject
{
    Q_OBJECT
    Q_PROPERTY(int micLevel READ micLevel NOTIFY micLevelChanged)
public:
    explicit Proctor(QObject *parent = nullptr);
    ~Proctor() override;

    Q_INVOKABLE void start();
    Q_INVOKABLE void stop();
    Q_INVOKABLE bool hasCamera() const;

    // Last measured microphone level, 0..100 (see AudioLevel).
    int micLevel() const { return level; }

signals:
    void violation(const QString &reason, const QString &detail);
    void snapshot(const QString &dataUrl);
    void micLevelChanged();

private:
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
};
