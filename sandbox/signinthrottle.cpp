#include "signinthrottle.h"

#include <algorithm>

qint64 SignInThrottle::retryAfter(const QString &account, qint64 now) const
{
    const QList<qint64> times = failures.value(account);
    const auto recent = std::count_if(times.begin(), times.end(),
                                      [&](qint64 t) { return t > now - WindowSeconds; });
    if (recent < MaxFailures)
        return 0;
    return times.at(times.size() - MaxFailures) + WindowSeconds - now;
}

void SignInThrottle::failed(const QString &account, qint64 now)
{
    QList<qint64> &times = failures[account];
    times.append(now);
    while (times.size() > MaxFailures || times.first() <= now - WindowSeconds)
        times.removeFirst();
    // Addresses tried once and never again would otherwise pile up.
    if (failures.size() > 10000) {
        failures.removeIf([&](const auto &it) { return it.value().last() <= now - WindowSeconds; });
    }
}
