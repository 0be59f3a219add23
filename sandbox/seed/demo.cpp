#include "areas.h"
#include "seed.h"
#include "storage.h"

void seedDemo(Storage &db, int pbkdf2Iterations)
{
    Storage::Transaction t(db);
    const SeedIds ids = seedUsers(db, pbkdf2Iterations);
    seedProjects(db, ids);
    seedContests(db, ids);
    seedTeams(db, ids);
    seedGigs(db, ids);
    seedContracts(db, ids);
    seedAssessments(db, ids);
    seedAccount(db, ids);
    t.commit();
}
