#pragma once

#include <QAudioFormat> // a value class whose members are all inline: no library needed
#include <functional>

class QImage;
class QIODevice;
class QObject;
class QString;

// The camera and the microphone as Proctor uses them. They live in the module velto_media,
// loaded ahead of the first exam (or by it), so that a client that never proctors never loads
// the multimedia libraries or connects to the sound server.
class ProctorDevices
{
public:
    virtual ~ProctorDevices() = default;

    // This process's devices: the module loaded and its multimedia back end checked on the first
    // call, which may come from any thread (a concurrent caller waits for it). Null when either
    // cannot be loaded, and then why in `problem`, in words for the person taking the exam.
    // Only the devices themselves are bound to the GUI thread.
    static ProctorDevices *get(QString *problem = nullptr);

    // Another folder to look for the module in, after the program's own folder and its installed
    // library folder: for programs that run from the build tree. Before the first get().
    static void searchAlso(const QString &dir);

    // Why the devices cannot work here (no multimedia back end loads), or empty. Any thread.
    virtual QString problem() = 0;
    // Sets up on the GUI thread what the first use would otherwise wait for: the multimedia back
    // end with its device list, and the connection to the sound server.
    virtual void wake() = 0;

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
