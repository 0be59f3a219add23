// Projects and proposals: clients post projects as drafts and publish them; freelancers send
// proposals on open projects; accepting a proposal with one or two milestones creates the
// contract.

#include "http.h"
#include "money.h"
#include "notify.h"
#include "records.h"
#include "server.h"
#include "storage.h"
#include "users.h"

#include <QJsonDocument>

using namespace Qt::StringLiterals;

namespace {

const QString ProjectColumns = u"SELECT p.id, p.client_id, "_s + Users::displayNameSql("u")
    + u" AS client_name, p.title, p.description, p.required_skills, p.budget_paise, "
      u"p.project_type, p.status, p.created_at, "
      "p.published_at, (SELECT COUNT(*) FROM proposals WHERE project_id = p.id) AS "
      "proposals_count FROM projects p JOIN users u ON u.id = p.client_id "_s;

const QString ProposalColumns = u"SELECT pr.id, pr.project_id, pr.freelancer_id, "_s
    + Users::displayNameSql("u")
    + u" AS freelancer_name, pr.cover_letter, pr.amount_paise, pr.duration_days, pr.status, "
      u"pr.created_at "
      "FROM proposals pr JOIN users u ON u.id = pr.freelancer_id "_s;

// required_skills is stored as JSON text; records carry it as a list.
QJsonObject projectRecord(QJsonObject row)
{
    const QJsonDocument skills
        = QJsonDocument::fromJson(row.value(u"required_skills"_s).toString().toUtf8());
    row.insert(u"required_skills"_s, skills.isArray() ? skills.array() : QJsonArray());
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
    const QJsonObject row = db.one(ProjectColumns + u"WHERE p.id = ?"_s, {id});
    return row.isEmpty() ? row : projectRecord(row);
}

// The client's own project, else 404.
QJsonObject ownProject(Request &req, qint64 id)
{
    const QJsonObject p = projectById(req.db, id);
    if (p.isEmpty() || Records::integer(p, "client_id") != req.userId)
        fail(404, u"Project not found"_s);
    return p;
}

Reply listOpen(Request &req)
{
    return ok({{u"projects"_s,
                projectRecords(req.db.all(ProjectColumns
                                          + u"WHERE p.status = 'open' "
                                            "ORDER BY p.published_at DESC, p.id DESC"_s))}});
}

Reply listMine(Request &req)
{
    return ok({{u"projects"_s,
                projectRecords(req.db.all(ProjectColumns
                                              + u"WHERE p.client_id = ? "
                                                "ORDER BY p.id DESC"_s,
                                          {req.userId}))}});
}

Reply createProject(Request &req)
{
    const QString title = req.text(u"title"_s, 5, 200);
    const QString description = req.text(u"description"_s, 30, 10000);
    const QJsonArray skills = QJsonArray::fromStringList(req.skills(u"requiredSkills"_s));
    const qint64 budget = req.rupees(u"budget"_s);
    const QString type = req.text(u"projectType"_s, 1, 20);
    if (type != "fixed"_L1 && type != "hourly"_L1)
        fail(400, req.field(u"projectType"_s) + u" must be \"fixed\" or \"hourly\""_s);

    const qint64 id
        = req.db.insert(u"INSERT INTO projects (client_id, title, description, required_skills, "
                        "budget_paise, project_type, status, created_at) "
                        "VALUES (?, ?, ?, ?, ?, ?, 'draft', ?)"_s,
                        {req.userId, title, description,
                         QString::fromUtf8(QJsonDocument(skills).toJson(QJsonDocument::Compact)),
                         budget, type, Storage::now()});
    return created({{u"project"_s, projectById(req.db, id)}});
}

Reply publishProject(Request &req)
{
    const qint64 id = req.id(0);
    const QJsonObject p = ownProject(req, id);
    const QString status = p.value(u"status"_s).toString();
    if (status == "draft"_L1)
        req.db.change(u"UPDATE projects SET status = 'open', published_at = ? "
                      "WHERE id = ?"_s,
                      {Storage::now(), id});
    else if (status != "open"_L1)
        fail(409, u"This project can no longer be published"_s);
    return ok({{u"project"_s, projectById(req.db, id)}});
}

Reply listProposals(Request &req)
{
    const qint64 id = req.id(0);
    const QJsonObject p = ownProject(req, id);
    return ok({{u"project"_s, p},
               {u"proposals"_s,
                req.db.all(ProposalColumns + u"WHERE pr.project_id = ? ORDER BY pr.id"_s, {id})}});
}

Reply sendProposal(Request &req)
{
    const qint64 id = req.id(0);
    const QJsonObject p = projectById(req.db, id);
    // Drafts are invisible to freelancers.
    if (p.isEmpty() || p.value(u"status"_s).toString() == "draft"_L1)
        fail(404, u"Project not found"_s);
    Records::requireState(p, "status", {u"open"_s},
                          u"This project is no longer open for proposals"_s);
    const QString coverLetter = req.text(u"coverLetter"_s, 30, 10000);
    const qint64 amount = req.rupees(u"amount"_s);
    const qint64 days = req.integer(u"durationDays"_s, 1, 365);
    if (req.db.exists(u"SELECT 1 FROM proposals WHERE project_id = ? AND "
                      "freelancer_id = ?"_s,
                      {id, req.userId}))
        fail(409, u"You have already sent a proposal for this project"_s);

    const qint64 proposalId
        = req.db.insert(u"INSERT INTO proposals (project_id, freelancer_id, cover_letter, "
                        "amount_paise, duration_days, status, created_at) "
                        "VALUES (?, ?, ?, ?, ?, 'submitted', ?)"_s,
                        {id, req.userId, coverLetter, amount, days, Storage::now()});
    notifyUser(req.db, p.value(u"client_id"_s).toInteger(), u"proposal_received"_s,
               u"New proposal"_s,
               u"%1 sent a proposal for “%2” (%3, %4 days)."_s.arg(
                   Users::displayName(req.db, req.userId), p.value(u"title"_s).toString(),
                   Money::rupeesText(amount), QString::number(days)));
    return created(
        {{u"proposal"_s, req.db.one(ProposalColumns + u"WHERE pr.id = ?"_s, {proposalId})}});
}

Reply acceptProposal(Request &req)
{
    const qint64 id = req.id(0);
    const QJsonObject proposal
        = req.db.one(u"SELECT pr.id, pr.project_id, pr.freelancer_id, pr.status, "
                     "p.client_id, p.title, p.project_type, p.status AS project_status "
                     "FROM proposals pr JOIN projects p ON p.id = pr.project_id "
                     "WHERE pr.id = ?"_s,
                     {id});
    if (proposal.isEmpty() || Records::integer(proposal, "client_id") != req.userId)
        fail(404, u"Proposal not found"_s);
    Records::requireState(proposal, "status", {u"submitted"_s},
                          u"Only a submitted proposal can be accepted"_s);
    Records::requireState(proposal, "project_status", {u"open"_s},
                          u"This project has already been awarded"_s);

    const QJsonArray entries = req.list(u"milestones"_s, 2);
    if (entries.isEmpty())
        fail(400, u"Define at least one milestone"_s);
    struct Milestone
    {
        QString title;
        qint64 amount;
    };
    QList<Milestone> milestones;
    qint64 total = 0;
    for (int i = 0; i < entries.size(); ++i) {
        if (!entries.at(i).isObject())
            fail(400, u"Each milestone needs a title and an amount"_s);
        const QJsonObject m = entries.at(i).toObject();
        const QJsonValue titleValue = m.value(u"title"_s);
        if (!titleValue.isUndefined() && !titleValue.isNull() && !titleValue.isString())
            fail(400, u"A milestone title must be text"_s);
        QString title = titleValue.toString().trimmed();
        if (title.size() > 200)
            fail(400, u"A milestone title may be at most 200 characters"_s);
        if (title.isEmpty())
            title = u"Milestone %1"_s.arg(i + 1);
        const QJsonValue amountValue = m.value(u"amount"_s);
        if (amountValue.isUndefined() || amountValue.isNull())
            fail(400, u"Milestone %1: amount is required"_s.arg(i + 1));
        QString why;
        const auto amount = Money::parseRupees(amountValue, &why);
        if (!amount)
            fail(400, u"Milestone %1: %2"_s.arg(i + 1).arg(why));
        milestones.append({title, *amount});
        total += *amount;
    }

    const QString now = Storage::now();
    const qint64 projectId = proposal.value(u"project_id"_s).toInteger();
    const qint64 freelancerId = proposal.value(u"freelancer_id"_s).toInteger();
    const QString title = proposal.value(u"title"_s).toString();
    const qint64 contractId
        = req.db.insert(u"INSERT INTO contracts (project_id, proposal_id, client_id, "
                        "freelancer_id, title, contract_type, status, total_paise, created_at) "
                        "VALUES (?, ?, ?, ?, ?, ?, 'active', ?, ?)"_s,
                        {projectId, id, req.userId, freelancerId, title,
                         proposal.value(u"project_type"_s).toString(), total, now});
    for (int i = 0; i < milestones.size(); ++i)
        req.db.insert(u"INSERT INTO milestones (contract_id, position, title, "
                      "amount_paise, status, created_at) "
                      "VALUES (?, ?, ?, ?, 'awaiting_funding', ?)"_s,
                      {contractId, i + 1, milestones.at(i).title, milestones.at(i).amount, now});
    req.db.change(u"UPDATE proposals SET status = 'accepted' WHERE id = ?"_s, {id});
    req.db.change(u"UPDATE proposals SET status = 'declined' WHERE project_id = ? "
                  "AND id <> ? AND status = 'submitted'"_s,
                  {projectId, id});
    req.db.change(u"UPDATE projects SET status = 'in_progress' WHERE id = ?"_s, {projectId});
    notifyUser(req.db, freelancerId, u"contract_created"_s, u"Contract created"_s,
               u"Your proposal for “%1” was accepted: %2 milestone(s), %3 in total."_s.arg(
                   title, QString::number(milestones.size()), Money::rupeesText(total)));

    QJsonObject contract
        = req.db.one(u"SELECT id, project_id, title AS project_title, client_id, "
                     "freelancer_id, contract_type, status, total_paise, created_at "
                     "FROM contracts WHERE id = ?"_s,
                     {contractId});
    contract.insert(u"milestones"_s,
                    req.db.all(u"SELECT id, title, amount_paise, status FROM "
                               "milestones WHERE contract_id = ? ORDER BY position"_s,
                               {contractId}));
    return created({{u"contract"_s, contract}});
}

} // namespace

void registerProjectRoutes(Router &r)
{
    r.get(u"api/projects"_s, Access::User, listOpen);
    r.get(u"api/my/projects"_s, Access::Client, listMine);
    r.post(u"api/projects"_s, Access::Client, createProject);
    r.post(u"api/projects/<id>/publish"_s, Access::Client, publishProject);
    r.get(u"api/projects/<id>/proposals"_s, Access::Client, listProposals);
    r.post(u"api/projects/<id>/proposals"_s, Access::Freelancer, sendProposal);
    r.post(u"api/proposals/<id>/accept"_s, Access::Client, acceptProposal);
}
