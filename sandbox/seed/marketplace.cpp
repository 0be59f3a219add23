// Demo projects with proposals, contests (open with entries, awarded, cancelled) and teams.

#include "areas.h"
#include "money.h"
#include "storage.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace {

qint64 project(Storage &db, qint64 clientId, const QString &title, const QString &description,
               const QStringList &skills, qint64 budgetRupees, const QString &type,
               const QString &status, int daysAgo)
{
    const QString created = Storage::isoInDays(-daysAgo);
    return db.insert(
        QStringLiteral("INSERT INTO projects (client_id, title, description, "
                       "required_skills, budget_paise, project_type, status, "
                       "created_at, published_at) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)"),
        {clientId, title, description,
         QString::fromUtf8(
             QJsonDocument(QJsonArray::fromStringList(skills)).toJson(QJsonDocument::Compact)),
         budgetRupees * Money::PaisePerRupee, type, status, created,
         status == QLatin1String("draft") ? QVariant() : QVariant(created)});
}

void proposal(Storage &db, qint64 projectId, qint64 freelancerId, const QString &coverLetter,
              qint64 amountRupees, int days)
{
    db.insert(QStringLiteral("INSERT INTO proposals (project_id, freelancer_id, cover_letter, "
                             "amount_paise, duration_days, status, created_at) "
                             "VALUES (?, ?, ?, ?, ?, 'submitted', ?)"),
              {projectId, freelancerId, coverLetter, amountRupees * Money::PaisePerRupee, days,
               Storage::isoInDays(-1)});
}

qint64 contest(Storage &db, qint64 clientId, const QString &title, const QString &brief,
               qint64 prizeRupees, int deadlineDays)
{
    const qint64 prize = prizeRupees * Money::PaisePerRupee;
    const qint64 fee = Money::contestFee(prize);
    const qint64 id = db.insert(
        QStringLiteral("INSERT INTO contests (client_id, title, brief, prize_paise, fee_paise, "
                       "status, deadline, created_at) VALUES (?, ?, ?, ?, ?, 'open', ?, ?)"),
        {clientId, title, brief, prize, fee, Storage::isoInDays(deadlineDays),
         Storage::isoInDays(-3)});
    Money::hold(db, clientId, prize, Money::Escrow::ContestPrize, id,
                QStringLiteral("Contest prize escrowed — %1").arg(title));
    Money::hold(db, clientId, fee, Money::Escrow::ContestFee, id,
                QStringLiteral("Contest plan fee — %1").arg(title));
    Money::issueInvoice(db, clientId, QStringLiteral("Contest plan fee — %1").arg(title), fee);
    return id;
}

qint64 entry(Storage &db, qint64 contestId, qint64 freelancerId, const QString &title,
             const QString &description, const QString &url)
{
    return db.insert(
        QStringLiteral("INSERT INTO contest_entries (contest_id, freelancer_id, title, "
                       "description, attachment_url, created_at) "
                       "VALUES (?, ?, ?, ?, ?, ?)"),
        {contestId, freelancerId, title, description, url, Storage::isoInDays(-1)});
}

} // namespace

void seedProjects(Storage &db, const SeedIds &ids)
{
    const qint64 dashboard = project(
        db, ids.client, QStringLiteral("React dashboard for sales analytics"),
        QStringLiteral("We need a responsive dashboard that shows daily sales, returns and "
                       "regional trends from our REST API, with CSV export and dark mode."),
        {QStringLiteral("React"), QStringLiteral("TypeScript"), QStringLiteral("Chart.js")}, 45000,
        QStringLiteral("fixed"), QStringLiteral("open"), 4);
    proposal(db, dashboard, ids.freelancer2,
             QStringLiteral("I have built three analytics dashboards in React and TypeScript, "
                            "including one for a retail chain with 200 stores. I can start on "
                            "Monday and share a clickable prototype within the first week."),
             42000, 21);
    proposal(db, dashboard, ids.freelancer3,
             QStringLiteral("Designer-developer here: I would start with a short discovery call, "
                            "then wireframes, then the build. Charts in Chart.js as you asked."),
             39000, 28);

    const qint64 mobile = project(
        db, ids.client, QStringLiteral("Flutter app UI refresh (hourly)"),
        QStringLiteral("Refresh the look of our Flutter delivery app: new colour system, "
                       "onboarding screens and an accessible checkout. Billed hourly with "
                       "ZadoZirir screenshots."),
        {QStringLiteral("Flutter"), QStringLiteral("UI design")}, 60000, QStringLiteral("hourly"),
        QStringLiteral("open"), 2);
    proposal(db, mobile, ids.freelancer,
             QStringLiteral("I shipped two Flutter apps last year and care about accessibility. "
                            "I suggest a two-week design sprint followed by implementation."),
             58000, 30);
    proposal(db, mobile, ids.freelancer2,
             QStringLiteral("Flutter and Material 3 specialist; I can deliver the onboarding "
                            "screens first so your team can test them early."),
             61000, 35);

    project(db, ids.client, QStringLiteral("Landing page copy for the spring launch"),
            QStringLiteral("Persuasive copy for a single landing page: hero, three feature blocks, "
                           "pricing and FAQ. Tone: friendly and direct."),
            {QStringLiteral("Copywriting")}, 8000, QStringLiteral("fixed"), QStringLiteral("draft"),
            0);

    project(db, ids.client2, QStringLiteral("Data pipeline in Python and Airflow"),
            QStringLiteral("Move our nightly CSV imports into Airflow DAGs with retries, alerts "
                           "and a small data-quality report; Postgres as the target."),
            {QStringLiteral("Python"), QStringLiteral("Airflow"), QStringLiteral("PostgreSQL")},
            80000, QStringLiteral("fixed"), QStringLiteral("open"), 1);
    const qint64 logo = project(
        db, ids.client2, QStringLiteral("Logo and brand kit for a tea startup"),
        QStringLiteral("A logo, a colour palette, two typefaces and a one-page brand guide "
                       "for an online tea shop. Warm, handmade feel."),
        {QStringLiteral("Branding"), QStringLiteral("Illustrator")}, 15000, QStringLiteral("fixed"),
        QStringLiteral("open"), 6);
    proposal(db, logo, ids.freelancer3,
             QStringLiteral("Brand designer with a portfolio of food and beverage brands; three "
                            "initial concepts and two rounds of revisions included."),
             14000, 12);
}

void seedContests(Storage &db, const SeedIds &ids)
{
    const qint64 coffee = contest(
        db, ids.client, QStringLiteral("Logo for Velto Coffee"),
        QStringLiteral("A simple, memorable logo for a small coffee roastery. It must work in "
                       "one colour on cups and bags."),
        5000, 10);
    entry(db, coffee, ids.freelancer, QStringLiteral("Bean and steam"),
          QStringLiteral("A single-line coffee bean whose curve becomes rising steam."),
          QStringLiteral("https://portfolio.example/ravi/velto-coffee"));
    entry(db, coffee, ids.freelancer3, QStringLiteral("Roastery badge"),
          QStringLiteral("A round badge with hand-lettered type, made for stamps and stickers."),
          QString());

    const qint64 mascot = contest(
        db, ids.client2, QStringLiteral("Mascot illustration for a kids' reading app"),
        QStringLiteral("A friendly animal mascot in three poses (waving, reading, cheering) "
                       "for a reading app for children aged 5 to 8."),
        8000, 14);
    entry(db, mascot, ids.freelancer2, QStringLiteral("Owly the reading owl"),
          QStringLiteral("A round little owl with big glasses, drawn in soft pastel colours."),
          QStringLiteral("https://portfolio.example/ananya/owly"));

    const qint64 banner = contest(
        db, ids.client, QStringLiteral("Banner set for the Diwali sale"),
        QStringLiteral("Five web banners in standard sizes for our Diwali sale, with lamps "
                       "and warm colours, text in English and Hindi."),
        3000, 5);
    const qint64 winner
        = entry(db, banner, ids.freelancer, QStringLiteral("Festival of lights set"),
                QStringLiteral("Five banners with diya illustrations, bilingual "
                               "headlines and a gold-on-maroon palette."),
                QStringLiteral("https://portfolio.example/ravi/diwali"));
    entry(db, banner, ids.freelancer2, QStringLiteral("Rangoli frames"),
          QStringLiteral("Banners framed by rangoli patterns, with space for product photos."),
          QString());
    Money::release(db, Money::Escrow::ContestPrize, banner, ids.freelancer,
                   QStringLiteral("Contest prize — Banner set for the Diwali sale"));
    Money::release(db, Money::Escrow::ContestFee, banner, Money::houseAccountId(db),
                   QStringLiteral("Contest plan fee — Banner set for the Diwali sale"));
    db.change(QStringLiteral("UPDATE contest_entries SET is_winner = 1 WHERE id = ?"), {winner});
    db.change(QStringLiteral("UPDATE contests SET status = 'awarded' WHERE id = ?"), {banner});

    const qint64 poster
        = contest(db, ids.client2, QStringLiteral("Poster for a jazz night"),
                  QStringLiteral("An A3 poster for a small jazz evening in a bookshop café, in a "
                                 "vintage Blue Note style."),
                  2000, 7);
    Money::refund(db, Money::Escrow::ContestPrize, poster,
                  QStringLiteral("Contest cancelled, prize refunded — Poster for a jazz night"));
    Money::refund(db, Money::Escrow::ContestFee, poster,
                  QStringLiteral("Contest cancelled, plan fee refunded — Poster for a jazz night"));
    db.change(QStringLiteral("UPDATE contests SET status = 'cancelled' WHERE id = ?"), {poster});
}

void seedTeams(Storage &db, const SeedIds &ids)
{
    const QString now = Storage::now();
    auto team = [&](qint64 owner, const QString &name, const QString &description) {
        const qint64 id
            = db.insert(QStringLiteral("INSERT INTO teams (owner_id, name, description, "
                                       "created_at) VALUES (?, ?, ?, ?)"),
                        {owner, name, description, now});
        db.insert(QStringLiteral("INSERT INTO team_members (team_id, user_id, email, status, "
                                 "created_at) SELECT ?, id, email, 'owner', ? FROM users "
                                 "WHERE id = ?"),
                  {id, now, owner});
        return id;
    };
    auto member = [&](qint64 teamId, qint64 userId) {
        db.insert(QStringLiteral("INSERT INTO team_members (team_id, user_id, email, status, "
                                 "created_at) SELECT ?, id, email, 'member', ? FROM users "
                                 "WHERE id = ?"),
                  {teamId, now, userId});
    };
    const qint64 design = team(ids.client, QStringLiteral("Design squad"),
                               QStringLiteral("Brand, UI and illustration freelancers we trust"));
    member(design, ids.freelancer);
    member(design, ids.freelancer3);
    const qint64 backend = team(ids.client, QStringLiteral("Backend crew"), QString());
    member(backend, ids.freelancer2);
    db.insert(QStringLiteral("INSERT INTO team_members (team_id, email, status, created_at) "
                             "VALUES (?, 'lead@partner-agency.test', 'invited', ?)"),
              {backend, now});
    const qint64 studio = team(ids.client2, QStringLiteral("Pixel Studio regulars"),
                               QStringLiteral("Illustrators for children's books"));
    member(studio, ids.freelancer2);
}
