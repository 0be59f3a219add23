#pragma once

#include <QHash>
#include <QList>
#include <QString>

// Failed sign-ins per account (the lower-cased e-mail, known or not). After MaxFailures of them
// within WindowSeconds, the account's further attempts are refused without looking at the
// password, until the oldest of those failures is WindowSeconds old: a guesser gets MaxFailures
// tries per window, and the one thread spends no password hash on the rest. A successful sign-in
// forgets the account's failures. Times are Unix seconds, given by the caller.
class SignInThrottle
{
public:
    static constexpr int MaxFailures = 5;
    static constexpr qint64 WindowSeconds = 15 * 60;

    // Seconds until the account may try again; 0 when it may now.
    qint64 retryAfter(const QString &account, qint64 now) const;
    void failed(const QString &account, qint64 now);
    void succeeded(const QString &account) { failures.remove(account); }

private:
    QHash<QString, QList<qint64>> failures; // per account, oldest first
};
