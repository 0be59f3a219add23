// Demo notifications (read and unread), invoices, settlements and referral earnings.

#include "areas.h"
#include "money.h"
#include "notify.h"
#include "storage.h"

void seedAccount(Storage &db, const SeedIds &ids)
{
    // Referral commission earned by the demo freelancer.
    Money::deposit(db, ids.freelancer, 9900, QStringLiteral("Referral commission — Arjun Nair"),
                   QStringLiteral("referral_commission"));

    // Settlements: one paid out, one waiting.
    auto settlement = [&](qint64 rupees, const QString &status, int daysAgo) {
        const qint64 id = db.insert(
            QStringLiteral("INSERT INTO settlements (user_id, amount_paise, "
                           "status, requested_at) VALUES (?, ?, ?, ?)"),
            {ids.freelancer, rupees * Money::PaisePerRupee, status, Storage::isoInDays(-daysAgo)});
        Money::withdraw(db, ids.freelancer, rupees * Money::PaisePerRupee,
                        QStringLiteral("Withdrawal to bank ••••7891"), QStringLiteral("settlement"),
                        id);
    };
    settlement(5000, QStringLiteral("paid"), 12);
    settlement(2000, QStringLiteral("requested"), 1);

    Money::issueInvoice(db, ids.client, QStringLiteral("Velto Business plan — monthly"), 99900);
    Money::issueInvoice(db, ids.freelancer, QStringLiteral("Velto Plus plan — monthly"), 49900);

    auto note = [&](qint64 user, const QString &kind, const QString &title, const QString &body,
                    bool read) {
        const qint64 id
            = db.insert(QStringLiteral("INSERT INTO notifications (user_id, kind, "
                                       "title, body, created_at) VALUES (?, ?, ?, ?, ?)"),
                        {user, kind, title, body, Storage::now()});
        if (read)
            db.change(QStringLiteral("UPDATE notifications SET read_at = ? WHERE id = ?"),
                      {Storage::now(), id});
    };
    note(ids.client, QStringLiteral("welcome"), QStringLiteral("Welcome to Velto"),
         QStringLiteral("Post a project, run a contest or order a gig to get started."), true);
    note(ids.client, QStringLiteral("proposal_received"), QStringLiteral("New proposal"),
         QStringLiteral("Ananya Singh sent a proposal for “React dashboard for sales analytics”."),
         false);
    note(ids.client, QStringLiteral("entry_received"), QStringLiteral("New contest entry"),
         QStringLiteral("“Logo for Velto Coffee” received a new entry: Roastery badge"), false);
    note(ids.freelancer, QStringLiteral("welcome"), QStringLiteral("Welcome to Velto"),
         QStringLiteral("Complete your profile and take a skill assessment to earn badges."), true);
    note(ids.freelancer, QStringLiteral("prize_awarded"), QStringLiteral("You won a contest"),
         QStringLiteral("Your entry “Festival of lights set” won “Banner set for the Diwali "
                        "sale”: ₹3000 was added to your wallet."),
         true);
    note(ids.freelancer, QStringLiteral("team_invitation"), QStringLiteral("Added to a team"),
         QStringLiteral("Asha Mehta added you to the team “Design squad”."), false);
    note(ids.twoFactor, QStringLiteral("welcome"), QStringLiteral("Welcome to Velto"),
         QStringLiteral("Two-factor sign-in is on for your account."), false);
}
