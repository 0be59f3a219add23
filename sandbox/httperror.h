#pragma once

#include <QString>

// Thrown by request helpers and rules when the client's request cannot be honoured. The dispatcher
// turns it into {"error": message} with the given 4xx status and rolls back the request's
// transaction, so nothing a refused request did is kept.
struct HttpError
{
    int status;
    QString message;
};

// Thrown by Storage when SQL itself fails: a fault of ours, answered with 500.
struct StorageError
{
    QString message;
};

// Thrown when a transaction could not be started or committed (the database stayed locked by
// another connection): everything it wrote has been rolled back, and the request is answered 503
// so that nobody takes it as saved.
struct NotCommittedError : StorageError
{
};
