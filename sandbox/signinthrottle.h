#pragma once

#include <QHash>
#include <QList>
#include <QString>

// Failed sign-ins, counted per account (the lower-cased e-mail, known or not) and source address
// together, per source across accounts, and per account across sources. After MaxFailures for
// one account from one source within the window, that account's further attempts from that
// source are refused without looking at the password, until the oldest of those failures has
// left the window: a guesser gets MaxFailures tries per window, while the account's owner,
// elsewhere, still signs in. After MaxSourceFailures from one source, whatever the accounts, that
// source is refused the same way: spraying a few guesses at many accounts costs the one thread no
// more than that many password hashes a window. Guesses spread over many sources are held by the
// account: after MaxAccountFailures for it within the window, from anywhere, it takes one attempt
// every AccountSpacingMs from all sources together, except from a source it signed in from within
// TrustedMs (its owner's usual places), so no failures of others lock its owner out there. A
// successful sign-in forgets the failures of its account and source, not the source's tally nor
// the account's. Times are milliseconds, given by the caller.
class SignInThrottle
{
public:
    static constexpr int MaxFailures = 5;
    static constexpr int MaxSourceFailures = 20;
    static constexpr int MaxAccountFailures = 20;
    static constexpr qint64 WindowMs = 15 * 60 * 1000;
    static constexpr qint64 AccountSpacingMs = 5 * 1000;
    static constexpr qint64 TrustedMs = 30LL * 24 * 3600 * 1000;

    // Milliseconds until the account may try again from the source; 0 when it may now.
    qint64 retryAfter(const QString &account, const QString &source, qint64 now) const;
    void failed(const QString &account, const QString &source, qint64 now);
    void succeeded(const QString &account, const QString &source, qint64 now);

private:
    QHash<QString, QList<qint64>> failures; // per "source account" and per "source", oldest first
    QHash<QString, QList<qint64>> accountFailures; // per account, from anywhere
    QHash<QString, qint64> signedIn; // per "source account": the last sign-in
};
