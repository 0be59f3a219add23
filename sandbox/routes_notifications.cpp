#include "http.h"

void registerNotificationRoutes(Router &) { }
