#include "users.h"
#include "areas.h"
#include "money.h"
#include "seed.h"
#include "storage.h"

using namespace Qt::StringLiterals;

QList<DemoAccount> demoAccounts()
{
    return {
        {u"client"_s, u"client@velto.test"_s, u"velto-client-1"_s, u"Asha Mehta"_s, QString()},
        {u"freelancer"_s, u"freelancer@velto.test"_s, u"velto-freelancer-1"_s, u"Ravi Kumar"_s,
         QString()},
        {u"freelancer"_s, u"2fa@velto.test"_s, u"velto-2fa-user-1"_s, u"Meera Iyer"_s,
         u"JBSWY3DPEHPK3PXP"_s},
    };
}

SeedIds seedUsers(Storage &db, int pbkdf2Iterations)
{
    SeedIds ids;
    QList<qint64> demo;
    for (const DemoAccount &a : demoAccounts())
        demo.append(
            Users::create(db, a.email, a.password, a.fullName, a.role, pbkdf2Iterations, true));
    ids.client = demo.at(0);
    ids.freelancer = demo.at(1);
    ids.twoFactor = demo.at(2);
    db.change(u"UPDATE users SET totp_secret = ? WHERE id = ?"_s,
              {demoAccounts().at(2).totpSecret, ids.twoFactor});

    // Other people of the marketplace; nobody signs in as them (random passwords).
    ids.client2 = Users::create(db, u"studio@velto.test"_s, u"not-a-demo-login-1"_s,
                                u"Kavya Rao (Pixel Studio)"_s, u"client"_s, 1, true);
    ids.freelancer2 = Users::create(db, u"dev.ananya@velto.test"_s, u"not-a-demo-login-2"_s,
                                    u"Ananya Singh"_s, u"freelancer"_s, 1, true);
    ids.freelancer3 = Users::create(db, u"design.arjun@velto.test"_s, u"not-a-demo-login-3"_s,
                                    u"Arjun Nair"_s, u"freelancer"_s, 1, true);
    // The other people were made with one iteration for speed; give them unusable hashes.
    for (qint64 id : {ids.client2, ids.freelancer2, ids.freelancer3})
        db.change(u"UPDATE users SET password_hash = '' WHERE id = ?"_s, {id});

    db.change(u"UPDATE users SET kyc_status = 'verified' WHERE id IN (?, ?, ?, ?)"_s,
              {ids.client, ids.freelancer, ids.client2, ids.freelancer2});
    db.change(u"UPDATE users SET kyc_status = 'pending' WHERE id = ?"_s, {ids.twoFactor});
    // Referrals of the demo freelancer.
    db.change(u"UPDATE users SET referred_by = ? WHERE id IN (?, ?)"_s,
              {ids.freelancer, ids.freelancer3, ids.twoFactor});
    db.change(u"UPDATE users SET referred_by = ? WHERE id = ?"_s, {ids.client, ids.client2});

    // Opening balances.
    Money::deposit(db, ids.client, 250000 * Money::PaisePerRupee, u"Wallet top-up (card)"_s);
    Money::deposit(db, ids.client2, 150000 * Money::PaisePerRupee, u"Wallet top-up (UPI)"_s);
    Money::deposit(db, ids.freelancer, 12000 * Money::PaisePerRupee, u"Opening balance"_s);
    Money::deposit(db, ids.twoFactor, 1500 * Money::PaisePerRupee, u"Opening balance"_s);

    db.insert(
        u"INSERT INTO bank_accounts (user_id, account_holder, account_number, "
        "ifsc, status, updated_at) VALUES (?, ?, ?, ?, 'approved', ?)"_s,
        {ids.freelancer, u"Ravi Kumar"_s, u"50100234567891"_s, u"HDFC0001234"_s, Storage::now()});
    return ids;
}
