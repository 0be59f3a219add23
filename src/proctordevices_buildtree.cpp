// Linked into the programs that run from the build tree (velto_media_from_build), never into the
// executable: they find the camera and microphone module where the build put it.
#include "proctordevices.h"

#include <QString>

static void searchTheBuildTree()
{
    ProctorDevices::searchAlso(QStringLiteral(VELTO_MEDIA_BUILD_DIR));
}
Q_CONSTRUCTOR_FUNCTION(searchTheBuildTree)
