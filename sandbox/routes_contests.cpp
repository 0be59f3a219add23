#include "http.h"

void registerContestRoutes(Router &) { }
