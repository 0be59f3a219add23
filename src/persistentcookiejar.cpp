#include "persistentcookiejar.h"

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
    // The file holds the session: write it owner-only, and through a temporary file so that a
    // crash mid-write leaves the previous version rather than a truncated one.
    QSaveFile file(cookieFilePath());
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text))
        return;
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    for (const QNetworkCookie &cookie : allCookies()) {
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
    QList<QNetworkCookie> cookies;
    while (!file.atEnd()) {
        const QByteArray line = file.readLine().trimmed();
        if (line.isEmpty())
            continue;
        cookies += QNetworkCookie::parseCookies(line);
    }
    setAllCookies(cookies);
}
