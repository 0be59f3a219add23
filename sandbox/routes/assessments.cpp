#include "dataurl.h"
#include "exambank.h"
#include "http.h"
#include "notify.h"
#include "storage.h"

#include <QDateTime>
#include <QJsonDocument>
#include <QRandomGenerator>

// Proctored skill exams. A freelancer takes the levels of a skill in order; a level with a fee is
// paid on the web (the start answers with `razorpay`). An attempt is open for the level's time
// limit; the client reports proctoring events while it runs and then submits its answers. The
// score passes at 60 % or more; more than five violations send the attempt to manual review (the
// badge waits for it); a pass otherwise earns the level's badge.

namespace {

using namespace ExamBank;

constexpr int MaxEventsPerAttempt = 1000;

qint64 member(const QJsonObject &o, const char *name)
{
    return o.value(QLatin1String(name)).toInteger();
}

QString text(const QJsonObject &o, const char *name)
{
    return o.value(QLatin1String(name)).toString();
}

int badgeLevel(Storage &db, qint64 userId, const QString &skill)
{
    return db
        .scalar(QStringLiteral("SELECT COALESCE(MAX(level), 0) FROM badges "
                               "WHERE user_id = ? AND skill = ?"),
                {userId, skill})
        .toInt();
}

qint64 secondsLeft(const QJsonObject &attempt)
{
    const QDateTime started = QDateTime::fromString(text(attempt, "started_at"), Qt::ISODate);
    const qint64 elapsed = started.secsTo(QDateTime::currentDateTimeUtc());
    return qMax<qint64>(0, member(attempt, "time_limit_seconds") - qMax<qint64>(0, elapsed));
}

bool pastDeadline(const QJsonObject &attempt, int graceSeconds)
{
    const QDateTime started = QDateTime::fromString(text(attempt, "started_at"), Qt::ISODate);
    return started.secsTo(QDateTime::currentDateTimeUtc())
        > member(attempt, "time_limit_seconds") + graceSeconds;
}

QJsonObject attemptRecord(const QJsonObject &row)
{
    return QJsonObject {
        {QStringLiteral("id"), member(row, "id")},
        {QStringLiteral("skill"), text(row, "skill")},
        {QStringLiteral("level"), member(row, "level")},
        {QStringLiteral("status"), text(row, "status")},
        {QStringLiteral("startedAt"), text(row, "started_at")},
        {QStringLiteral("timeLimitSeconds"), member(row, "time_limit_seconds")},
        {QStringLiteral("remainingSeconds"),
         text(row, "status") == QLatin1String("in_progress") ? secondsLeft(row) : 0}};
}

QJsonObject loadAttempt(Storage &db, qint64 id)
{
    return db.one(QStringLiteral("SELECT id, user_id, skill, level, status, started_at, "
                                 "time_limit_seconds FROM assessment_attempts WHERE id = ?"),
                  {id});
}

// The caller's own attempt of the path; someone else's is 404.
QJsonObject ownAttempt(Request &req)
{
    const QJsonObject a = loadAttempt(req.db, req.id());
    if (a.isEmpty() || member(a, "user_id") != req.userId)
        fail(404, QStringLiteral("Attempt not found"));
    return a;
}

void requireRunning(const QJsonObject &a)
{
    if (text(a, "status") != QLatin1String("in_progress"))
        fail(409, QStringLiteral("This attempt has already been submitted"));
}

// Closes an attempt whose time ran out without a submission.
void expire(Storage &db, qint64 attemptId, int total)
{
    db.change(QStringLiteral("UPDATE assessment_attempts SET status = 'expired', score = 0, "
                             "total = ?, submitted_at = ? WHERE id = ? AND status = 'in_progress'"),
              {total, Storage::now(), attemptId});
}

Reply catalogue(Request &req)
{
    QJsonArray rows;
    for (const Skill &skill : skills()) {
        const int earned = badgeLevel(req.db, req.userId, skill.name);
        const Level *next = findLevel(skill, earned + 1);
        const bool inReview
            = req.db
                  .scalar(QStringLiteral("SELECT COUNT(*) FROM assessment_attempts WHERE "
                                         "user_id = ? AND skill = ? AND status = 'in_review'"),
                          {req.userId, skill.name})
                  .toLongLong()
            > 0;
        rows.append(QJsonObject {
            {QStringLiteral("skill"), skill.name},
            {QStringLiteral("badgeLevel"), earned},
            {QStringLiteral("nextLevel"), next ? QJsonValue(next->level) : QJsonValue()},
            {QStringLiteral("feePaise"), next ? next->feePaise : 0},
            {QStringLiteral("maxLevel"), int(skill.levels.size())},
            {QStringLiteral("timeLimitSeconds"), next ? next->timeLimitSeconds : 0},
            {QStringLiteral("questionsCount"), next ? int(next->questions.size()) : 0},
            {QStringLiteral("inReview"), inReview}});
    }
    const QJsonArray badges
        = req.db.all(QStringLiteral("SELECT skill, level, awarded_at FROM badges "
                                    "WHERE user_id = ? ORDER BY skill, level"),
                     {req.userId});
    return ok({{QStringLiteral("assessments"), rows}, {QStringLiteral("badges"), badges}});
}

Reply startAttempt(Request &req)
{
    const Skill *skill = findSkill(req.args.value(0));
    if (!skill)
        fail(404, QStringLiteral("There is no exam for this skill"));
    const QString levelText = req.args.value(1);
    const Level *level = nullptr;
    if (levelText.size() <= 2 && !levelText.isEmpty()
        && std::all_of(levelText.begin(), levelText.end(), [](QChar c) { return c.isDigit(); }))
        level = findLevel(*skill, levelText.toInt());
    if (!level)
        fail(404, QStringLiteral("There is no such level for %1").arg(skill->name));

    const int earned = badgeLevel(req.db, req.userId, skill->name);
    if (level->level <= earned)
        fail(409,
             QStringLiteral("You already hold the %1 Level %2 badge").arg(skill->name).arg(earned));
    if (level->level > earned + 1)
        fail(409, QStringLiteral("Take %1 Level %2 first").arg(skill->name).arg(earned + 1));
    if (req.db
            .scalar(QStringLiteral("SELECT COUNT(*) FROM assessment_attempts WHERE user_id = ? "
                                   "AND skill = ? AND level = ? AND status = 'in_review'"),
                    {req.userId, skill->name, level->level})
            .toLongLong()
        > 0)
        fail(409, QStringLiteral("Your last attempt at this level is under review"));

    if (level->feePaise > 0) {
        // Paid levels are bought on the web; the exam then starts there.
        const QString orderId
            = QStringLiteral("order_sbx_%1")
                  .arg(QRandomGenerator::system()->generate64(), 16, 16, QLatin1Char('0'));
        return ok({{QStringLiteral("razorpay"),
                    QJsonObject {{QStringLiteral("order_id"), orderId},
                                 {QStringLiteral("amount_paise"), level->feePaise},
                                 {QStringLiteral("currency"), QStringLiteral("INR")}}},
                   {QStringLiteral("feePaise"), level->feePaise}});
    }

    // A running attempt at the same level is resumed; one whose time ran out is closed first.
    const QJsonObject running
        = req.db.one(QStringLiteral("SELECT id, user_id, skill, level, status, started_at, "
                                    "time_limit_seconds FROM assessment_attempts WHERE user_id = ? "
                                    "AND skill = ? AND level = ? AND status = 'in_progress' "
                                    "ORDER BY id DESC LIMIT 1"),
                     {req.userId, skill->name, level->level});
    if (!running.isEmpty()) {
        if (secondsLeft(running) > 0)
            return ok({{QStringLiteral("attempt"), attemptRecord(running)},
                       {QStringLiteral("resumed"), true}});
        expire(req.db, member(running, "id"), int(level->questions.size()));
    }

    const qint64 id = req.db.insert(
        QStringLiteral("INSERT INTO assessment_attempts (user_id, skill, level, status, "
                       "started_at, time_limit_seconds, total) "
                       "VALUES (?,?,?,'in_progress',?,?,?)"),
        {req.userId, skill->name, level->level, Storage::now(), level->timeLimitSeconds,
         int(level->questions.size())});
    return created({{QStringLiteral("attempt"), attemptRecord(loadAttempt(req.db, id))}});
}

Reply questions(Request &req)
{
    const QJsonObject a = ownAttempt(req);
    requireRunning(a);
    const Level *level = nullptr;
    if (const Skill *skill = findSkill(text(a, "skill")))
        level = findLevel(*skill, int(member(a, "level")));
    if (!level)
        fail(404, QStringLiteral("Attempt not found"));
    if (secondsLeft(a) <= 0)
        fail(409, QStringLiteral("The time for this attempt is over"));

    QJsonArray list;
    for (const Question &q : level->questions) {
        QJsonArray options;
        for (const Option &o : q.options)
            options.append(
                QJsonObject {{QStringLiteral("key"), o.key}, {QStringLiteral("text"), o.text}});
        list.append(QJsonObject {{QStringLiteral("id"), q.id},
                                 {QStringLiteral("question"), q.text},
                                 {QStringLiteral("options"), options}});
    }
    return ok({{QStringLiteral("attempt"), attemptRecord(a)}, {QStringLiteral("questions"), list}});
}

bool isViolation(const QString &kind)
{
    return kind != QLatin1String("webcam");
}

Reply proctorEvent(Request &req)
{
    const QJsonObject a = ownAttempt(req);
    const QString kind = req.text(QStringLiteral("kind"), 1, 64);
    const QString detail = req.optionalText(QStringLiteral("detail"), 2000);
    const QJsonValue image = req.body.value(QStringLiteral("imageData"));
    QString imageData;
    if (!image.isUndefined() && !image.isNull()) {
        if (!image.isString())
            fail(400, QStringLiteral("imageData must be a string"));
        imageData = image.toString();
        QString why;
        if (!imageData.isEmpty() && !DataUrl::decodeJpeg(imageData, &why))
            fail(400, QStringLiteral("imageData ") + why);
    }
    requireRunning(a);
    const qint64 attemptId = member(a, "id");
    const qint64 count = req.db
                             .scalar(QStringLiteral("SELECT COUNT(*) FROM proctoring_events "
                                                    "WHERE attempt_id = ?"),
                                     {attemptId})
                             .toLongLong();
    if (count >= MaxEventsPerAttempt)
        fail(409, QStringLiteral("Too many proctoring events for one attempt"));
    const qint64 id = req.db.insert(
        QStringLiteral("INSERT INTO proctoring_events (attempt_id, kind, detail, image_data, "
                       "is_violation, created_at) VALUES (?,?,?,?,?,?)"),
        {attemptId, kind, detail, imageData, isViolation(kind) ? 1 : 0, Storage::now()});
    return created({{QStringLiteral("event"),
                     QJsonObject {{QStringLiteral("id"), id}, {QStringLiteral("kind"), kind}}},
                    {QStringLiteral("violations"),
                     req.db
                         .scalar(QStringLiteral("SELECT COUNT(*) FROM proctoring_events WHERE "
                                                "attempt_id = ? AND is_violation = 1"),
                                 {attemptId})
                         .toLongLong()}});
}

Reply submit(Request &req)
{
    const QJsonObject a = ownAttempt(req);
    const QJsonValue answersValue = req.body.value(QStringLiteral("answers"));
    if (answersValue.isUndefined() || answersValue.isNull())
        fail(400, QStringLiteral("answers is required"));
    if (!answersValue.isObject())
        fail(400, QStringLiteral("answers must be an object of question ids and option keys"));
    const QJsonObject answers = answersValue.toObject();
    if (answers.size() > 200)
        fail(400, QStringLiteral("Too many answers"));
    for (auto it = answers.begin(); it != answers.end(); ++it) {
        if (!it.value().isString() || it.value().toString().size() > 16)
            fail(400, QStringLiteral("Each answer must be an option key"));
    }
    bool forfeited = false;
    if (req.has(QStringLiteral("forfeited"))
        && !req.body.value(QStringLiteral("forfeited")).isNull())
        forfeited = req.flag(QStringLiteral("forfeited"));
    const qint64 reported
        = req.optionalInteger(QStringLiteral("proctoringViolations"), 0, 100000).value_or(0);
    requireRunning(a);

    const qint64 attemptId = member(a, "id");
    const Skill *skill = findSkill(text(a, "skill"));
    const Level *level = skill ? findLevel(*skill, int(member(a, "level"))) : nullptr;
    if (!level)
        fail(404, QStringLiteral("Attempt not found"));

    // The service's own record of violations counts too: a client cannot report fewer.
    const qint64 logged = req.db
                              .scalar(QStringLiteral("SELECT COUNT(*) FROM proctoring_events "
                                                     "WHERE attempt_id = ? AND is_violation = 1"),
                                      {attemptId})
                              .toLongLong();
    const qint64 violations = qMax(reported, logged);
    const int total = int(level->questions.size());
    int score = 0;
    for (const Question &q : level->questions) {
        if (answers.value(q.id).toString() == q.correctKey)
            ++score;
    }
    // Answers that arrive after the time limit (with a little grace) do not count.
    const bool late = pastDeadline(a, SubmitGraceSeconds);
    const bool scoredPass = !forfeited && !late && score * 100 >= PassPercent * total;
    const bool inReview = !forfeited && violations > MaxViolationsBeforeReview;
    const bool passed = scoredPass && !inReview;

    QString status;
    if (forfeited)
        status = QStringLiteral("forfeited");
    else if (late)
        status = QStringLiteral("expired");
    else if (inReview)
        status = QStringLiteral("in_review");
    else
        status = passed ? QStringLiteral("passed") : QStringLiteral("failed");

    const int changed = req.db.change(
        QStringLiteral("UPDATE assessment_attempts SET status = ?, score = ?, total = ?, "
                       "violations = ?, provisional_passed = ?, answers = ?, "
                       "submitted_at = ? WHERE id = ? AND status = 'in_progress'"),
        {status, score, total, violations, scoredPass && inReview ? 1 : 0,
         QString::fromUtf8(QJsonDocument(answers).toJson(QJsonDocument::Compact)), Storage::now(),
         attemptId});
    if (changed == 0)
        fail(409, QStringLiteral("This attempt has already been submitted"));

    QJsonValue badge;
    if (passed) {
        req.db.insert(QStringLiteral("INSERT OR IGNORE INTO badges (user_id, skill, level, "
                                     "attempt_id, awarded_at) VALUES (?,?,?,?,?)"),
                      {req.userId, skill->name, level->level, attemptId, Storage::now()});
        badge = QJsonObject {{QStringLiteral("skill"), skill->name},
                             {QStringLiteral("level"), level->level}};
        notifyUser(req.db, req.userId, QStringLiteral("badge_earned"),
                   QStringLiteral("Badge earned: %1 Level %2").arg(skill->name).arg(level->level),
                   QStringLiteral("Score %1/%2").arg(score).arg(total));
    } else if (inReview) {
        notifyUser(req.db, req.userId, QStringLiteral("assessment_in_review"),
                   QStringLiteral("%1 Level %2 is under review").arg(skill->name).arg(level->level),
                   QStringLiteral("%1 proctoring violations were recorded.").arg(violations));
    }

    return ok({{QStringLiteral("score"), score},
               {QStringLiteral("total"), total},
               {QStringLiteral("passed"), passed},
               {QStringLiteral("inReview"), inReview},
               {QStringLiteral("violations"), violations},
               {QStringLiteral("provisionalPassed"), scoredPass && inReview},
               {QStringLiteral("forfeited"), forfeited},
               {QStringLiteral("late"), late},
               {QStringLiteral("badge"), badge},
               {QStringLiteral("attempt"), attemptRecord(loadAttempt(req.db, attemptId))}});
}

} // namespace

void registerAssessmentRoutes(Router &r)
{
    r.get(QStringLiteral("api/assessments/available"), Access::Freelancer, catalogue);
    r.post(QStringLiteral("api/assessments/<skill>/<level>/start"), Access::Freelancer,
           startAttempt);
    r.get(QStringLiteral("api/assessments/attempts/<id>/questions"), Access::Freelancer, questions);
    r.post(QStringLiteral("api/assessments/attempts/<id>/proctor"), Access::Freelancer,
           proctorEvent);
    r.post(QStringLiteral("api/assessments/attempts/<id>/submit"), Access::Freelancer, submit);
}
