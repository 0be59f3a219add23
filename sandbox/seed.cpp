#include "seed.h"

#include "storage.h"

QList<DemoAccount> demoAccounts()
{
    return {
        {QStringLiteral("client"), QStringLiteral("client@velto.test"),
         QStringLiteral("velto-client-1"), QStringLiteral("Asha Mehta"), QString()},
        {QStringLiteral("freelancer"), QStringLiteral("freelancer@velto.test"),
         QStringLiteral("velto-freelancer-1"), QStringLiteral("Ravi Kumar"), QString()},
        {QStringLiteral("freelancer"), QStringLiteral("2fa@velto.test"),
         QStringLiteral("velto-2fa-user-1"), QStringLiteral("Meera Iyer"),
         QStringLiteral("JBSWY3DPEHPK3PXP")},
    };
}

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
