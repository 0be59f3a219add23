#include "signinthrottle.h"

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

QString pair(const QString &account, const QString &source)
{
    return source + u' ' + account;
}

// Seconds until the oldest of the last MaxFailures times leaves the window, when that many lie
// within it; else 0.
template<int MaxFailures> qint64 lockedFor(const QList<qint64> &times, qint64 now)
{
    const auto recent = std::count_if(times.begin(), times.end(), [&](qint64 t) {
        return t > now - SignInThrottle::WindowSeconds;
    });
    if (recent < MaxFailures)
        return 0;
    return times.at(times.size() - MaxFailures) + SignInThrottle::WindowSeconds - now;
}

void record(QList<qint64> &times, qsizetype kept, qint64 now)
{
    times.append(now);
    while (times.size() > kept || times.first() <= now - SignInThrottle::WindowSeconds)
        times.removeFirst();
}

} // namespace

qint64 SignInThrottle::retryAfter(const QString &account, const QString &source, qint64 now) const
{
    return qMax(lockedFor<MaxFailures>(failures.value(pair(account, source)), now),
                lockedFor<MaxSourceFailures>(failures.value(source), now));
}

void SignInThrottle::failed(const QString &account, const QString &source, qint64 now)
{
    record(failures[pair(account, source)], MaxFailures, now);
    record(failures[source], MaxSourceFailures, now);
    // Addresses tried once and never again would otherwise pile up.
    if (failures.size() > 10000) {
        failures.removeIf([&](const auto &it) { return it.value().last() <= now - WindowSeconds; });
    }
}

void SignInThrottle::succeeded(const QString &account, const QString &source)
{
    failures.remove(pair(account, source));
}
