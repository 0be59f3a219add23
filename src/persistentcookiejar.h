#pragma once

#include <QNetworkCookieJar>

// A cookie jar mirrored in a per-user file (one Set-Cookie line per cookie), so that a restart
// resumes the signed-in session. The file is owner-only and replaced atomically.
class PersistentCookieJar : public QNetworkCookieJar
{
public:
    explicit PersistentCookieJar(QObject *parent = nullptr);
    ~PersistentCookieJar() override;

    bool setCookiesFromUrl(const QList<QNetworkCookie> &cookieList, const QUrl &url) override;

    // Forgets every cookie and empties the file.
    void clear();

    static QString cookieFilePath();

private:
    void loadCookies();
    void saveCookies();
};
