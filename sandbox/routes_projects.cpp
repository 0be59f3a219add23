#include "http.h"

void registerProjectRoutes(Router &) { }
