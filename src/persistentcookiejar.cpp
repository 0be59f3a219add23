#include "persistentcookiejar.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QNetworkCookie>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTextStream>

PersistentCookieJar::PersistentCookieJar(QObject *parent) : QNetworkCookieJar(parent)
{
    loadCookies();
}

PersistentCookieJar::~PersistentCookieJar() = default;

QString PersistentCookieJar::cookieFilePath()
{
    const QString dir = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)
        + QStringLiteral("/Velto");
    QDir().mkpath(dir);
    return dir + QStringLiteral("/cookies.txt");
}

bool PersistentCookieJar::setCookiesFromUrl(const QList<QNetworkCookie> &cookieList,
                                            const QUrl &url)
{
    if (!QNetworkCookieJar::setCookiesFromUrl(cookieList, url))
        return false;
    saveCookies();
    return true;
}

void PersistentCookieJar::clear()
{
    setAllCookies({});
    saveCookies();
}

void PersistentCookieJar::saveCookies()
{
    // Expired cookies are never sent again: drop them rather than keep them in the file forever.
    const QDateTime now = QDateTime::currentDateTimeUtc();
    QList<QNetworkCookie> live = allCookies();
    live.removeIf([&now](const QNetworkCookie &c) {
        return !c.isSessionCookie() && c.expirationDate() <= now;
    });
    setAllCookies(live);

    // The file holds the session: write it owner-only, and through a temporary file so that a
    // crash mid-write leaves the previous version rather than a truncated one.
    QSaveFile file(cookieFilePath());
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text))
        return;
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    for (const QNetworkCookie &cookie : live) {
        file.write(cookie.toRawForm(QNetworkCookie::Full));
        file.write("\n");
    }
    file.commit();
}

void PersistentCookieJar::loadCookies()
{
    QFile file(cookieFilePath());
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return;
    // The file holds the session: a copy readable by others (an older version, a restore) is
    // narrowed to its owner at once.
    const auto ownerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
    if (file.permissions() & ~(ownerOnly | QFileDevice::ReadUser | QFileDevice::WriteUser))
        file.setPermissions(ownerOnly);
    QList<QNetworkCookie> cookies;
    while (!file.atEnd()) {
        const QByteArray line = file.readLine().trimmed();
        if (line.isEmpty())
            continue;
        cookies += QNetworkCookie::parseCookies(line);
    }
    setAllCookies(cookies);
}
