// Demo notifications (read and unread), invoices, settlements and referral earnings.

#include "areas.h"
#include "money.h"
#include "notify.h"
#include "storage.h"

using namespace Qt::StringLiterals;

void seedAccount(Storage &db, const SeedIds &ids)
{
    // Referral commission earned by the demo freelancer.
    Money::deposit(db, ids.freelancer, 9900, u"Referral commission — Arjun Nair"_s,
                   u"referral_commission"_s);

    // Settlements: one in each state, oldest first (the list shows the newest first).
    auto settlement = [&](qint64 rupees, const QString &status, int daysAgo) {
        const qint64 id = db.insert(
            u"INSERT INTO settlements (user_id, amount_paise, "
            "status, requested_at) VALUES (?, ?, ?, ?)"_s,
            {ids.freelancer, rupees * Money::PaisePerRupee, status, Storage::isoInDays(-daysAgo)});
        Money::withdraw(db, ids.freelancer, rupees * Money::PaisePerRupee,
                        u"Withdrawal to bank ••••7891"_s, u"settlement"_s, id);
    };
    settlement(1500, u"rejected"_s, 20);
    // The bank sent the rejected payout back; the ledger row carries no text of its own, so the
    // wallet shows its kind.
    Money::deposit(db, ids.freelancer, 1500 * Money::PaisePerRupee, QString(),
                   u"settlement_returned"_s);
    settlement(5000, u"paid"_s, 12);
    settlement(1200, u"processing"_s, 3);
    settlement(2000, u"requested"_s, 1);

    Money::issueInvoice(db, ids.client, u"Velto Business plan — monthly"_s, 99900);
    Money::issueInvoice(db, ids.freelancer, u"Velto Plus plan — monthly"_s, 49900);

    auto note = [&](qint64 user, const QString &kind, const QString &title, const QString &body,
                    bool read) {
        const qint64 id = db.insert(u"INSERT INTO notifications (user_id, kind, "
                                    "title, body, created_at) VALUES (?, ?, ?, ?, ?)"_s,
                                    {user, kind, title, body, Storage::now()});
        if (read)
            db.change(u"UPDATE notifications SET read_at = ? WHERE id = ?"_s, {Storage::now(), id});
    };
    note(ids.client, u"welcome"_s, u"Welcome to Velto"_s,
         u"Post a project, run a contest or order a gig to get started."_s, true);
    note(ids.client, u"proposal_received"_s, u"New proposal"_s,
         u"Ananya Singh sent a proposal for “React dashboard for sales analytics”."_s, false);
    note(ids.client, u"entry_received"_s, u"New contest entry"_s,
         u"“Logo for Velto Coffee” received a new entry: Roastery badge"_s, false);
    note(ids.freelancer, u"welcome"_s, u"Welcome to Velto"_s,
         u"Complete your profile and take a skill assessment to earn badges."_s, true);
    note(ids.freelancer, u"prize_awarded"_s, u"You won a contest"_s,
         u"Your entry “Festival of lights set” won “Banner set for the Diwali "
         "sale”: ₹3000 was added to your wallet."_s,
         true);
    note(ids.freelancer, u"team_invitation"_s, u"Added to a team"_s,
         u"Asha Mehta added you to the team “Design squad”."_s, false);
    note(ids.twoFactor, u"welcome"_s, u"Welcome to Velto"_s,
         u"Two-factor sign-in is on for your account."_s, false);
}
