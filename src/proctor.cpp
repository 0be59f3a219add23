#include "proctor.h"

#include "jpegdataurl.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSource>
#include <QCamera>
#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QImageCapture>
#include <QMediaCaptureSession>
#include <QMediaDevices>

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
    connect(&snapshotTimer, &QTimer::timeout, this, [this] {
        if (imageCapture)
            imageCapture->capture();
    });
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

    if (!QMediaDevices::videoInputs().isEmpty())
        setUpCamera();
    else
        emit violation(QStringLiteral("no_camera"), QStringLiteral("No webcam detected"));
    if (!running) // a receiver stopped us
        return;

    openMicrophone();
}

void Proctor::setUpCamera()
{
    const QList<QCameraDevice> inputs = QMediaDevices::videoInputs();
    if (inputs.isEmpty())
        return;
    camera.reset(new QCamera(inputs.first()));
    captureSession.reset(new QMediaCaptureSession);
    imageCapture.reset(new QImageCapture);
    captureSession->setCamera(camera.get());
    captureSession->setImageCapture(imageCapture.get());
    connect(imageCapture.get(), &QImageCapture::imageCaptured, this,
            [this](int, const QImage &image) { encodeSnapshot(image); });
    connect(camera.get(), &QCamera::errorOccurred, this,
            [this](QCamera::Error error, const QString &text) {
                if (error == QCamera::NoError || !running)
                    return;
                emit violation(QStringLiteral("no_camera"),
                               text.isEmpty() ? QStringLiteral("Camera error") : text);
            });
    camera->setActive(true);
    snapshotTimer.start();
    // Tied to this run's image capture: a stop() deletes it and so cancels the first snapshot,
    // also when start() follows within the 2.5 s.
    QTimer::singleShot(FirstSnapshotMs, imageCapture.get(), [this] {
        if (imageCapture && running)
            imageCapture->capture();
    });
}

void Proctor::openMicrophone()
{
    const QAudioDevice input = QMediaDevices::defaultAudioInput();
    if (input.isNull())
        return;
    QAudioFormat format;
    format.setSampleRate(16000);
    format.setChannelCount(1);
    format.setSampleFormat(QAudioFormat::Int16);
    if (!input.isFormatSupported(format))
        format = input.preferredFormat();

    audioSource = new QAudioSource(input, format, this);
    audioInput = audioSource->start();
    if (audioInput) {
        levelPolls.setFormat(audioSource->format());
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
    const QAudioSource *source = audioSource;
    for (const LevelPolls::Poll &poll : polls) {
        level = poll.level;
        emit micLevelChanged();
        if (!running || audioSource != source) // a receiver stopped (or restarted) us
            return;
        if (poll.sustained) {
            emit violation(QStringLiteral("voice"), QStringLiteral("Sustained audio detected"));
            if (!running || audioSource != source)
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
    levelTimer.stop();
    if (camera)
        camera->setActive(false);
    if (audioSource) {
        audioSource->stop();
        audioSource->deleteLater();
        audioSource = nullptr;
        audioInput = nullptr;
    }
    imageCapture.reset();
    captureSession.reset();
    camera.reset();
    level = 0;
    emit micLevelChanged();
}

bool Proctor::hasCamera() const
{
    return !QMediaDevices::videoInputs().isEmpty();
}
