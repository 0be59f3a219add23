#pragma once

#include "sandboxtest.h" // SandboxClient and the demo accounts, to act at this sandbox

#include <QProcess>
#include <QStringList>
#include <QUrl>

// The test's own velto-sandbox on a free port, in memory unless told, keeping the links it prints.
class SandboxProcess
{
public:
    ~SandboxProcess() { stop(); }

    void setDatabase(const QString &path) { database = path; }
    // Starts it and waits for its "listening on" line; false with *error set when it fails.
    bool start(QString *error);
    void stop();
    // Starts it again on the port it had, with the database it had.
    bool restart(QString *error);
    // A paused sandbox holds every answer back, as a service too slow to answer does.
    void setPaused(bool paused);

    // "https://localhost:<port>", and its port
    QString origin() const { return serviceOrigin; }
    quint16 port() const { return quint16(QUrl(serviceOrigin).port()); }

    // The URL of the last "<kind> <email> <url>" line ("verify-link", …); empty when none came.
    QString waitForLink(QStringView kind, const QString &email);

private:
    void readLines();

    QProcess process;
    QByteArray partial;
    QStringList output;
    QString serviceOrigin;
    quint16 fixedPort = 0; // 0: a free one
    QString database = QStringLiteral(":memory:");
};
