#pragma once

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QList>
#include <QQuickItem>
#include <QString>
#include <algorithm>
#include <cstdio>

// One benchmark's figures: each a measured value, the floor measured in the same run where
// there is one, and the target ratio. Printed as a table and written as JSON
// (VELTO_BENCH_OUT, default build/bench/<name>.json).
class BenchReport
{
public:
    explicit BenchReport(const QString &name) : name(name) { }

    // A figure with a floor: its ratio is value / floor, checked against targetRatio (0: none).
    void ratio(const QString &what, double value, double floor, double targetRatio,
               const QString &unit)
    {
        rows.append({what, value, floor, targetRatio, unit});
    }
    // A figure on its own.
    void value(const QString &what, double value, const QString &unit, double target = 0)
    {
        rows.append({what, value, 0, target, unit});
    }
    void note(const QString &text) { notes.append(text); }

    // Prints the table, writes the JSON; returns how many figures missed their target.
    int finish() const
    {
        std::printf("\n== %s ==\n%-58s %12s %12s %8s %8s\n", qPrintable(name), "figure", "value",
                    "floor", "ratio", "target");
        int missed = 0;
        QJsonArray figures;
        for (const Row &r : rows) {
            const double shown = r.floor > 0 ? r.value / r.floor : r.value;
            const bool ok = r.target <= 0 || shown <= r.target;
            missed += ok ? 0 : 1;
            std::printf(
                "%-58s %9.2f %-2s %9s %-2s %8s %8s %s\n", qPrintable(r.what), r.value,
                qPrintable(r.unit), r.floor > 0 ? qPrintable(QString::number(r.floor, 'f', 2)) : "",
                r.floor > 0 ? qPrintable(r.unit) : "",
                r.floor > 0 ? qPrintable(QString::number(shown, 'f', 2) + QLatin1Char('x')) : "",
                r.target > 0 ? qPrintable(QStringLiteral("<= ") + QString::number(r.target)) : "",
                ok ? "" : "MISSED");
            figures.append(QJsonObject {{QStringLiteral("figure"), r.what},
                                        {QStringLiteral("value"), r.value},
                                        {QStringLiteral("unit"), r.unit},
                                        {QStringLiteral("floor"), r.floor},
                                        {QStringLiteral("ratio"), r.floor > 0 ? shown : 0.0},
                                        {QStringLiteral("target"), r.target},
                                        {QStringLiteral("met"), ok}});
        }
        for (const QString &n : notes)
            std::printf("  %s\n", qPrintable(n));
        std::fflush(stdout);
        QString out = qEnvironmentVariable("VELTO_BENCH_OUT", QStringLiteral("build/bench"));
        QDir().mkpath(out);
        QFile file(out + QLatin1Char('/') + name + QStringLiteral(".json"));
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            file.write(QJsonDocument(QJsonObject {{QStringLiteral("benchmark"), name},
                                                  {QStringLiteral("figures"), figures},
                                                  {QStringLiteral("notes"),
                                                   QJsonArray::fromStringList(notes)}})
                           .toJson());
        return missed;
    }

    static double median(QList<double> runs)
    {
        if (runs.isEmpty())
            return 0;
        std::sort(runs.begin(), runs.end());
        return runs.at(runs.size() / 2);
    }
    static double percentile(QList<double> runs, double p)
    {
        if (runs.isEmpty())
            return 0;
        std::sort(runs.begin(), runs.end());
        return runs.at(std::min<qsizetype>(runs.size() - 1, qsizetype(p * runs.size())));
    }

private:
    struct Row
    {
        QString what;
        double value;
        double floor;
        double target;
        QString unit;
    };
    QString name;
    QList<Row> rows;
    QStringList notes;
};

// The item of that objectName in a window's visual tree (pages and loaded views live there, not
// among the QObject children), or null.
inline QQuickItem *findVisual(QQuickItem *parent, const QString &name)
{
    for (QQuickItem *child : parent->childItems()) {
        if (child->objectName() == name)
            return child;
        if (QQuickItem *hit = findVisual(child, name))
            return hit;
    }
    return nullptr;
}

// Peak resident set size of this process, in MiB (Linux).
inline double peakRssMiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
    }
    return 0;
}
