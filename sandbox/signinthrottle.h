#pragma once

#include <QHash>
#include <QList>
#include <QString>

// Failed sign-ins, counted per account (the lower-cased e-mail, known or not) and source address
// together, and per source across accounts. After MaxFailures for one account from one source
// within WindowSeconds, that account's further attempts from that source are refused without
// looking at the password, until the oldest of those failures is WindowSeconds old: a guesser gets
// MaxFailures tries per window, while the account's owner, elsewhere, still signs in. After
// MaxSourceFailures from one source, whatever the accounts, that source is refused the same way:
// spraying a few guesses at many accounts costs the one thread no more than that many password
// hashes a window. A successful sign-in forgets the failures of its account and source, not the
// source's tally. Times are Unix seconds, given by the caller.
class SignInThrottle
{
public:
    static constexpr int MaxFailures = 5;
    static constexpr int MaxSourceFailures = 20;
    static constexpr qint64 WindowSeconds = 15 * 60;

    // Seconds until the account may try again from the source; 0 when it may now.
    qint64 retryAfter(const QString &account, const QString &source, qint64 now) const;
    void failed(const QString &account, const QString &source, qint64 now);
    void succeeded(const QString &account, const QString &source);

private:
    QHash<QString, QList<qint64>> failures; // per "source account" and per "source", oldest first
};
