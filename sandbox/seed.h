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

// Loads the demo data into a new database, in one transaction (seed/demo.cpp; one file per area
// in seed/).
void seedDemo(Storage &db, int pbkdf2Iterations);
