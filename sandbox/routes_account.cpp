#include "http.h"

void registerAccountRoutes(Router &) { }
