#include "signinthrottle.h"

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

QString pair(const QString &account, const QString &source)
{
    return source + u' ' + account;
}

qsizetype recentCount(const QList<qint64> &times, qint64 now)
{
    return std::count_if(times.begin(), times.end(),
                         [&](qint64 t) { return t > now - SignInThrottle::WindowMs; });
}

// Time until the oldest of the last MaxFailures times leaves the window, when that many lie
// within it; else 0.
template<int MaxFailures> qint64 lockedFor(const QList<qint64> &times, qint64 now)
{
    const auto recent = recentCount(times, now);
    if (recent < MaxFailures)
        return 0;
    return times.at(times.size() - MaxFailures) + SignInThrottle::WindowMs - now;
}

void record(QList<qint64> &times, qsizetype kept, qint64 now)
{
    times.append(now);
    while (times.size() > kept || times.first() <= now - SignInThrottle::WindowMs)
        times.removeFirst();
}

} // namespace

qint64 SignInThrottle::retryAfter(const QString &account, const QString &source, qint64 now) const
{
    qint64 wait = qMax(lockedFor<MaxFailures>(failures.value(pair(account, source)), now),
                       lockedFor<MaxSourceFailures>(failures.value(source), now));
    const QList<qint64> times = accountFailures.value(account);
    const auto trusted = signedIn.constFind(pair(account, source));
    if (recentCount(times, now) >= MaxAccountFailures
        && (trusted == signedIn.cend() || *trusted <= now - TrustedMs))
        wait = qMax(wait, times.last() + AccountSpacingMs - now);
    return wait;
}

void SignInThrottle::failed(const QString &account, const QString &source, qint64 now)
{
    record(failures[pair(account, source)], MaxFailures, now);
    record(failures[source], MaxSourceFailures, now);
    record(accountFailures[account], MaxAccountFailures, now);
    // Addresses and accounts tried once and never again would otherwise pile up.
    const auto stale = [&](const auto &it) { return it.value().last() <= now - WindowMs; };
    if (failures.size() > 10000)
        failures.removeIf(stale);
    if (accountFailures.size() > 10000)
        accountFailures.removeIf(stale);
}

void SignInThrottle::succeeded(const QString &account, const QString &source, qint64 now)
{
    failures.remove(pair(account, source));
    signedIn.insert(pair(account, source), now);
    if (signedIn.size() > 10000)
        signedIn.removeIf([&](const auto &it) { return it.value() <= now - TrustedMs; });
}
