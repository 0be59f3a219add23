#include "proctor.h"

#include "jpegdataurl.h"
#include "proctordevices.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QIODevice>
#include <QImage>

#include <utility>

namespace {
constexpr int SnapshotIntervalMs = 30000;
constexpr int FirstSnapshotMs = 2500;
constexpr int LevelPollMs = 500;
constexpr int SnapshotWidth = 240;
constexpr int SnapshotQuality = 55;
} // namespace

Proctor::Proctor(QObject *parent) : QObject(parent)
{
    snapshotTimer.setInterval(SnapshotIntervalMs);
    levelTimer.setInterval(LevelPollMs);
    firstSnapshot.setSingleShot(true);
    firstSnapshot.setInterval(FirstSnapshotMs);
    // Only ever running with an open camera; stop() stops both, and so cancels the first
    // snapshot, also when start() follows within the 2.5 s.
    connect(&snapshotTimer, &QTimer::timeout, this, [] { ProctorDevices::get()->capture(); });
    connect(&firstSnapshot, &QTimer::timeout, this, [] { ProctorDevices::get()->capture(); });
    connect(&levelTimer, &QTimer::timeout, this, &Proctor::pollLevel);
    if (qGuiApp) {
        connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this,
                &Proctor::checkClipboard);
    }
}

Proctor::~Proctor()
{
    stop();
}

void Proctor::start()
{
    if (running)
        return;
    running = true;
    levelPolls.reset();

    if (hasCamera())
        setUpCamera();
    else
        emit violation(QStringLiteral("no_camera"), QStringLiteral("No webcam detected"));
    if (!running) // a receiver stopped us
        return;

    openMicrophone();
}

void Proctor::setUpCamera()
{
    cameraOpen = ProctorDevices::get()->openCamera(
        [this](const QImage &image) { encodeSnapshot(image); },
        [this](const QString &text) {
            if (running)
                emit violation(QStringLiteral("no_camera"),
                               text.isEmpty() ? QStringLiteral("Camera error") : text);
        });
    if (!cameraOpen)
        return;
    snapshotTimer.start();
    firstSnapshot.start();
}

void Proctor::openMicrophone()
{
    ProctorDevices *devices = ProctorDevices::get();
    QAudioFormat format;
    microphoneOpen = devices && devices->openMicrophone(this, &audioInput, &format);
    if (audioInput) {
        levelPolls.setFormat(format);
        levelTimer.start();
    }
}

void Proctor::encodeSnapshot(const QImage &image)
{
    const QString dataUrl = jpegDataUrl(image, SnapshotWidth, SnapshotQuality);
    if (!dataUrl.isEmpty())
        emit snapshot(dataUrl);
}

void Proctor::pollLevel()
{
    if (!audioInput)
        return;
    const QByteArray captured = audioInput->readAll();
    const QList<LevelPolls::Poll> polls = levelPolls.add(captured);
    const QIODevice *source = audioInput;
    for (const LevelPolls::Poll &poll : polls) {
        level = poll.level;
        emit micLevelChanged();
        if (!running || audioInput != source) // a receiver stopped (or restarted) us
            return;
        if (poll.sustained) {
            emit violation(QStringLiteral("voice"), QStringLiteral("Sustained audio detected"));
            if (!running || audioInput != source)
                return;
        }
    }
}

void Proctor::checkClipboard()
{
    if (clipboardWindow.change(running))
        emit violation(QStringLiteral("clipboard"), QStringLiteral("Clipboard activity detected"));
}

void Proctor::stop()
{
    running = false;
    snapshotTimer.stop();
    firstSnapshot.stop();
    levelTimer.stop();
    if (std::exchange(cameraOpen, false))
        ProctorDevices::get()->closeCamera();
    if (std::exchange(microphoneOpen, false)) {
        ProctorDevices::get()->closeMicrophone();
        audioInput = nullptr;
    }
    level = 0;
    emit micLevelChanged();
}

bool Proctor::hasCamera() const
{
    ProctorDevices *devices = ProctorDevices::get();
    return devices && devices->hasCamera();
}
