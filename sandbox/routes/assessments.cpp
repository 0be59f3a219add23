#include "exambank.h"
#include "http.h"
#include "notify.h"
#include "payments.h"
#include "records.h"
#include "storage.h"

#include <QDateTime>
#include <QJsonDocument>

using namespace Qt::StringLiterals;

// Proctored skill exams. A freelancer takes the levels of a skill in order; a level with a fee is
// paid on the web (the start answers with `razorpay`). An attempt is open for the level's time
// limit; the client reports proctoring events while it runs and then submits its answers. The
// score passes at 60 % or more; more than five violations send the attempt to manual review (the
// badge waits for it); a pass otherwise earns the level's badge.

namespace {

using namespace ExamBank;

constexpr int MaxEventsPerAttempt = 200;

using Records::integer;
using Records::text;

int badgeLevel(Storage &db, qint64 userId, const QString &skill)
{
    return db
        .scalar(u"SELECT COALESCE(MAX(level), 0) FROM badges "
                "WHERE user_id = ? AND skill = ?"_s,
                {userId, skill})
        .toInt();
}

qint64 secondsLeft(const QJsonObject &attempt)
{
    const QDateTime started = QDateTime::fromString(text(attempt, "started_at"), Qt::ISODate);
    const qint64 elapsed = started.secsTo(QDateTime::currentDateTimeUtc());
    return qMax<qint64>(0, integer(attempt, "time_limit_seconds") - qMax<qint64>(0, elapsed));
}

bool pastDeadline(const QJsonObject &attempt, int graceSeconds)
{
    const QDateTime started = QDateTime::fromString(text(attempt, "started_at"), Qt::ISODate);
    return started.secsTo(QDateTime::currentDateTimeUtc())
        > integer(attempt, "time_limit_seconds") + graceSeconds;
}

QJsonObject attemptRecord(const QJsonObject &row)
{
    return QJsonObject {
        {u"id"_s, integer(row, "id")},
        {u"skill"_s, text(row, "skill")},
        {u"level"_s, integer(row, "level")},
        {u"status"_s, text(row, "status")},
        {u"startedAt"_s, text(row, "started_at")},
        {u"timeLimitSeconds"_s, integer(row, "time_limit_seconds")},
        {u"remainingSeconds"_s, text(row, "status") == "in_progress"_L1 ? secondsLeft(row) : 0}};
}

QJsonObject loadAttempt(Storage &db, qint64 id)
{
    return db.one(u"SELECT id, user_id, skill, level, status, started_at, "
                  "time_limit_seconds FROM assessment_attempts WHERE id = ?"_s,
                  {id});
}

// The caller's own attempt of the path; someone else's is 404.
QJsonObject ownAttempt(Request &req)
{
    const QJsonObject a = loadAttempt(req.db, req.id());
    if (a.isEmpty() || integer(a, "user_id") != req.userId)
        fail(404, u"Attempt not found"_s);
    return a;
}

void requireRunning(const QJsonObject &a)
{
    Records::requireState(a, "status", {u"in_progress"_s},
                          u"This attempt has already been submitted"_s);
}

// Closes an attempt whose time ran out without a submission; it ended when its time did.
void expire(Storage &db, const QJsonObject &attempt, int total)
{
    const QDateTime end = QDateTime::fromString(text(attempt, "started_at"), Qt::ISODate)
                              .addSecs(integer(attempt, "time_limit_seconds"));
    db.change(u"UPDATE assessment_attempts SET status = 'expired', score = 0, "
              "total = ?, submitted_at = ? WHERE id = ? AND status = 'in_progress'"_s,
              {total, end.toString(Qt::ISODate), integer(attempt, "id")});
}

Reply catalogue(Request &req)
{
    QJsonArray rows;
    for (const Skill &skill : skills()) {
        const int earned = badgeLevel(req.db, req.userId, skill.name);
        const Level *next = findLevel(skill, earned + 1);
        const bool inReview = req.db.exists(u"SELECT 1 FROM assessment_attempts WHERE "
                                            "user_id = ? AND skill = ? AND status = 'in_review'"_s,
                                            {req.userId, skill.name});
        rows.append(QJsonObject {{u"skill"_s, skill.name},
                                 {u"badgeLevel"_s, earned},
                                 {u"nextLevel"_s, next ? QJsonValue(next->level) : QJsonValue()},
                                 {u"feePaise"_s, next ? next->feePaise : 0},
                                 {u"maxLevel"_s, int(skill.levels.size())},
                                 {u"timeLimitSeconds"_s, next ? next->timeLimitSeconds : 0},
                                 {u"questionsCount"_s, next ? int(next->questions.size()) : 0},
                                 {u"inReview"_s, inReview}});
    }
    const QJsonArray badges = req.db.all(u"SELECT skill, level, awarded_at FROM badges "
                                         "WHERE user_id = ? ORDER BY skill, level"_s,
                                         {req.userId});
    return ok({{u"assessments"_s, rows}, {u"badges"_s, badges}});
}

Reply startAttempt(Request &req)
{
    const Skill *skill = findSkill(req.args.value(0));
    if (!skill)
        fail(404, u"There is no exam for this skill"_s);
    const QString levelText = req.args.value(1);
    const Level *level = nullptr;
    if (levelText.size() <= 2 && !levelText.isEmpty()
        && std::all_of(levelText.begin(), levelText.end(), [](QChar c) { return c.isDigit(); }))
        level = findLevel(*skill, levelText.toInt());
    if (!level)
        fail(404, u"There is no such level for %1"_s.arg(skill->name));

    const int earned = badgeLevel(req.db, req.userId, skill->name);
    if (level->level <= earned)
        fail(409, u"You already hold the %1 Level %2 badge"_s.arg(skill->name).arg(earned));
    if (level->level > earned + 1)
        fail(409, u"Take %1 Level %2 first"_s.arg(skill->name).arg(earned + 1));
    if (req.db.exists(u"SELECT 1 FROM assessment_attempts WHERE user_id = ? "
                      "AND skill = ? AND level = ? AND status = 'in_review'"_s,
                      {req.userId, skill->name, level->level}))
        fail(409, u"Your last attempt at this level is under review"_s);

    // A running attempt at the same level is resumed; one whose time ran out is closed first.
    const QJsonObject running
        = req.db.one(u"SELECT id, user_id, skill, level, status, started_at, "
                     "time_limit_seconds FROM assessment_attempts WHERE user_id = ? "
                     "AND skill = ? AND level = ? AND status = 'in_progress' "
                     "ORDER BY id DESC LIMIT 1"_s,
                     {req.userId, skill->name, level->level});
    if (!running.isEmpty()) {
        if (secondsLeft(running) > 0)
            return ok({{u"attempt"_s, attemptRecord(running)}, {u"resumed"_s, true}});
        expire(req.db, running, int(level->questions.size()));
    }
    // A paid level starts once its fee is paid on the web pages ("/skills"); each fee pays for one
    // attempt.
    if (level->feePaise > 0
        && !Payments::spendExamFee(req.db, req.userId, skill->name, level->level))
        return ok({{u"razorpay"_s,
                    Payments::examFeeOrder(req.db, req.userId, skill->name, level->level,
                                           level->feePaise)},
                   {u"feePaise"_s, level->feePaise}});

    const QDateTime ended = QDateTime::fromString(
        req.db
            .scalar(
                u"SELECT MAX(submitted_at) FROM assessment_attempts WHERE user_id = ? "
                "AND skill = ? AND level = ? AND status IN ('failed', 'expired', 'forfeited')"_s,
                {req.userId, skill->name, level->level})
            .toString(),
        Qt::ISODate);
    const qint64 wait
        = ended.isValid() ? RetryPauseSeconds - ended.secsTo(QDateTime::currentDateTimeUtc()) : 0;
    if (wait > 0)
        fail(409, u"You can take this level again in %1 minutes"_s.arg((wait + 59) / 60));

    const qint64 id
        = req.db.insert(u"INSERT INTO assessment_attempts (user_id, skill, level, status, "
                        "started_at, time_limit_seconds, total) "
                        "VALUES (?,?,?,'in_progress',?,?,?)"_s,
                        {req.userId, skill->name, level->level, Storage::now(),
                         level->timeLimitSeconds, int(level->questions.size())});
    return created({{u"attempt"_s, attemptRecord(loadAttempt(req.db, id))}});
}

Reply questions(Request &req)
{
    const QJsonObject a = ownAttempt(req);
    requireRunning(a);
    const Level *level = nullptr;
    if (const Skill *skill = findSkill(text(a, "skill")))
        level = findLevel(*skill, int(integer(a, "level")));
    if (!level)
        fail(404, u"Attempt not found"_s);
    if (secondsLeft(a) <= 0)
        fail(409, u"The time for this attempt is over"_s);

    QJsonArray list;
    for (const Question &q : level->questions) {
        QJsonArray options;
        for (const Option &o : q.options)
            options.append(QJsonObject {{u"key"_s, o.key}, {u"text"_s, o.text}});
        list.append(
            QJsonObject {{u"id"_s, q.id}, {u"question"_s, q.text}, {u"options"_s, options}});
    }
    return ok({{u"attempt"_s, attemptRecord(a)}, {u"questions"_s, list}});
}

// Every kind the client reports counts toward review except a snapshot: a missing camera
// ("no_camera") and monitoring that could not run at all ("monitoring_unavailable") alike.
bool isViolation(const QString &kind)
{
    return kind != "webcam"_L1;
}

Reply proctorEvent(Request &req)
{
    const QJsonObject a = ownAttempt(req);
    const QString kind = req.text(u"kind"_s, 1, 64);
    const QString detail = req.optionalText(u"detail"_s, 2000);
    req.jpegDataUrl(u"imageData"_s, false);
    const QString imageData = req.body.value(u"imageData"_s).toString();
    requireRunning(a);
    const qint64 attemptId = integer(a, "id");
    const qint64 count = req.db
                             .scalar(u"SELECT COUNT(*) FROM proctoring_events "
                                     "WHERE attempt_id = ?"_s,
                                     {attemptId})
                             .toLongLong();
    if (count >= MaxEventsPerAttempt)
        fail(409, u"Too many proctoring events for one attempt"_s);
    const qint64 id = req.db.insert(
        u"INSERT INTO proctoring_events (attempt_id, kind, detail, image_data, "
        "is_violation, created_at) VALUES (?,?,?,?,?,?)"_s,
        {attemptId, kind, detail, imageData, isViolation(kind) ? 1 : 0, Storage::now()});
    return created({{u"event"_s, QJsonObject {{u"id"_s, id}, {u"kind"_s, kind}}},
                    {u"violations"_s,
                     req.db
                         .scalar(u"SELECT COUNT(*) FROM proctoring_events WHERE "
                                 "attempt_id = ? AND is_violation = 1"_s,
                                 {attemptId})
                         .toLongLong()}});
}

Reply submit(Request &req)
{
    const QJsonObject a = ownAttempt(req);
    const QJsonValue answersValue = req.body.value(u"answers"_s);
    if (answersValue.isUndefined() || answersValue.isNull())
        fail(400, req.field(u"answers"_s) + u" are required"_s);
    if (!answersValue.isObject())
        fail(400, u"Answer each question with one of its options"_s);
    const QJsonObject answers = answersValue.toObject();
    if (answers.size() > 200)
        fail(400, u"Too many answers"_s);
    for (auto it = answers.begin(); it != answers.end(); ++it) {
        if (!it.value().isString() || it.value().toString().size() > 16)
            fail(400, u"Each answer must be an option key"_s);
    }
    bool forfeited = false;
    if (req.has(u"forfeited"_s) && !req.body.value(u"forfeited"_s).isNull())
        forfeited = req.flag(u"forfeited"_s);
    const qint64 reported = req.optionalInteger(u"proctoringViolations"_s, 0, 100000).value_or(0);
    requireRunning(a);

    const qint64 attemptId = integer(a, "id");
    const Skill *skill = findSkill(text(a, "skill"));
    const Level *level = skill ? findLevel(*skill, int(integer(a, "level"))) : nullptr;
    if (!level)
        fail(404, u"Attempt not found"_s);

    // The service's own record of violations counts too: a client cannot report fewer.
    const qint64 logged = req.db
                              .scalar(u"SELECT COUNT(*) FROM proctoring_events "
                                      "WHERE attempt_id = ? AND is_violation = 1"_s,
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
        status = u"forfeited"_s;
    else if (late)
        status = u"expired"_s;
    else if (inReview)
        status = u"in_review"_s;
    else
        status = passed ? u"passed"_s : u"failed"_s;

    const int changed
        = req.db.change(u"UPDATE assessment_attempts SET status = ?, score = ?, total = ?, "
                        "violations = ?, provisional_passed = ?, answers = ?, "
                        "submitted_at = ? WHERE id = ? AND status = 'in_progress'"_s,
                        {status, score, total, violations, scoredPass && inReview ? 1 : 0,
                         QString::fromUtf8(QJsonDocument(answers).toJson(QJsonDocument::Compact)),
                         Storage::now(), attemptId});
    if (changed == 0)
        fail(409, u"This attempt has already been submitted"_s);

    QJsonValue badge;
    if (passed) {
        req.db.insert(u"INSERT OR IGNORE INTO badges (user_id, skill, level, "
                      "attempt_id, awarded_at) VALUES (?,?,?,?,?)"_s,
                      {req.userId, skill->name, level->level, attemptId, Storage::now()});
        badge = QJsonObject {{u"skill"_s, skill->name}, {u"level"_s, level->level}};
        notifyUser(req.db, req.userId, u"badge_earned"_s,
                   u"Badge earned: %1 Level %2"_s.arg(skill->name).arg(level->level),
                   u"Score %1/%2"_s.arg(score).arg(total));
    } else if (inReview) {
        notifyUser(req.db, req.userId, u"assessment_in_review"_s,
                   u"%1 Level %2 is under review"_s.arg(skill->name).arg(level->level),
                   u"%1 proctoring violations were recorded."_s.arg(violations));
    }

    return ok({{u"score"_s, score},
               {u"total"_s, total},
               {u"passed"_s, passed},
               {u"inReview"_s, inReview},
               {u"violations"_s, violations},
               {u"provisionalPassed"_s, scoredPass && inReview},
               {u"forfeited"_s, forfeited},
               {u"late"_s, late},
               {u"badge"_s, badge},
               {u"attempt"_s, attemptRecord(loadAttempt(req.db, attemptId))}});
}

} // namespace

void registerAssessmentRoutes(Router &r)
{
    r.get(u"api/assessments/available"_s, Access::Freelancer, catalogue);
    r.post(u"api/assessments/<skill>/<level>/start"_s, Access::Freelancer, startAttempt);
    r.get(u"api/assessments/attempts/<id>/questions"_s, Access::Freelancer, questions);
    r.post(u"api/assessments/attempts/<id>/proctor"_s, Access::Freelancer, proctorEvent);
    r.post(u"api/assessments/attempts/<id>/submit"_s, Access::Freelancer, submit);
}
