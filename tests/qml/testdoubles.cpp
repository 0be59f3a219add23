#include "testdoubles.h"

#include <QVariantMap>

void FakeApi::request(int id, const QString &method, const QString &path, const QString &jsonBody)
{
    recorded.append(QVariantMap {{QStringLiteral("id"), id},
                                 {QStringLiteral("method"), method},
                                 {QStringLiteral("path"), path},
                                 {QStringLiteral("body"), jsonBody}});
    emit requestsChanged();
    // Like the real one: a method it does not know is answered at once, inside this call.
    static const QStringList known {QStringLiteral("GET"), QStringLiteral("POST"),
                                    QStringLiteral("PUT"), QStringLiteral("DELETE")};
    if (!known.contains(method))
        emit reply(id, 0, QStringLiteral("Unsupported method"));
}

void FakeApi::logout()
{
    ++logouts;
    emit logoutCountChanged();
}

QString FakeApi::captureScreenThumbnail()
{
    ++captures;
    emit captureCountChanged();
    return thumbnail;
}

void FakeApi::reset()
{
    recorded.clear();
    logouts = 0;
    captures = 0;
    screens = 1;
    thumbnail.clear();
    emit requestsChanged();
    emit logoutCountChanged();
    emit captureCountChanged();
}

void FakeApi::emitReply(int id, int status, const QString &body)
{
    emit reply(id, status, body);
}

QVariantMap FakeApi::lastRequest() const
{
    return recorded.isEmpty() ? QVariantMap() : recorded.last().toMap();
}

void FakeProctor::start()
{
    log.append(QStringLiteral("start"));
    emit callsChanged();
}

void FakeProctor::stop()
{
    log.append(QStringLiteral("stop"));
    emit callsChanged();
}

void FakeProctor::reset()
{
    log.clear();
    camera = false;
    emit callsChanged();
    setMicLevel(0);
}

void FakeProctor::setMicLevel(int value)
{
    if (value == level)
        return;
    level = value;
    emit micLevelChanged();
}

void BrowserCatcher::clear()
{
    opened.clear();
    emit urlsChanged();
}

void BrowserCatcher::open(const QUrl &url)
{
    opened.append(url.toString());
    emit urlsChanged();
}
