#include "storage.h"

#include "httperror.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlRecord>
#include <QThread>
#include <QUuid>
#include <algorithm>
#include <cstdio>
#include <cstdlib>

using namespace Qt::StringLiterals;

namespace {

// Every table of every area. Statements are idempotent (IF NOT EXISTS) and run on every open, so
// a table added here also appears in an existing database file. Money is integer paise; times are
// ISO-8601 UTC text; booleans are 0/1; lists are JSON text.
const char *const schema[] = {
    // --- accounts and sessions -------------------------------------------------------------
    R"(CREATE TABLE IF NOT EXISTS users (
        id INTEGER PRIMARY KEY,
        email TEXT NOT NULL UNIQUE COLLATE NOCASE,
        full_name TEXT NOT NULL DEFAULT '',
        role TEXT NOT NULL CHECK (role IN ('client','freelancer','house')),
        password_hash TEXT NOT NULL DEFAULT '',
        verified INTEGER NOT NULL DEFAULT 0,
        totp_secret TEXT,
        kyc_status TEXT,
        referral_code TEXT UNIQUE,
        referred_by INTEGER REFERENCES users(id),
        created_at TEXT NOT NULL))",
    R"(CREATE TABLE IF NOT EXISTS sessions (
        token_hash TEXT PRIMARY KEY,
        user_id INTEGER NOT NULL REFERENCES users(id),
        created_at TEXT NOT NULL,
        expires_at TEXT NOT NULL))",
    // The last time step of an accepted TOTP code: a code is good for one sign-in.
    R"(CREATE TABLE IF NOT EXISTS totp_used_steps (
        user_id INTEGER PRIMARY KEY REFERENCES users(id),
        last_step INTEGER NOT NULL))",
    R"(CREATE TABLE IF NOT EXISTS email_tokens (
        token_hash TEXT PRIMARY KEY,
        user_id INTEGER NOT NULL REFERENCES users(id),
        purpose TEXT NOT NULL CHECK (purpose IN ('verify','reset','bank','kyc')),
        created_at TEXT NOT NULL,
        expires_at TEXT NOT NULL,
        used_at TEXT))",
    // A one-time sign-in link: its token's hash while "issued", then the hash of the secret in
    // the cookie of the browser that opened it ("opened"), until that browser signs in ("used").
    // It lasts only as long as the session it was issued to.
    R"(CREATE TABLE IF NOT EXISTS sign_in_links (
        id INTEGER PRIMARY KEY,
        token_hash TEXT NOT NULL UNIQUE,
        user_id INTEGER NOT NULL REFERENCES users(id),
        session_hash TEXT NOT NULL,
        next TEXT NOT NULL,
        stage TEXT NOT NULL CHECK (stage IN ('issued','opened','used')),
        created_at TEXT NOT NULL,
        expires_at TEXT NOT NULL))",
    // What a person submitted for identity verification; of the number only its last four
    // characters and a salted hash.
    R"(CREATE TABLE IF NOT EXISTS identity_checks (
        user_id INTEGER PRIMARY KEY REFERENCES users(id),
        legal_name TEXT NOT NULL,
        date_of_birth TEXT NOT NULL,
        number_kind TEXT NOT NULL CHECK (number_kind IN ('aadhaar','pan')),
        number_last4 TEXT NOT NULL,
        number_hash TEXT NOT NULL,
        submitted_at TEXT NOT NULL,
        verified_at TEXT))",
    // --- money -------------------------------------------------------------------------------
    // The ledger is the wallet: a balance is the sum of the user's rows.
    R"(CREATE TABLE IF NOT EXISTS wallet_transactions (
        id INTEGER PRIMARY KEY,
        user_id INTEGER NOT NULL REFERENCES users(id),
        amount_paise INTEGER NOT NULL,
        kind TEXT NOT NULL,
        description TEXT NOT NULL DEFAULT '',
        ref_kind TEXT,
        ref_id INTEGER,
        created_at TEXT NOT NULL))",
    "CREATE INDEX IF NOT EXISTS wallet_transactions_user ON wallet_transactions(user_id)",
    R"(CREATE TABLE IF NOT EXISTS escrows (
        id INTEGER PRIMARY KEY,
        kind TEXT NOT NULL,
        ref_id INTEGER NOT NULL,
        payer_id INTEGER NOT NULL REFERENCES users(id),
        payee_id INTEGER REFERENCES users(id),
        amount_paise INTEGER NOT NULL CHECK (amount_paise > 0),
        status TEXT NOT NULL CHECK (status IN ('held','released','refunded')),
        created_at TEXT NOT NULL,
        settled_at TEXT,
        UNIQUE (kind, ref_id)))",
    R"(CREATE TABLE IF NOT EXISTS invoices (
        id INTEGER PRIMARY KEY,
        user_id INTEGER NOT NULL REFERENCES users(id),
        invoice_number TEXT NOT NULL UNIQUE,
        description TEXT NOT NULL DEFAULT '',
        total_paise INTEGER NOT NULL,
        created_at TEXT NOT NULL))",
    // --- account: bank, settlements, notifications ----------------------------------------
    R"(CREATE TABLE IF NOT EXISTS bank_accounts (
        user_id INTEGER PRIMARY KEY REFERENCES users(id),
        account_holder TEXT NOT NULL,
        account_number TEXT NOT NULL,
        ifsc TEXT NOT NULL,
        status TEXT NOT NULL DEFAULT 'approved',
        updated_at TEXT NOT NULL))",
    R"(CREATE TABLE IF NOT EXISTS settlements (
        id INTEGER PRIMARY KEY,
        user_id INTEGER NOT NULL REFERENCES users(id),
        amount_paise INTEGER NOT NULL CHECK (amount_paise > 0),
        status TEXT NOT NULL,
        requested_at TEXT NOT NULL))",
    R"(CREATE TABLE IF NOT EXISTS notifications (
        id INTEGER PRIMARY KEY,
        user_id INTEGER NOT NULL REFERENCES users(id),
        kind TEXT NOT NULL,
        title TEXT NOT NULL,
        body TEXT NOT NULL DEFAULT '',
        created_at TEXT NOT NULL,
        read_at TEXT))",
    "CREATE INDEX IF NOT EXISTS notifications_user ON notifications(user_id)",
    // The answers to signed-in writes, by the client's Idempotency-Key (idempotency.h).
    R"(CREATE TABLE IF NOT EXISTS idempotency_keys (
        user_id INTEGER NOT NULL REFERENCES users(id),
        key TEXT NOT NULL,
        fingerprint TEXT NOT NULL,
        status INTEGER NOT NULL,
        body TEXT NOT NULL,
        created_at TEXT NOT NULL,
        PRIMARY KEY (user_id, key)))",
    "CREATE INDEX IF NOT EXISTS idempotency_keys_created ON idempotency_keys(created_at)",
    // --- projects, proposals, contracts, milestones ------------------------------------------
    R"(CREATE TABLE IF NOT EXISTS projects (
        id INTEGER PRIMARY KEY,
        client_id INTEGER NOT NULL REFERENCES users(id),
        title TEXT NOT NULL,
        description TEXT NOT NULL,
        required_skills TEXT NOT NULL DEFAULT '[]',
        budget_paise INTEGER NOT NULL,
        project_type TEXT NOT NULL CHECK (project_type IN ('fixed','hourly')),
        status TEXT NOT NULL CHECK (status IN ('draft','open','in_progress','closed')),
        created_at TEXT NOT NULL,
        published_at TEXT))",
    R"(CREATE TABLE IF NOT EXISTS proposals (
        id INTEGER PRIMARY KEY,
        project_id INTEGER NOT NULL REFERENCES projects(id),
        freelancer_id INTEGER NOT NULL REFERENCES users(id),
        cover_letter TEXT NOT NULL,
        amount_paise INTEGER NOT NULL,
        duration_days INTEGER NOT NULL,
        status TEXT NOT NULL CHECK (status IN ('submitted','accepted','declined')),
        created_at TEXT NOT NULL,
        UNIQUE (project_id, freelancer_id)))",
    R"(CREATE TABLE IF NOT EXISTS contracts (
        id INTEGER PRIMARY KEY,
        project_id INTEGER REFERENCES projects(id),
        proposal_id INTEGER REFERENCES proposals(id),
        client_id INTEGER NOT NULL REFERENCES users(id),
        freelancer_id INTEGER NOT NULL REFERENCES users(id),
        title TEXT NOT NULL,
        contract_type TEXT NOT NULL CHECK (contract_type IN ('fixed','hourly')),
        status TEXT NOT NULL,
        total_paise INTEGER NOT NULL,
        created_at TEXT NOT NULL))",
    R"(CREATE TABLE IF NOT EXISTS milestones (
        id INTEGER PRIMARY KEY,
        contract_id INTEGER NOT NULL REFERENCES contracts(id),
        position INTEGER NOT NULL,
        title TEXT NOT NULL,
        amount_paise INTEGER NOT NULL CHECK (amount_paise > 0),
        status TEXT NOT NULL,
        created_at TEXT NOT NULL,
        funded_at TEXT,
        paid_at TEXT))",
    "CREATE INDEX IF NOT EXISTS milestones_contract ON milestones(contract_id)",
    // --- contests ------------------------------------------------------------------------------
    R"(CREATE TABLE IF NOT EXISTS contests (
        id INTEGER PRIMARY KEY,
        client_id INTEGER NOT NULL REFERENCES users(id),
        title TEXT NOT NULL,
        brief TEXT NOT NULL,
        prize_paise INTEGER NOT NULL,
        fee_paise INTEGER NOT NULL,
        status TEXT NOT NULL CHECK (status IN ('open','awarded','cancelled')),
        deadline TEXT NOT NULL,
        created_at TEXT NOT NULL))",
    R"(CREATE TABLE IF NOT EXISTS contest_entries (
        id INTEGER PRIMARY KEY,
        contest_id INTEGER NOT NULL REFERENCES contests(id),
        freelancer_id INTEGER NOT NULL REFERENCES users(id),
        title TEXT NOT NULL,
        description TEXT NOT NULL,
        attachment_url TEXT NOT NULL DEFAULT '',
        is_winner INTEGER NOT NULL DEFAULT 0,
        created_at TEXT NOT NULL,
        UNIQUE (contest_id, freelancer_id)))",
    // --- teams ---------------------------------------------------------------------------------
    R"(CREATE TABLE IF NOT EXISTS teams (
        id INTEGER PRIMARY KEY,
        owner_id INTEGER NOT NULL REFERENCES users(id),
        name TEXT NOT NULL,
        description TEXT NOT NULL DEFAULT '',
        created_at TEXT NOT NULL))",
    R"(CREATE TABLE IF NOT EXISTS team_members (
        id INTEGER PRIMARY KEY,
        team_id INTEGER NOT NULL REFERENCES teams(id) ON DELETE CASCADE,
        user_id INTEGER REFERENCES users(id),
        email TEXT NOT NULL COLLATE NOCASE,
        status TEXT NOT NULL CHECK (status IN ('owner','member','invited')),
        created_at TEXT NOT NULL,
        UNIQUE (team_id, email)))",
    // --- gigs, gig orders, deliverables, disputes, work screenshots, assessments -------------
    R"(CREATE TABLE IF NOT EXISTS gigs (
        id INTEGER PRIMARY KEY,
        freelancer_id INTEGER NOT NULL REFERENCES users(id),
        title TEXT NOT NULL,
        description TEXT NOT NULL,
        skills TEXT NOT NULL DEFAULT '[]',
        delivery_days INTEGER NOT NULL,
        status TEXT NOT NULL CHECK (status IN ('active','paused','deleted')),
        created_at TEXT NOT NULL,
        updated_at TEXT NOT NULL))",
    R"(CREATE TABLE IF NOT EXISTS gig_packages (
        id INTEGER PRIMARY KEY,
        gig_id INTEGER NOT NULL REFERENCES gigs(id),
        position INTEGER NOT NULL,
        tier TEXT NOT NULL CHECK (tier IN ('basic','standard','premium')),
        label TEXT NOT NULL,
        description TEXT NOT NULL DEFAULT '',
        price_paise INTEGER NOT NULL CHECK (price_paise > 0),
        delivery_days INTEGER NOT NULL CHECK (delivery_days > 0),
        UNIQUE (gig_id, tier)))",
    R"(CREATE TABLE IF NOT EXISTS gig_orders (
        id INTEGER PRIMARY KEY,
        gig_id INTEGER NOT NULL REFERENCES gigs(id),
        client_id INTEGER NOT NULL REFERENCES users(id),
        freelancer_id INTEGER NOT NULL REFERENCES users(id),
        gig_title TEXT NOT NULL,
        package_tier TEXT NOT NULL,
        price_paise INTEGER NOT NULL CHECK (price_paise > 0),
        delivery_days INTEGER NOT NULL,
        instructions TEXT NOT NULL DEFAULT '',
        status TEXT NOT NULL CHECK (status IN
            ('pending','active','delivered','revision','completed','cancelled')),
        delivery_note TEXT NOT NULL DEFAULT '',
        revision_note TEXT NOT NULL DEFAULT '',
        cancel_reason TEXT NOT NULL DEFAULT '',
        cancelled_by INTEGER REFERENCES users(id),
        review_score INTEGER CHECK (review_score BETWEEN 1 AND 5),
        review TEXT,
        reviewed_at TEXT,
        created_at TEXT NOT NULL,
        updated_at TEXT NOT NULL,
        accepted_at TEXT,
        delivered_at TEXT,
        completed_at TEXT))",
    "CREATE INDEX IF NOT EXISTS gig_orders_client ON gig_orders(client_id)",
    "CREATE INDEX IF NOT EXISTS gig_orders_freelancer ON gig_orders(freelancer_id)",
    R"(CREATE TABLE IF NOT EXISTS gig_order_messages (
        id INTEGER PRIMARY KEY,
        order_id INTEGER NOT NULL REFERENCES gig_orders(id),
        sender_id INTEGER NOT NULL REFERENCES users(id),
        body TEXT NOT NULL,
        created_at TEXT NOT NULL))",
    R"(CREATE TABLE IF NOT EXISTS deliverables (
        id INTEGER PRIMARY KEY,
        milestone_id INTEGER NOT NULL REFERENCES milestones(id),
        contract_id INTEGER NOT NULL REFERENCES contracts(id),
        freelancer_id INTEGER NOT NULL REFERENCES users(id),
        summary TEXT NOT NULL,
        artifact_url TEXT NOT NULL DEFAULT '',
        status TEXT NOT NULL CHECK (status IN
            ('submitted','accepted','revision_requested','disputed')),
        feedback TEXT NOT NULL DEFAULT '',
        created_at TEXT NOT NULL,
        decided_at TEXT))",
    R"(CREATE TABLE IF NOT EXISTS disputes (
        id INTEGER PRIMARY KEY,
        milestone_id INTEGER NOT NULL REFERENCES milestones(id),
        contract_id INTEGER NOT NULL REFERENCES contracts(id),
        opened_by INTEGER NOT NULL REFERENCES users(id),
        reason TEXT NOT NULL,
        evidence TEXT NOT NULL DEFAULT '',
        status TEXT NOT NULL CHECK (status IN ('open','resolved')),
        created_at TEXT NOT NULL))",
    R"(CREATE TABLE IF NOT EXISTS work_screenshots (
        id INTEGER PRIMARY KEY,
        contract_id INTEGER NOT NULL REFERENCES contracts(id),
        freelancer_id INTEGER NOT NULL REFERENCES users(id),
        thumbnail_data TEXT NOT NULL,
        size_bytes INTEGER NOT NULL,
        created_at TEXT NOT NULL))",
    R"(CREATE TABLE IF NOT EXISTS assessment_attempts (
        id INTEGER PRIMARY KEY,
        user_id INTEGER NOT NULL REFERENCES users(id),
        skill TEXT NOT NULL,
        level INTEGER NOT NULL,
        status TEXT NOT NULL CHECK (status IN
            ('in_progress','passed','failed','in_review','forfeited','expired')),
        started_at TEXT NOT NULL,
        time_limit_seconds INTEGER NOT NULL,
        submitted_at TEXT,
        score INTEGER,
        total INTEGER,
        violations INTEGER,
        provisional_passed INTEGER NOT NULL DEFAULT 0,
        answers TEXT))",
    R"(CREATE TABLE IF NOT EXISTS proctoring_events (
        id INTEGER PRIMARY KEY,
        attempt_id INTEGER NOT NULL REFERENCES assessment_attempts(id),
        kind TEXT NOT NULL,
        detail TEXT NOT NULL DEFAULT '',
        image_data TEXT NOT NULL DEFAULT '',
        is_violation INTEGER NOT NULL,
        created_at TEXT NOT NULL))",
    "CREATE INDEX IF NOT EXISTS proctoring_events_attempt ON proctoring_events(attempt_id)",
    R"(CREATE TABLE IF NOT EXISTS badges (
        id INTEGER PRIMARY KEY,
        user_id INTEGER NOT NULL REFERENCES users(id),
        skill TEXT NOT NULL,
        level INTEGER NOT NULL,
        attempt_id INTEGER REFERENCES assessment_attempts(id),
        awarded_at TEXT NOT NULL,
        UNIQUE (user_id, skill, level)))",
    // A level's fee pays for one attempt: pending from the first start that asks for it, paid on
    // the web pages, spent by the attempt it pays for.
    R"(CREATE TABLE IF NOT EXISTS exam_fees (
        id INTEGER PRIMARY KEY,
        user_id INTEGER NOT NULL REFERENCES users(id),
        skill TEXT NOT NULL,
        level INTEGER NOT NULL,
        amount_paise INTEGER NOT NULL CHECK (amount_paise > 0),
        order_id TEXT NOT NULL,
        status TEXT NOT NULL CHECK (status IN ('pending','paid','spent')),
        created_at TEXT NOT NULL,
        paid_at TEXT,
        spent_at TEXT))",
};

} // namespace

Storage::Storage()
    : connectionName(u"velto-sandbox-"_s + QUuid::createUuid().toString(QUuid::WithoutBraces))
{
}

Storage::~Storage()
{
    {
        QSqlDatabase db = QSqlDatabase::database(connectionName, false);
        if (db.isValid())
            db.close();
    }
    QSqlDatabase::removeDatabase(connectionName);
}

bool Storage::open(const QString &path, QString *error,
                   const std::function<void(Storage &)> &firstStart)
{
    auto refuse = [error](const QString &why) {
        if (error)
            *error = why;
        return false;
    };
    const bool inMemory = path.isEmpty() || path == ":memory:"_L1;
    // The file holds TOTP secrets and bank account numbers. SQLite gives the -wal, -shm and
    // -journal files it creates the mode of the database file.
    if (!inMemory) {
        // Nothing but a database of ours is closed up: a path given by mistake (a directory, a
        // document, a link to either) is refused as it is.
        for (const char *suffix : {"", "-wal", "-shm", "-journal"}) {
            const QFileInfo info(path + QLatin1String(suffix));
            if (info.isSymLink() || (info.exists() && !info.isFile()))
                return refuse(u"%1 is not a regular file"_s.arg(info.filePath()));
        }
        QFile file(path);
        if (file.exists()) {
            if (!file.open(QIODevice::ReadOnly))
                return refuse(file.errorString());
            const QByteArray header = file.read(16);
            if (!header.isEmpty() && header != QByteArray("SQLite format 3", 16))
                return refuse(u"%1 is not an SQLite database"_s.arg(path));
        } else if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly,
                              QFile::ReadOwner | QFile::WriteOwner)) {
            return refuse(file.errorString());
        }
        file.close();
        for (const char *suffix : {"", "-wal", "-shm", "-journal"}) {
            const QString name = path + QLatin1String(suffix);
            if (QFile::exists(name)
                && !QFile::setPermissions(name, QFile::ReadOwner | QFile::WriteOwner))
                return refuse(u"cannot make %1 readable by its owner only"_s.arg(name));
        }
    }
    QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, connectionName);
    db.setDatabaseName(path);
    if (!db.open())
        return refuse(db.lastError().text());
    try {
        exec(u"PRAGMA foreign_keys = ON"_s);
        exec(u"PRAGMA busy_timeout = %1"_s.arg(BusyTimeoutMs));
        // With the write-ahead log another process reading the file (the sqlite3 shell, a backup)
        // never holds up a commit. FULL: a commit is on disk before the request is answered.
        if (!inMemory && scalar(u"PRAGMA journal_mode = WAL"_s).toString() != "wal"_L1)
            return refuse(u"the database cannot use a write-ahead log"_s);
        exec(u"PRAGMA synchronous = FULL"_s);
        created = scalar(u"SELECT COUNT(*) FROM sqlite_master WHERE type='table' "
                         "AND name='users'"_s)
                      .toLongLong()
            == 0;
        migrate(created ? firstStart : nullptr);
    } catch (const StorageError &e) {
        return refuse(e.message);
    }
    return true;
}

void Storage::migrate(const std::function<void(Storage &)> &firstStart)
{
    Transaction t(*this);
    // Files made before identity approval links allow fewer purposes of link: that table is made
    // anew and its rows copied.
    const bool fewerPurposes = exists(u"SELECT 1 FROM sqlite_master WHERE name = 'email_tokens' "
                                      "AND sql NOT LIKE '%''kyc''%'"_s);
    if (fewerPurposes)
        exec(u"ALTER TABLE email_tokens RENAME TO email_tokens_before"_s);
    for (const char *statement : schema)
        exec(QString::fromUtf8(statement));
    if (fewerPurposes) {
        exec(u"INSERT INTO email_tokens SELECT * FROM email_tokens_before"_s);
        exec(u"DROP TABLE email_tokens_before"_s);
    }
    // The house account receives platform fees; it cannot sign in (no password hash).
    exec(u"INSERT OR IGNORE INTO users (email, full_name, role, verified, created_at) "
         "VALUES ('house@velto.internal', 'Velto', 'house', 1, ?)"_s,
         {now()});
    if (firstStart)
        firstStart(*this);
    t.commit();
}

QSqlQuery Storage::exec(const QString &sql, const QVariantList &params)
{
    QSqlQuery q(QSqlDatabase::database(connectionName, false));
    // Rows are read once, front to back: without this the driver keeps a copy of every row.
    q.setForwardOnly(true);
    if (!q.prepare(sql))
        throw StorageError {q.lastError().text() + u" in: "_s + sql};
    for (const QVariant &p : params) {
        // A null QString would bind as SQL NULL; text columns get "" instead. NULL is bound only
        // from an empty QVariant().
        if (p.typeId() == QMetaType::QString && p.toString().isNull())
            q.addBindValue(u""_s);
        else
            q.addBindValue(p);
    }
    if (!q.exec())
        throw StorageError {q.lastError().text() + u" in: "_s + sql};
    return q;
}

Storage::Columns Storage::columns(const QSqlQuery &q)
{
    // Members go into a JSON object fastest in key order: it keeps its keys sorted.
    Columns c;
    const QSqlRecord rec = q.record();
    for (int i = 0; i < rec.count(); ++i)
        c.append({rec.fieldName(i), i});
    std::sort(c.begin(), c.end(), [](const auto &a, const auto &b) { return a.first < b.first; });
    return c;
}

QJsonObject Storage::rowObject(const QSqlQuery &q, const Columns &columns)
{
    QJsonObject o;
    for (const auto &[name, i] : columns) {
        const QVariant v = q.value(i);
        QJsonValue jv;
        if (v.isNull())
            jv = QJsonValue::Null;
        else if (v.typeId() == QMetaType::LongLong || v.typeId() == QMetaType::Int)
            jv = QJsonValue(v.toLongLong());
        else if (v.typeId() == QMetaType::Double)
            jv = QJsonValue(v.toDouble());
        else
            jv = QJsonValue(v.toString());
        o.insert(name, jv);
    }
    return o;
}

QJsonObject Storage::one(const QString &sql, const QVariantList &params)
{
    QSqlQuery q = exec(sql, params);
    return q.next() ? rowObject(q, columns(q)) : QJsonObject();
}

QJsonArray Storage::all(const QString &sql, const QVariantList &params)
{
    QSqlQuery q = exec(sql, params);
    const Columns names = columns(q);
    QJsonArray rows;
    while (q.next())
        rows.append(rowObject(q, names));
    return rows;
}

bool Storage::exists(const QString &sql, const QVariantList &params)
{
    return exec(sql, params).next();
}

QVariant Storage::scalar(const QString &sql, const QVariantList &params)
{
    QSqlQuery q = exec(sql, params);
    return q.next() ? q.value(0) : QVariant();
}

qint64 Storage::insert(const QString &sql, const QVariantList &params)
{
    return exec(sql, params).lastInsertId().toLongLong();
}

int Storage::change(const QString &sql, const QVariantList &params)
{
    return exec(sql, params).numRowsAffected();
}

Storage::Transaction::Transaction(Storage &storage) : s(storage)
{
    if (s.depth == 0) {
        s.begin();
    } else {
        name = u"sp%1"_s.arg(++s.savepointCounter);
        s.exec(u"SAVEPOINT "_s + name);
    }
    ++s.depth;
}

Storage::Transaction::~Transaction()
{
    if (done)
        return;
    --s.depth;
    if (name.isEmpty()) {
        s.rollBackAll();
        return;
    }
    try {
        s.exec(u"ROLLBACK TO "_s + name);
        s.exec(u"RELEASE "_s + name);
    } catch (const StorageError &) {
        // The outer transaction still holds what this one wrote: it must not be committed.
        s.innerRollbackFailed = true;
    }
}

void Storage::Transaction::commit()
{
    if (!name.isEmpty()) {
        s.exec(u"RELEASE "_s + name);
        done = true;
        --s.depth;
        return;
    }
    done = true;
    --s.depth;
    QString why = u"a nested rollback failed"_s;
    if (!s.innerRollbackFailed) {
        try {
            s.exec(u"COMMIT"_s);
            return;
        } catch (const StorageError &e) {
            why = e.message;
        }
    }
    // A failed COMMIT leaves the transaction open: end it here, or the next request's writes
    // would be added to it and never reach the disk.
    s.rollBackAll();
    throw NotCommittedError {why};
}

void Storage::begin()
{
    innerRollbackFailed = false;
    try {
        // IMMEDIATE takes the write lock now: a busy database refuses the request before the
        // handler does any work, rather than at its commit.
        exec(u"BEGIN IMMEDIATE"_s);
    } catch (const StorageError &e) {
        throw NotCommittedError {e.message};
    }
}

void Storage::rollBackAll()
{
    QString why;
    for (int attempt = 0; attempt < 20; ++attempt) {
        try {
            exec(u"ROLLBACK"_s);
            return;
        } catch (const StorageError &e) {
            why = e.message;
        }
        try {
            // BEGIN succeeds only when no transaction is open: then there was nothing to undo.
            exec(u"BEGIN"_s);
            exec(u"ROLLBACK"_s);
            return;
        } catch (const StorageError &) {
        }
        QThread::msleep(50);
    }
    std::fprintf(stderr, "velto-sandbox: cannot roll back a failed transaction (%s); stopping\n",
                 qPrintable(why));
    std::abort();
}

QString Storage::now()
{
    return QDateTime::currentDateTimeUtc().toString(Qt::ISODate);
}

QString Storage::secondsAgo(int seconds)
{
    return QDateTime::currentDateTimeUtc().addSecs(-seconds).toString(Qt::ISODate);
}

QString Storage::isoInDays(int days)
{
    return QDateTime::currentDateTimeUtc().addDays(days).toString(Qt::ISODate);
}
