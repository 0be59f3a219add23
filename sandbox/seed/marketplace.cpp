// Demo projects with proposals, contests (open with entries, awarded, cancelled) and teams.

#include "areas.h"
#include "money.h"
#include "storage.h"

#include <QJsonArray>
#include <QJsonDocument>

using namespace Qt::StringLiterals;

namespace {

qint64 project(Storage &db, qint64 clientId, const QString &title, const QString &description,
               const QStringList &skills, qint64 budgetRupees, const QString &type,
               const QString &status, int daysAgo)
{
    const QString created = Storage::isoInDays(-daysAgo);
    return db.insert(
        u"INSERT INTO projects (client_id, title, description, "
        "required_skills, budget_paise, project_type, status, "
        "created_at, published_at) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)"_s,
        {clientId, title, description,
         QString::fromUtf8(
             QJsonDocument(QJsonArray::fromStringList(skills)).toJson(QJsonDocument::Compact)),
         budgetRupees * Money::PaisePerRupee, type, status, created,
         status == "draft"_L1 ? QVariant() : QVariant(created)});
}

void proposal(Storage &db, qint64 projectId, qint64 freelancerId, const QString &coverLetter,
              qint64 amountRupees, int days)
{
    db.insert(u"INSERT INTO proposals (project_id, freelancer_id, cover_letter, "
              "amount_paise, duration_days, status, created_at) "
              "VALUES (?, ?, ?, ?, ?, 'submitted', ?)"_s,
              {projectId, freelancerId, coverLetter, amountRupees * Money::PaisePerRupee, days,
               Storage::isoInDays(-1)});
}

qint64 contest(Storage &db, qint64 clientId, const QString &title, const QString &brief,
               qint64 prizeRupees, int deadlineDays)
{
    const qint64 prize = prizeRupees * Money::PaisePerRupee;
    const qint64 fee = Money::contestFee(prize);
    const qint64 id
        = db.insert(u"INSERT INTO contests (client_id, title, brief, prize_paise, fee_paise, "
                    "status, deadline, created_at) VALUES (?, ?, ?, ?, ?, 'open', ?, ?)"_s,
                    {clientId, title, brief, prize, fee, Storage::isoInDays(deadlineDays),
                     Storage::isoInDays(-3)});
    Money::hold(db, clientId, prize, Money::Escrow::ContestPrize, id,
                u"Contest prize escrowed — %1"_s.arg(title));
    Money::hold(db, clientId, fee, Money::Escrow::ContestFee, id,
                u"Contest plan fee — %1"_s.arg(title));
    Money::issueInvoice(db, clientId, u"Contest plan fee — %1"_s.arg(title), fee);
    return id;
}

qint64 entry(Storage &db, qint64 contestId, qint64 freelancerId, const QString &title,
             const QString &description, const QString &url)
{
    return db.insert(u"INSERT INTO contest_entries (contest_id, freelancer_id, title, "
                     "description, attachment_url, created_at) "
                     "VALUES (?, ?, ?, ?, ?, ?)"_s,
                     {contestId, freelancerId, title, description, url, Storage::isoInDays(-1)});
}

} // namespace

void seedProjects(Storage &db, const SeedIds &ids)
{
    const qint64 dashboard
        = project(db, ids.client, u"React dashboard for sales analytics"_s,
                  u"We need a responsive dashboard that shows daily sales, returns and "
                  "regional trends from our REST API, with CSV export and dark mode."_s,
                  {u"React"_s, u"TypeScript"_s, u"Chart.js"_s}, 45000, u"fixed"_s, u"open"_s, 4);
    proposal(db, dashboard, ids.freelancer2,
             u"I have built three analytics dashboards in React and TypeScript, "
             "including one for a retail chain with 200 stores. I can start on "
             "Monday and share a clickable prototype within the first week."_s,
             42000, 21);
    proposal(db, dashboard, ids.freelancer3,
             u"Designer-developer here: I would start with a short discovery call, "
             "then wireframes, then the build. Charts in Chart.js as you asked."_s,
             39000, 28);

    const qint64 mobile
        = project(db, ids.client, u"Flutter app UI refresh (hourly)"_s,
                  u"Refresh the look of our Flutter delivery app: new colour system, "
                  "onboarding screens and an accessible checkout. Billed hourly with "
                  "ZadoZirir screenshots."_s,
                  {u"Flutter"_s, u"UI design"_s}, 60000, u"hourly"_s, u"open"_s, 2);
    proposal(db, mobile, ids.freelancer,
             u"I shipped two Flutter apps last year and care about accessibility. "
             "I suggest a two-week design sprint followed by implementation."_s,
             58000, 30);
    proposal(db, mobile, ids.freelancer2,
             u"Flutter and Material 3 specialist; I can deliver the onboarding "
             "screens first so your team can test them early."_s,
             61000, 35);

    project(db, ids.client, u"Landing page copy for the spring launch"_s,
            u"Persuasive copy for a single landing page: hero, three feature blocks, "
            "pricing and FAQ. Tone: friendly and direct."_s,
            {u"Copywriting"_s}, 8000, u"fixed"_s, u"draft"_s, 0);

    project(db, ids.client2, u"Data pipeline in Python and Airflow"_s,
            u"Move our nightly CSV imports into Airflow DAGs with retries, alerts "
            "and a small data-quality report; Postgres as the target."_s,
            {u"Python"_s, u"Airflow"_s, u"PostgreSQL"_s}, 80000, u"fixed"_s, u"open"_s, 1);
    const qint64 logo
        = project(db, ids.client2, u"Logo and brand kit for a tea startup"_s,
                  u"A logo, a colour palette, two typefaces and a one-page brand guide "
                  "for an online tea shop. Warm, handmade feel."_s,
                  {u"Branding"_s, u"Illustrator"_s}, 15000, u"fixed"_s, u"open"_s, 6);
    proposal(db, logo, ids.freelancer3,
             u"Brand designer with a portfolio of food and beverage brands; three "
             "initial concepts and two rounds of revisions included."_s,
             14000, 12);

    // Open without a budget: the freelancer names the price.
    project(db, ids.client, u"Accessibility review of our checkout"_s,
            u"Check our web checkout against WCAG 2.1 AA with a screen reader and the keyboard, "
            "and list what to fix first. Quote your price."_s,
            {u"Accessibility"_s, u"WCAG"_s}, 0, u"fixed"_s, u"open"_s, 0);
}

void seedContests(Storage &db, const SeedIds &ids)
{
    const qint64 coffee
        = contest(db, ids.client, u"Logo for Velto Coffee"_s,
                  u"A simple, memorable logo for a small coffee roastery. It must work in "
                  "one colour on cups and bags."_s,
                  5000, 10);
    entry(db, coffee, ids.freelancer, u"Bean and steam"_s,
          u"A single-line coffee bean whose curve becomes rising steam."_s,
          u"https://portfolio.example/ravi/velto-coffee"_s);
    entry(db, coffee, ids.freelancer3, u"Roastery badge"_s,
          u"A round badge with hand-lettered type, made for stamps and stickers."_s, QString());

    const qint64 mascot
        = contest(db, ids.client2, u"Mascot illustration for a kids' reading app"_s,
                  u"A friendly animal mascot in three poses (waving, reading, cheering) "
                  "for a reading app for children aged 5 to 8."_s,
                  8000, 14);
    entry(db, mascot, ids.freelancer2, u"Owly the reading owl"_s,
          u"A round little owl with big glasses, drawn in soft pastel colours."_s,
          u"https://portfolio.example/ananya/owly"_s);

    const qint64 banner
        = contest(db, ids.client, u"Banner set for the Diwali sale"_s,
                  u"Five web banners in standard sizes for our Diwali sale, with lamps "
                  "and warm colours, text in English and Hindi."_s,
                  3000, 5);
    const qint64 winner = entry(db, banner, ids.freelancer, u"Festival of lights set"_s,
                                u"Five banners with diya illustrations, bilingual "
                                "headlines and a gold-on-maroon palette."_s,
                                u"https://portfolio.example/ravi/diwali"_s);
    entry(db, banner, ids.freelancer2, u"Rangoli frames"_s,
          u"Banners framed by rangoli patterns, with space for product photos."_s, QString());
    Money::release(db, Money::Escrow::ContestPrize, banner, ids.freelancer,
                   u"Contest prize — Banner set for the Diwali sale"_s);
    Money::release(db, Money::Escrow::ContestFee, banner, Money::houseAccountId(db),
                   u"Contest plan fee — Banner set for the Diwali sale"_s);
    db.change(u"UPDATE contest_entries SET is_winner = 1 WHERE id = ?"_s, {winner});
    db.change(u"UPDATE contests SET status = 'awarded' WHERE id = ?"_s, {banner});

    const qint64 poster = contest(db, ids.client2, u"Poster for a jazz night"_s,
                                  u"An A3 poster for a small jazz evening in a bookshop café, in a "
                                  "vintage Blue Note style."_s,
                                  2000, 7);
    Money::refund(db, Money::Escrow::ContestPrize, poster,
                  u"Contest cancelled, prize refunded — Poster for a jazz night"_s);
    Money::refund(db, Money::Escrow::ContestFee, poster,
                  u"Contest cancelled, plan fee refunded — Poster for a jazz night"_s);
    db.change(u"UPDATE contests SET status = 'cancelled' WHERE id = ?"_s, {poster});

    // Open and still waiting for its first entry.
    contest(db, ids.client, u"Illustrated menu for a South Indian café"_s,
            u"A one-page menu with hand-drawn dosa, idli and filter coffee, printable in A4 and "
            "readable on a phone."_s,
            1500, 12);
}

void seedTeams(Storage &db, const SeedIds &ids)
{
    const QString now = Storage::now();
    auto team = [&](qint64 owner, const QString &name, const QString &description) {
        const qint64 id = db.insert(u"INSERT INTO teams (owner_id, name, description, "
                                    "created_at) VALUES (?, ?, ?, ?)"_s,
                                    {owner, name, description, now});
        db.insert(u"INSERT INTO team_members (team_id, user_id, email, status, "
                  "created_at) SELECT ?, id, email, 'owner', ? FROM users "
                  "WHERE id = ?"_s,
                  {id, now, owner});
        return id;
    };
    auto member = [&](qint64 teamId, qint64 userId) {
        db.insert(u"INSERT INTO team_members (team_id, user_id, email, status, "
                  "created_at) SELECT ?, id, email, 'member', ? FROM users "
                  "WHERE id = ?"_s,
                  {teamId, now, userId});
    };
    const qint64 design
        = team(ids.client, u"Design squad"_s, u"Brand, UI and illustration freelancers we trust"_s);
    member(design, ids.freelancer);
    member(design, ids.freelancer3);
    const qint64 backend = team(ids.client, u"Backend crew"_s, QString());
    member(backend, ids.freelancer2);
    db.insert(u"INSERT INTO team_members (team_id, email, status, created_at) "
              "VALUES (?, 'lead@partner-agency.test', 'invited', ?)"_s,
              {backend, now});
    const qint64 studio
        = team(ids.client2, u"Pixel Studio regulars"_s, u"Illustrators for children's books"_s);
    member(studio, ids.freelancer2);
    // Nobody invited yet: its owner is the one member.
    team(ids.client, u"Copy desk"_s, u"Writers for landing pages and newsletters"_s);
}
