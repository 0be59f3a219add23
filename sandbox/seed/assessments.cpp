#include "areas.h"
#include "exambank.h"
#include "httperror.h"
#include "payments.h"
#include "storage.h"

#include <QJsonDocument>
#include <QJsonObject>

using namespace Qt::StringLiterals;

// Demo exam history: the demo freelancer holds C++ Levels 1 and 2 (so Level 3, which has a fee,
// is next; its fee waits for payment on the "/skills" page) and Python up to Level 3 (the top),
// failed SQL Level 1 once and then passed it with too many proctoring violations, so that
// attempt waits for review; the two-factor freelancer holds Python Level 1. Every badge comes from
// a passed attempt with all answers right.

namespace {

void attempt(Storage &db, qint64 userId, const QString &skillName, int levelNumber, int daysAgo,
             bool pass, bool inReview = false)
{
    const ExamBank::Skill *skill = ExamBank::findSkill(skillName);
    const ExamBank::Level *level = skill ? ExamBank::findLevel(*skill, levelNumber) : nullptr;
    if (!level)
        throw StorageError {u"seed: no exam %1 level %2"_s.arg(skillName).arg(levelNumber)};
    QJsonObject answers;
    int score = 0;
    for (int i = 0; i < level->questions.size(); ++i) {
        const ExamBank::Question &q = level->questions.at(i);
        // A failed attempt gets only the first two right.
        const bool right = pass || i < 2;
        const QString key = right ? q.correctKey : (q.correctKey == "a"_L1 ? u"b"_s : u"a"_s);
        answers.insert(q.id, key);
        score += right ? 1 : 0;
    }
    const QString started = Storage::isoInDays(-daysAgo);
    const qint64 attemptId
        = db.insert(u"INSERT INTO assessment_attempts (user_id, skill, level, status, "
                    "started_at, time_limit_seconds, submitted_at, score, total, "
                    "violations, provisional_passed, answers) "
                    "VALUES (?,?,?,?,?,?,?,?,?,?,?,?)"_s,
                    {userId, skillName, levelNumber,
                     inReview ? u"in_review"_s : (pass ? u"passed"_s : u"failed"_s), started,
                     level->timeLimitSeconds, started, score, int(level->questions.size()),
                     inReview ? 7 : 1, inReview && pass ? 1 : 0,
                     QString::fromUtf8(QJsonDocument(answers).toJson(QJsonDocument::Compact))});
    if (pass && !inReview)
        db.insert(u"INSERT INTO badges (user_id, skill, level, attempt_id, "
                  "awarded_at) VALUES (?,?,?,?,?)"_s,
                  {userId, skillName, levelNumber, attemptId, started});
}

} // namespace

void seedAssessments(Storage &db, const SeedIds &ids)
{
    attempt(db, ids.freelancer, u"C++"_s, 1, 40, true);
    attempt(db, ids.freelancer, u"C++"_s, 2, 25, true);
    const ExamBank::Skill *cpp = ExamBank::findSkill(u"C++"_s);
    Payments::examFeeOrder(db, ids.freelancer, cpp->name, 3,
                           ExamBank::findLevel(*cpp, 3)->feePaise);
    attempt(db, ids.freelancer, u"Python"_s, 1, 18, true);
    attempt(db, ids.freelancer, u"Python"_s, 2, 12, true);
    attempt(db, ids.freelancer, u"Python"_s, 3, 6, true);
    attempt(db, ids.freelancer, u"SQL"_s, 1, 9, false);
    attempt(db, ids.freelancer, u"SQL"_s, 1, 3, true, true);
    attempt(db, ids.twoFactor, u"Python"_s, 1, 15, true);
}
