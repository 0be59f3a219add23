#include "proctordevices.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibrary>
#include <QStringList>

using namespace Qt::StringLiterals;

namespace {

QStringList &extraFolders()
{
    static QStringList folders;
    return folders;
}

struct Loaded
{
    ProctorDevices *devices = nullptr;
    QString problem;
};

// Only where the program itself lies: beside the executable (where it ships so on Windows) or
// in the installed client's library folder. A release build names no folder of the machine it
// was built on, so nothing placed at such a path is ever loaded into the client.
Loaded load()
{
    const QString bin = QCoreApplication::applicationDirPath();
    QStringList folders {bin,
                         QDir::cleanPath(bin + u'/' + QStringLiteral(VELTO_MEDIA_INSTALL_DIR))};
    folders += extraFolders();
    QString failure;
    for (const QString &folder : std::as_const(folders)) {
        QLibrary module(folder + u"/velto_media"_s);
        using Make = ProctorDevices *(*)();
        if (const auto make = reinterpret_cast<Make>(module.resolve("veltoProctorDevices"))) {
            ProctorDevices *devices = make();
            if (QString problem = devices->problem(); !problem.isEmpty())
                return {nullptr, problem};
            return {devices, {}};
        }
        // A module that is there but does not load says why (a library it needs is missing).
        if (failure.isEmpty()
            && !QDir(folder).entryList({u"*velto_media.*"_s}, QDir::Files).isEmpty())
            failure = module.errorString();
    }
    if (failure.isEmpty())
        return {nullptr, u"the camera and microphone module (velto_media) is not installed"_s};
    return {nullptr, u"the camera and microphone module could not be loaded (%1)"_s.arg(failure)};
}

} // namespace

ProctorDevices *ProctorDevices::get(QString *problem)
{
    static const Loaded loaded = load();
    if (problem)
        *problem = loaded.problem;
    return loaded.devices;
}

void ProctorDevices::searchAlso(const QString &dir)
{
    extraFolders().append(dir);
}
