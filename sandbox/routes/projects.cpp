// Projects and proposals: clients post projects as drafts and publish them; freelancers send
// proposals on open projects; accepting a proposal with one or two milestones creates the
// contract.

#include "http.h"
#include "money.h"
#include "notify.h"
#include "server.h"
#include "storage.h"
#include "users.h"

#include <QJsonDocument>

namespace {

const QString ProjectColumns = QStringLiteral(
    "SELECT p.id, p.client_id, u.full_name AS client_name, p.title, p.description, "
    "p.required_skills, p.budget_paise, p.project_type, p.status, p.created_at, "
    "p.published_at, (SELECT COUNT(*) FROM proposals WHERE project_id = p.id) AS "
    "proposals_count FROM projects p JOIN users u ON u.id = p.client_id ");

const QString ProposalColumns = QStringLiteral(
    "SELECT pr.id, pr.project_id, pr.freelancer_id, u.full_name AS freelancer_name, "
    "pr.cover_letter, pr.amount_paise, pr.duration_days, pr.status, pr.created_at "
    "FROM proposals pr JOIN users u ON u.id = pr.freelancer_id ");

// required_skills is stored as JSON text; records carry it as a list.
QJsonObject projectRecord(QJsonObject row)
{
    const QJsonDocument skills
        = QJsonDocument::fromJson(row.value(QStringLiteral("required_skills")).toString().toUtf8());
    row.insert(QStringLiteral("required_skills"), skills.isArray() ? skills.array() : QJsonArray());
    return row;
}

QJsonArray projectRecords(const QJsonArray &rows)
{
    QJsonArray out;
    for (const QJsonValue &r : rows)
        out.append(projectRecord(r.toObject()));
    return out;
}

QJsonObject projectById(Storage &db, qint64 id)
{
    const QJsonObject row = db.one(ProjectColumns + QStringLiteral("WHERE p.id = ?"), {id});
    return row.isEmpty() ? row : projectRecord(row);
}

// The client's own project, else 404.
QJsonObject ownProject(Request &req, qint64 id)
{
    const QJsonObject p = projectById(req.db, id);
    if (p.isEmpty() || p.value(QStringLiteral("client_id")).toInteger() != req.userId)
        fail(404, QStringLiteral("Project not found"));
    return p;
}

Reply listOpen(Request &req)
{
    return ok({{QStringLiteral("projects"),
                projectRecords(
                    req.db.all(ProjectColumns
                               + QStringLiteral("WHERE p.status = 'open' "
                                                "ORDER BY p.published_at DESC, p.id DESC")))}});
}

Reply listMine(Request &req)
{
    return ok({{QStringLiteral("projects"),
                projectRecords(req.db.all(ProjectColumns
                                              + QStringLiteral("WHERE p.client_id = ? "
                                                               "ORDER BY p.id DESC"),
                                          {req.userId}))}});
}

Reply createProject(Request &req)
{
    const QString title = req.text(QStringLiteral("title"), 5, 200);
    const QString description = req.text(QStringLiteral("description"), 30, 10000);
    QJsonArray skills;
    for (const QJsonValue &v : req.list(QStringLiteral("requiredSkills"), 20)) {
        if (!v.isString())
            fail(400, QStringLiteral("requiredSkills must be a list of texts"));
        const QString skill = v.toString().trimmed();
        if (skill.size() > 60)
            fail(400, QStringLiteral("A skill may be at most 60 characters"));
        if (!skill.isEmpty() && !skills.contains(skill))
            skills.append(skill);
    }
    const qint64 budget = req.rupees(QStringLiteral("budget"));
    const QString type = req.text(QStringLiteral("projectType"), 1, 20);
    if (type != QLatin1String("fixed") && type != QLatin1String("hourly"))
        fail(400, QStringLiteral("projectType must be \"fixed\" or \"hourly\""));

    const qint64 id = req.db.insert(
        QStringLiteral("INSERT INTO projects (client_id, title, description, required_skills, "
                       "budget_paise, project_type, status, created_at) "
                       "VALUES (?, ?, ?, ?, ?, ?, 'draft', ?)"),
        {req.userId, title, description,
         QString::fromUtf8(QJsonDocument(skills).toJson(QJsonDocument::Compact)), budget, type,
         Storage::now()});
    return created({{QStringLiteral("project"), projectById(req.db, id)}});
}

Reply publishProject(Request &req)
{
    const qint64 id = req.id(0);
    const QJsonObject p = ownProject(req, id);
    const QString status = p.value(QStringLiteral("status")).toString();
    if (status == QLatin1String("draft"))
        req.db.change(QStringLiteral("UPDATE projects SET status = 'open', published_at = ? "
                                     "WHERE id = ?"),
                      {Storage::now(), id});
    else if (status != QLatin1String("open"))
        fail(409, QStringLiteral("This project can no longer be published"));
    return ok({{QStringLiteral("project"), projectById(req.db, id)}});
}

Reply listProposals(Request &req)
{
    const qint64 id = req.id(0);
    const QJsonObject p = ownProject(req, id);
    return ok(
        {{QStringLiteral("project"), p},
         {QStringLiteral("proposals"),
          req.db.all(ProposalColumns + QStringLiteral("WHERE pr.project_id = ? ORDER BY pr.id"),
                     {id})}});
}

Reply sendProposal(Request &req)
{
    const qint64 id = req.id(0);
    const QJsonObject p = projectById(req.db, id);
    // Drafts are invisible to freelancers.
    if (p.isEmpty() || p.value(QStringLiteral("status")).toString() == QLatin1String("draft"))
        fail(404, QStringLiteral("Project not found"));
    if (p.value(QStringLiteral("status")).toString() != QLatin1String("open"))
        fail(409, QStringLiteral("This project is no longer open for proposals"));
    const QString coverLetter = req.text(QStringLiteral("coverLetter"), 30, 10000);
    const qint64 amount = req.rupees(QStringLiteral("amount"));
    const qint64 days = req.integer(QStringLiteral("durationDays"), 1, 365);
    if (req.db
            .scalar(QStringLiteral("SELECT COUNT(*) FROM proposals WHERE project_id = ? AND "
                                   "freelancer_id = ?"),
                    {id, req.userId})
            .toLongLong()
        > 0)
        fail(409, QStringLiteral("You have already sent a proposal for this project"));

    const qint64 proposalId = req.db.insert(
        QStringLiteral("INSERT INTO proposals (project_id, freelancer_id, cover_letter, "
                       "amount_paise, duration_days, status, created_at) "
                       "VALUES (?, ?, ?, ?, ?, 'submitted', ?)"),
        {id, req.userId, coverLetter, amount, days, Storage::now()});
    notifyUser(req.db, p.value(QStringLiteral("client_id")).toInteger(),
               QStringLiteral("proposal_received"), QStringLiteral("New proposal"),
               QStringLiteral("%1 sent a proposal for “%2” (₹%3, %4 days).")
                   .arg(Users::displayName(req.db, req.userId),
                        p.value(QStringLiteral("title")).toString(),
                        QString::number(amount / Money::PaisePerRupee), QString::number(days)));
    return created(
        {{QStringLiteral("proposal"),
          req.db.one(ProposalColumns + QStringLiteral("WHERE pr.id = ?"), {proposalId})}});
}

Reply acceptProposal(Request &req)
{
    const qint64 id = req.id(0);
    const QJsonObject proposal = req.db.one(
        QStringLiteral("SELECT pr.id, pr.project_id, pr.freelancer_id, pr.status, "
                       "p.client_id, p.title, p.project_type, p.status AS project_status "
                       "FROM proposals pr JOIN projects p ON p.id = pr.project_id "
                       "WHERE pr.id = ?"),
        {id});
    if (proposal.isEmpty() || proposal.value(QStringLiteral("client_id")).toInteger() != req.userId)
        fail(404, QStringLiteral("Proposal not found"));
    if (proposal.value(QStringLiteral("status")).toString() != QLatin1String("submitted"))
        fail(409, QStringLiteral("Only a submitted proposal can be accepted"));
    if (proposal.value(QStringLiteral("project_status")).toString() != QLatin1String("open"))
        fail(409, QStringLiteral("This project has already been awarded"));

    const QJsonArray entries = req.list(QStringLiteral("milestones"), 2);
    if (entries.isEmpty())
        fail(400, QStringLiteral("Define at least one milestone"));
    struct Milestone
    {
        QString title;
        qint64 amount;
    };
    QList<Milestone> milestones;
    qint64 total = 0;
    for (int i = 0; i < entries.size(); ++i) {
        if (!entries.at(i).isObject())
            fail(400, QStringLiteral("Each milestone needs a title and an amount"));
        const QJsonObject m = entries.at(i).toObject();
        const QJsonValue titleValue = m.value(QStringLiteral("title"));
        if (!titleValue.isUndefined() && !titleValue.isNull() && !titleValue.isString())
            fail(400, QStringLiteral("A milestone title must be text"));
        QString title = titleValue.toString().trimmed();
        if (title.size() > 200)
            fail(400, QStringLiteral("A milestone title may be at most 200 characters"));
        if (title.isEmpty())
            title = QStringLiteral("Milestone %1").arg(i + 1);
        const QJsonValue amountValue = m.value(QStringLiteral("amount"));
        if (amountValue.isUndefined() || amountValue.isNull())
            fail(400, QStringLiteral("Milestone %1: amount is required").arg(i + 1));
        QString why;
        const auto amount = Money::parseRupees(amountValue, &why);
        if (!amount)
            fail(400, QStringLiteral("Milestone %1: %2").arg(i + 1).arg(why));
        milestones.append({title, *amount});
        total += *amount;
    }

    const QString now = Storage::now();
    const qint64 projectId = proposal.value(QStringLiteral("project_id")).toInteger();
    const qint64 freelancerId = proposal.value(QStringLiteral("freelancer_id")).toInteger();
    const QString title = proposal.value(QStringLiteral("title")).toString();
    const qint64 contractId = req.db.insert(
        QStringLiteral("INSERT INTO contracts (project_id, proposal_id, client_id, "
                       "freelancer_id, title, contract_type, status, total_paise, created_at) "
                       "VALUES (?, ?, ?, ?, ?, ?, 'active', ?, ?)"),
        {projectId, id, req.userId, freelancerId, title,
         proposal.value(QStringLiteral("project_type")).toString(), total, now});
    for (int i = 0; i < milestones.size(); ++i)
        req.db.insert(QStringLiteral("INSERT INTO milestones (contract_id, position, title, "
                                     "amount_paise, status, created_at) "
                                     "VALUES (?, ?, ?, ?, 'awaiting_funding', ?)"),
                      {contractId, i + 1, milestones.at(i).title, milestones.at(i).amount, now});
    req.db.change(QStringLiteral("UPDATE proposals SET status = 'accepted' WHERE id = ?"), {id});
    req.db.change(QStringLiteral("UPDATE proposals SET status = 'declined' WHERE project_id = ? "
                                 "AND id <> ? AND status = 'submitted'"),
                  {projectId, id});
    req.db.change(QStringLiteral("UPDATE projects SET status = 'in_progress' WHERE id = ?"),
                  {projectId});
    notifyUser(req.db, freelancerId, QStringLiteral("contract_created"),
               QStringLiteral("Contract created"),
               QStringLiteral("Your proposal for “%1” was accepted: %2 milestone(s), ₹%3 in total.")
                   .arg(title, QString::number(milestones.size()),
                        QString::number(total / Money::PaisePerRupee)));

    QJsonObject contract
        = req.db.one(QStringLiteral("SELECT id, project_id, title AS project_title, client_id, "
                                    "freelancer_id, contract_type, status, total_paise, created_at "
                                    "FROM contracts WHERE id = ?"),
                     {contractId});
    contract.insert(QStringLiteral("milestones"),
                    req.db.all(QStringLiteral("SELECT id, title, amount_paise, status FROM "
                                              "milestones WHERE contract_id = ? ORDER BY position"),
                               {contractId}));
    return created({{QStringLiteral("contract"), contract}});
}

} // namespace

void registerProjectRoutes(Router &r)
{
    r.get(QStringLiteral("api/projects"), Access::User, listOpen);
    r.get(QStringLiteral("api/my/projects"), Access::Client, listMine);
    r.post(QStringLiteral("api/projects"), Access::Client, createProject);
    r.post(QStringLiteral("api/projects/<id>/publish"), Access::Client, publishProject);
    r.get(QStringLiteral("api/projects/<id>/proposals"), Access::Client, listProposals);
    r.post(QStringLiteral("api/projects/<id>/proposals"), Access::Freelancer, sendProposal);
    r.post(QStringLiteral("api/proposals/<id>/accept"), Access::Client, acceptProposal);
}
