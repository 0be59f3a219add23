#pragma once

#include "api.h"

#include <QSignalSpy>
#include <QTest>

// One request through the bridge and its reply, as the core tests send them.
struct ApiAnswer
{
    int status = -1; // -1: no reply came in time
    QString body;
};

inline ApiAnswer roundTrip(Api &api, const QString &method, const QString &path,
                           const QString &body = QStringLiteral("{}"), int id = 1)
{
    QSignalSpy replies(&api, &Api::reply);
    api.request(id, method, path, body);
    if (!QTest::qWaitFor([&] { return !replies.isEmpty(); }, 10000) || replies[0][0].toInt() != id)
        return {};
    return {replies[0][1].toInt(), replies[0][2].toString()};
}
