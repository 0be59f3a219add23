#include "seed.h"

void seedAccount(Storage &, const SeedIds &) { }
