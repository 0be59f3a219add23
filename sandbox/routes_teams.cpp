#include "http.h"

void registerTeamRoutes(Router &) { }
