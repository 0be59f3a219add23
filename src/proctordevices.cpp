#include "proctordevices.h"

#include <QCoreApplication>
#include <QLibrary>
#include <QStringList>

using namespace Qt::StringLiterals;

ProctorDevices *ProctorDevices::get()
{
    // Beside the executable where it ships so (Windows), in the library folder of an installed
    // client, in the build tree for the tests and benchmarks.
    static ProctorDevices *const devices = []() -> ProctorDevices * {
        const QString bin = QCoreApplication::applicationDirPath();
        const QStringList dirs {bin, bin + u'/' + QStringLiteral(VELTO_MEDIA_INSTALL_DIR),
                                QStringLiteral(VELTO_MEDIA_MODULE_DIR)};
        for (const QString &dir : dirs) {
            QLibrary module(dir + u"/velto_media"_s);
            using Make = ProctorDevices *(*)();
            if (const auto make = reinterpret_cast<Make>(module.resolve("veltoProctorDevices")))
                return make();
        }
        return nullptr;
    }();
    return devices;
}
