#include "areas.h"
#include "exambank.h"
#include "httperror.h"
#include "storage.h"

#include <QJsonDocument>
#include <QJsonObject>

// Demo exam history: the demo freelancer holds C++ Levels 1 and 2 (so Level 3, which has a fee,
// is next) and Python Level 1, and failed SQL Level 1 once; the two-factor freelancer holds
// Python Level 1. Every badge comes from a passed attempt with all answers right.

namespace {

void attempt(Storage &db, qint64 userId, const QString &skillName, int levelNumber, int daysAgo,
             bool pass)
{
    const ExamBank::Skill *skill = ExamBank::findSkill(skillName);
    const ExamBank::Level *level = skill ? ExamBank::findLevel(*skill, levelNumber) : nullptr;
    if (!level)
        throw StorageError {
            QStringLiteral("seed: no exam %1 level %2").arg(skillName).arg(levelNumber)};
    QJsonObject answers;
    int score = 0;
    for (int i = 0; i < level->questions.size(); ++i) {
        const ExamBank::Question &q = level->questions.at(i);
        // A failed attempt gets only the first two right.
        const bool right = pass || i < 2;
        const QString key = right
            ? q.correctKey
            : (q.correctKey == QLatin1String("a") ? QStringLiteral("b") : QStringLiteral("a"));
        answers.insert(q.id, key);
        score += right ? 1 : 0;
    }
    const QString started = Storage::isoInDays(-daysAgo);
    const qint64 attemptId = db.insert(
        QStringLiteral("INSERT INTO assessment_attempts (user_id, skill, level, status, "
                       "started_at, time_limit_seconds, submitted_at, score, total, "
                       "violations, provisional_passed, answers) "
                       "VALUES (?,?,?,?,?,?,?,?,?,?,0,?)"),
        {userId, skillName, levelNumber, pass ? QStringLiteral("passed") : QStringLiteral("failed"),
         started, level->timeLimitSeconds, started, score, int(level->questions.size()), 1,
         QString::fromUtf8(QJsonDocument(answers).toJson(QJsonDocument::Compact))});
    if (pass)
        db.insert(QStringLiteral("INSERT INTO badges (user_id, skill, level, attempt_id, "
                                 "awarded_at) VALUES (?,?,?,?,?)"),
                  {userId, skillName, levelNumber, attemptId, started});
}

} // namespace

void seedAssessments(Storage &db, const SeedIds &ids)
{
    attempt(db, ids.freelancer, QStringLiteral("C++"), 1, 40, true);
    attempt(db, ids.freelancer, QStringLiteral("C++"), 2, 25, true);
    attempt(db, ids.freelancer, QStringLiteral("Python"), 1, 18, true);
    attempt(db, ids.freelancer, QStringLiteral("SQL"), 1, 9, false);
    attempt(db, ids.twoFactor, QStringLiteral("Python"), 1, 15, true);
}
