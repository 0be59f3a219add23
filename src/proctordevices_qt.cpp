// The module velto_media: ProctorDevices on Qt Multimedia.
#include "proctordevices.h"

#include <QAudioDevice>
#include <QAudioSource>
#include <QCamera>
#include <QCoreApplication>
#include <QDir>
#include <QImageCapture>
#include <QJsonArray>
#include <QJsonObject>
#include <QMediaCaptureSession>
#include <QMediaDevices>
#include <QPluginLoader>
#include <QPointer>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

// Qt Multimedia 6.4 ends the process when the back end it picks does not load, so the same pick is
// tried first: QT_MEDIA_BACKEND if set, else the first plug-in found, the second when the first
// is FFmpeg (Qt's own rule). Loading it here also takes that cost off the GUI thread.
QString backendProblem()
{
    QStringList keys;
    QStringList files;
    const QStringList folders = QCoreApplication::libraryPaths();
    for (const QString &folder : folders) {
        const QDir plugins(folder + u"/multimedia"_s);
        for (const QString &name : plugins.entryList(QDir::Files)) {
            const QJsonObject meta = QPluginLoader(plugins.filePath(name)).metaData();
            const QJsonArray pluginKeys
                = meta.value("MetaData"_L1).toObject().value("Keys"_L1).toArray();
            if (pluginKeys.isEmpty())
                continue;
            keys << pluginKeys.first().toString();
            files << plugins.filePath(name);
        }
    }
    QString wanted = qEnvironmentVariable("QT_MEDIA_BACKEND");
    if (wanted.isEmpty() && !keys.isEmpty())
        wanted = keys.size() > 1 && keys.first() == "ffmpeg"_L1 ? keys.at(1) : keys.first();
    const qsizetype at = keys.indexOf(wanted);
    if (at < 0 && wanted.isEmpty())
        return u"no multimedia back end is installed (Qt's multimedia plug-ins)"_s;
    if (at < 0)
        return u"the multimedia back end %1 is not installed"_s.arg(wanted);
    QPluginLoader backend(files.at(at));
    if (!backend.load())
        return u"the multimedia back end %1 could not be loaded (%2)"_s.arg(wanted,
                                                                            backend.errorString());
    return {};
}

class MultimediaDevices : public ProctorDevices
{
public:
    QString problem() override { return backendProblem(); }

    void wake() override
    {
        QMediaDevices::videoInputs();
        QMediaDevices::defaultAudioInput();
    }

    bool hasCamera() override { return !QMediaDevices::videoInputs().isEmpty(); }

    bool openCamera(std::function<void(const QImage &)> captured,
                    std::function<void(const QString &)> failed) override
    {
        const QList<QCameraDevice> inputs = QMediaDevices::videoInputs();
        if (inputs.isEmpty())
            return false;
        camera.reset(new QCamera(inputs.first()));
        captureSession.reset(new QMediaCaptureSession);
        imageCapture.reset(new QImageCapture);
        captureSession->setCamera(camera.get());
        captureSession->setImageCapture(imageCapture.get());
        QObject::connect(imageCapture.get(), &QImageCapture::imageCaptured, imageCapture.get(),
                         [captured](int, const QImage &image) { captured(image); });
        QObject::connect(camera.get(), &QCamera::errorOccurred, camera.get(),
                         [failed](QCamera::Error error, const QString &text) {
                             if (error != QCamera::NoError)
                                 failed(text);
                         });
        camera->setActive(true);
        return true;
    }

    void capture() override
    {
        if (imageCapture)
            imageCapture->capture();
    }

    void closeCamera() override
    {
        if (camera)
            camera->setActive(false);
        imageCapture.reset();
        captureSession.reset();
        camera.reset();
    }

    bool openMicrophone(QObject *owner, QIODevice **input, QAudioFormat *format) override
    {
        const QAudioDevice device = QMediaDevices::defaultAudioInput();
        if (device.isNull())
            return false;
        QAudioFormat wanted;
        wanted.setSampleRate(16000);
        wanted.setChannelCount(1);
        wanted.setSampleFormat(QAudioFormat::Int16);
        if (!device.isFormatSupported(wanted))
            wanted = device.preferredFormat();
        source = new QAudioSource(device, wanted, owner);
        *input = source->start();
        *format = source->format();
        return true;
    }

    void closeMicrophone() override
    {
        if (!source)
            return;
        source->stop();
        source->deleteLater();
        source = nullptr;
    }

private:
    // Deleted in the order image capture, capture session, camera.
    std::unique_ptr<QCamera> camera;
    std::unique_ptr<QMediaCaptureSession> captureSession;
    std::unique_ptr<QImageCapture> imageCapture;
    QPointer<QAudioSource> source; // a child of its owner, which may go first
};

} // namespace

extern "C" Q_DECL_EXPORT ProctorDevices *veltoProctorDevices()
{
    static MultimediaDevices devices;
    return &devices;
}
