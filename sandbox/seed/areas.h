#pragma once

#include <QtGlobal>

class Storage;

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

// The seed of each area (seed/<area>.cpp), called in this order by seedDemo (seed/demo.cpp).
// They depend on this header only, never on each other or on the order's own file.
SeedIds seedUsers(Storage &db, int pbkdf2Iterations);
void seedProjects(Storage &db, const SeedIds &ids);
void seedContests(Storage &db, const SeedIds &ids);
void seedTeams(Storage &db, const SeedIds &ids);
void seedGigs(Storage &db, const SeedIds &ids);
void seedContracts(Storage &db, const SeedIds &ids);
void seedAssessments(Storage &db, const SeedIds &ids);
void seedAccount(Storage &db, const SeedIds &ids); // notifications, invoices, settlements, last
