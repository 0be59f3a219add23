#pragma once

#include "http.h"

#include <QByteArray>
#include <QString>
#include <optional>

class Storage;

// The answers a signed-in person's writes were given, by the Idempotency-Key the client sent with
// each. A client's network layer re-sends a write whose connection closed before the answer came,
// although the service may have carried it out: the re-send carries the same key and is given the
// first answer again without running anything. The key belongs to the person (two people's equal
// keys are two requests) and names one request: the same key with another method, path or body is
// refused with 422. Keys are forgotten KeptSeconds after their answer.
//
// The answer to a write is kept in the write's own transaction, so that the database never holds
// one without the other. A refusal (4xx) wrote nothing; its answer is kept on its own after the
// rollback, so that a re-send is refused the same way even if the refusal would no longer hold.
// A fault of ours or a busy database (5xx) saved nothing and is not kept: the re-send may succeed.
class IdempotentWrite
{
public:
    static constexpr int KeptSeconds = 24 * 3600;

    // With no user or no key (an empty header) every call below does nothing: the write runs as
    // it would without the store.
    IdempotentWrite(Storage &db, qint64 userId, const QByteArray &key, const QString &method,
                    const QByteArray &target, const QByteArray &body);

    // The answer this key was given before, or the 422 of a key that named another request;
    // nothing when the write is to run. Call it inside the write's transaction.
    std::optional<Reply> answered();
    // Keeps the answer to the write; inside its transaction for a success, after the rollback for
    // a refusal. Answers of 500 and above are not kept.
    void remember(const Reply &reply);

private:
    Storage &db;
    qint64 userId;
    QString key;
    QString fingerprint; // of method, path and body
};
