#include "http.h"

// Routes of this area: filled in by the area's owner.
void registerGigRoutes(Router &) { }
