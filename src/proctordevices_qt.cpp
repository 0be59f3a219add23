// The module velto_media: ProctorDevices on Qt Multimedia.
#include "proctordevices.h"

#include <QAudioDevice>
#include <QAudioSource>
#include <QCamera>
#include <QImageCapture>
#include <QMediaCaptureSession>
#include <QMediaDevices>
#include <QPointer>

#include <memory>

namespace {

class MultimediaDevices : public ProctorDevices
{
public:
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
