#include "http.h"

void registerWalletRoutes(Router &) { }
