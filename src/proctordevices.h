#pragma once

#include <QAudioFormat> // a value class whose members are all inline: no library needed
#include <functional>

class QImage;
class QIODevice;
class QObject;
class QString;

// The camera and the microphone as Proctor uses them. They live in the module velto_media,
// opened the first time an exam needs them, so that a client that never proctors never loads
// the multimedia libraries or connects to the sound server.
class ProctorDevices
{
public:
    virtual ~ProctorDevices() = default;

    // This process's devices, the module loaded on first use; null when it cannot be loaded,
    // which Proctor takes for a machine without camera or microphone.
    static ProctorDevices *get();

    virtual bool hasCamera() = 0;
    // Opens the first camera: each captured image goes to `captured`, each camera error text
    // to `failed`. False when there is no camera.
    virtual bool openCamera(std::function<void(const QImage &)> captured,
                            std::function<void(const QString &)> failed)
        = 0;
    virtual void capture() = 0; // nothing without an open camera
    virtual void closeCamera() = 0;

    // Opens the default microphone, 16 kHz mono 16-bit or else its preferred format, in pull
    // mode with a source that is a child of `owner`; the device to read (null when the source
    // did not start) and its format in `format`. False when there is no microphone.
    virtual bool openMicrophone(QObject *owner, QIODevice **input, QAudioFormat *format) = 0;
    // Stops the source and releases it later.
    virtual void closeMicrophone() = 0;
};
