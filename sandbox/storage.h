#pragma once

#include <QJsonArray>
#include <QJsonObject>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVariantList>

// The sandbox's one SQLite database: the schema of every area, opening and migrating it, and
// helpers that run SQL with bound parameters only. Failures throw StorageError (httperror.h).
class Storage
{
public:
    Storage();
    ~Storage();
    Storage(const Storage &) = delete;
    Storage &operator=(const Storage &) = delete;

    // Opens (creating when needed) the database at path; ":memory:" for a private in-memory one.
    // Returns false with a message when it cannot be opened or migrated.
    bool open(const QString &path, QString *error);
    // True when the database had no schema before open() created it (a new database).
    bool isNew() const { return created; }

    // Runs one statement with positional "?" parameters bound in order.
    QSqlQuery exec(const QString &sql, const QVariantList &params = {});
    // First row as a JSON object keyed by column name (aliases become the member names);
    // an empty object when there is no row.
    QJsonObject one(const QString &sql, const QVariantList &params = {});
    // All rows as JSON objects.
    QJsonArray all(const QString &sql, const QVariantList &params = {});
    // Whether the query gives at least one row ("SELECT 1 FROM … WHERE …").
    bool exists(const QString &sql, const QVariantList &params = {});
    // First column of the first row, or a null QVariant.
    QVariant scalar(const QString &sql, const QVariantList &params = {});
    // Runs an INSERT and returns the new row id.
    qint64 insert(const QString &sql, const QVariantList &params = {});
    // Runs an UPDATE/DELETE and returns the number of rows it changed.
    int change(const QString &sql, const QVariantList &params = {});

    // A savepoint that rolls back when it goes out of scope without commit(). Nests freely.
    class Transaction
    {
    public:
        explicit Transaction(Storage &storage);
        ~Transaction();
        void commit();

    private:
        Storage &s;
        QString name;
        bool done = false;
    };

    // Current UTC time as ISO-8601 text ("2024-05-01T10:00:00Z"), the form of every timestamp.
    static QString now();
    static QString isoInDays(int days);

private:
    void migrate();
    // (column name, column index) in name order.
    using Columns = QList<QPair<QString, int>>;
    static Columns columns(const QSqlQuery &q);
    static QJsonObject rowObject(const QSqlQuery &q, const Columns &columns);

    QString connectionName;
    bool created = false;
    int savepointCounter = 0;
};
