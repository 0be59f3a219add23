#include "proctor.h"

#include "jpegdataurl.h"
#include "proctordevices.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QIODevice>
#include <QImage>
#include <QPointer>
#include <QPromise>
#include <QThreadPool>

#include <memory>
#include <utility>

using namespace Qt::StringLiterals;

namespace {
constexpr int SnapshotIntervalMs = 30000;
constexpr int FirstSnapshotMs = 2500;
constexpr int LevelPollMs = 500;
constexpr int SnapshotWidth = 240;
constexpr int SnapshotQuality = 55;
// After the shell's first frame and its first page's data, well before a person reaches an exam.
constexpr int PrepareAfterMs = 1000;
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
    connect(&loading, &QFutureWatcher<void>::finished, this, &Proctor::devicesLoaded);
    if (qGuiApp) {
        connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this,
                &Proctor::checkClipboard);
    }
}

Proctor::~Proctor()
{
    stop();
    // A microphone source whose deferred deletion the event loop has not reached (the window was
    // closed during an exam, and the program ends) goes now, its pending deletion withdrawn
    // first: Qt 6.4's PulseAudio source processes events in its destructor and would otherwise
    // be deleted a second time from inside it.
    const QObjectList owned = children();
    const QList<QPointer<QObject>> guarded(owned.cbegin(), owned.cend()); // a source takes its own
    for (const QPointer<QObject> &child : guarded) {
        if (child && child->inherits("QAudioSource")) {
            QCoreApplication::removePostedEvents(child, QEvent::DeferredDelete);
            delete child.data();
        }
    }
}

void Proctor::prepare()
{
    if (std::exchange(prepareAsked, true))
        return;
    QTimer::singleShot(PrepareAfterMs, this, [this] {
        auto loaded = std::make_shared<QPromise<void>>();
        loading.setFuture(loaded->future());
        loaded->start();
        // The pool outlives this object (the application waits for it); the promise tells the
        // watcher, which goes with us.
        QThreadPool::globalInstance()->start([loaded] {
            ProctorDevices::get();
            loaded->finish();
        });
    });
}

// Back on the GUI thread, where the back end's objects must live.
void Proctor::devicesLoaded()
{
    QString problem;
    if (ProctorDevices *devices = ProctorDevices::get(&problem))
        devices->wake();
    setUnavailable(problem);
}

void Proctor::setUnavailable(const QString &reason)
{
    if (reason == unavailableReason)
        return;
    unavailableReason = reason;
    emit unavailableChanged();
}

void Proctor::setClipboardClock(ClipboardWindow::Clock clock)
{
    clipboardWindow = ClipboardWindow(std::move(clock));
}

void Proctor::start()
{
    if (running)
        return;
    running = true;
    levelPolls.reset();
    QString problem;
    const bool available = ProctorDevices::get(&problem);
    setUnavailable(problem);
    // Neither camera nor microphone can be asked: no finding about either would be true.
    if (!available) {
        emit violation(u"monitoring_unavailable"_s, problem);
        return;
    }

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
