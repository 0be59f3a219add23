#pragma once

#include <QJsonArray>
#include <QJsonObject>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVariantList>
#include <functional>

// The sandbox's one SQLite database: the schema of every area, opening and migrating it, and
// helpers that run SQL with bound parameters only. Failures throw StorageError (httperror.h).
class Storage
{
public:
    Storage();
    ~Storage();
    Storage(const Storage &) = delete;
    Storage &operator=(const Storage &) = delete;

    // How long a statement waits for another connection's lock before it fails. Short, because
    // the server has one thread: every other request waits as long.
    static constexpr int BusyTimeoutMs = 250;

    // Opens (creating when needed) the database at path; ":memory:" for a private in-memory one.
    // A file is readable by its owner only and kept in write-ahead-log mode. Returns false with a
    // message when it cannot be opened or migrated. A new database is filled by `firstStart` in
    // the transaction that creates its schema: when that fails or the process dies first, the
    // database stays new.
    bool open(const QString &path, QString *error,
              const std::function<void(Storage &)> &firstStart = {});
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

    // A transaction that rolls back when it goes out of scope without commit(). Nests freely: the
    // outermost one is a real transaction, inner ones are savepoints within it. When the outermost
    // commit fails, everything is rolled back and CommitError is thrown; nothing is left pending
    // for a later request to nest in.
    class Transaction
    {
    public:
        explicit Transaction(Storage &storage);
        ~Transaction();
        void commit();

    private:
        Storage &s;
        QString name; // empty for the outermost
        bool done = false;
    };

    // Current UTC time as ISO-8601 text ("2024-05-01T10:00:00Z"), the form of every timestamp.
    static QString now();
    static QString isoInDays(int days);
    static QString secondsAgo(int seconds);

private:
    void migrate(const std::function<void(Storage &)> &firstStart);
    void begin();
    // Ends the open transaction, undoing it; ends the process when that cannot be done, as every
    // later write would otherwise land in a transaction that is never committed.
    void rollBackAll();
    // (column name, column index) in name order.
    using Columns = QList<QPair<QString, int>>;
    static Columns columns(const QSqlQuery &q);
    static QJsonObject rowObject(const QSqlQuery &q, const Columns &columns);

    QString connectionName;
    bool created = false;
    int savepointCounter = 0;
    int depth = 0; // open Transaction objects
    bool innerRollbackFailed = false; // the outermost transaction may no longer be committed
};
