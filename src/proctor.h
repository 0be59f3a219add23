#pragma once

#include "audiolevel.h"
#include "clipboardwindow.h"

#include <QObject>
#include <QTimer>

#include <memory>

class QAudioSource;
class QCamera;
class QImage;
class QImageCapture;
class QIODevice;
class QMediaCaptureSession;

// Watches the machine while a proctored exam runs: whether a webcam exists, a webcam snapshot
// about 2.5 s after start() and then every 30 s, sustained sound on the default microphone and
// changes of the clipboard. Findings leave only through the signals; nothing is retried and
// nothing is reported to the caller of start() or stop().
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

    // Deleted in the order image capture, capture session, camera (reverse declaration).
    std::unique_ptr<QCamera> camera;
    std::unique_ptr<QMediaCaptureSession> captureSession;
    std::unique_ptr<QImageCapture> imageCapture;
    QAudioSource *audioSource = nullptr; // child; released with deleteLater()
    QIODevice *audioInput = nullptr; // owned by audioSource
    QTimer snapshotTimer;
    QTimer levelTimer;
    int level = 0;
    LevelPolls levelPolls; // holds the count of consecutive loud polls
    bool running = false;
    ClipboardWindow clipboardWindow; // holds the time of the last reported change
};
