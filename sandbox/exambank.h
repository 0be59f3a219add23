#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// The skill exams the sandbox offers: per skill a ladder of levels, each with its own small bank
// of multiple-choice questions, a time limit and an optional fee. Pure data; no storage.
namespace ExamBank {

struct Option
{
    QString key;
    QString text;
};

struct Question
{
    QString id; // unique across the bank, e.g. "csharp.2.4"
    QString text;
    QList<Option> options;
    QString correctKey;
};

struct Level
{
    int level = 0;
    int timeLimitSeconds = 0;
    qint64 feePaise = 0; // 0: free; otherwise paid on the web before the exam can start
    QList<Question> questions;
};

struct Skill
{
    QString name; // as shown and as used in paths ("C#" travels as "C%23")
    QList<Level> levels; // levels 1..n in order
};

// Pass mark in percent of the questions: score * 100 >= PassPercent * total.
constexpr int PassPercent = 60;
// More reported proctoring violations than this send an attempt to manual review.
constexpr int MaxViolationsBeforeReview = 5;
// Seconds after the time limit in which a submission still counts (network and auto-submit).
constexpr int SubmitGraceSeconds = 60;
// After an attempt that did not pass (failed, expired or forfeited), the same level may be taken
// again this long after it ended: answers cannot be found by trying until one passes.
constexpr int RetryPauseSeconds = 10 * 60;

const QList<Skill> &skills();
// The skill of that exact name, or nullptr.
const Skill *findSkill(const QString &name);
// The level of a skill, or nullptr.
const Level *findLevel(const Skill &skill, int level);
// The question of that id within a level, or nullptr.
const Question *findQuestion(const Level &level, const QString &id);

} // namespace ExamBank
