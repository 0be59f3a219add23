#pragma once

#include <QList>
#include <QString>

class Storage;

// The documented demo accounts, printed at start.
struct DemoAccount
{
    QString role;
    QString email;
    QString password;
    QString fullName;
    QString totpSecret; // base32; empty when the account has no two-factor sign-in
};
QList<DemoAccount> demoAccounts();

// Ids of the seeded people, handed to every area's seed function.
struct SeedIds
{
    qint64 client = 0; // client@velto.test
    qint64 freelancer = 0; // freelancer@velto.test
    qint64 twoFactor = 0; // 2fa@velto.test (a freelancer)
    qint64 client2 = 0; // a second client with projects and contests of its own
    qint64 freelancer2 = 0; // a second freelancer with proposals and entries
    qint64 freelancer3 = 0;
};

// Loads the demo data into a new database, in one transaction.
void seedDemo(Storage &db, int pbkdf2Iterations);

// Per-area seed functions (seed_*.cpp), called in this order by seedDemo.
SeedIds seedUsers(Storage &db, int pbkdf2Iterations);
void seedProjects(Storage &db, const SeedIds &ids);
void seedContests(Storage &db, const SeedIds &ids);
void seedTeams(Storage &db, const SeedIds &ids);
void seedGigs(Storage &db, const SeedIds &ids);
void seedContracts(Storage &db, const SeedIds &ids);
void seedAssessments(Storage &db, const SeedIds &ids);
void seedAccount(Storage &db, const SeedIds &ids); // notifications, invoices, settlements, last
