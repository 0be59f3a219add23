#include "api.h"

// Placeholder until the screen services land.
QString Api::captureScreenThumbnail() { return {}; }
int Api::screenCount() const { return 0; }
