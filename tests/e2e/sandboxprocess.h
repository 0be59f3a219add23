#pragma once

#include "sandboxtest.h" // SandboxClient and the demo accounts, to act at this sandbox

#include <QProcess>
#include <QStringList>
#include <QUrl>

// A velto-sandbox of the test's own: started on a free port with a fresh in-memory database,
// its standard output collected line by line (the "verify-link" mails).
class SandboxProcess
{
public:
    ~SandboxProcess() { stop(); }

    // The database the next start() uses: ":memory:" (a fresh one) unless set.
    void setDatabase(const QString &path) { database = path; }
    // Starts the process and waits for its "listening on" line. False with *error set when it
    // does not come up.
    bool start(QString *error);
    // Ends the process (and waits for it); the origin keeps naming the port it had.
    void stop();
    // Starts it again on the port it had, with the database it had (a file keeps its data).
    bool restart(QString *error);
    // Holds every answer back, as a service too slow to answer would, or lets them go again.
    void setPaused(bool paused);

    // "https://localhost:<port>", and its port
    QString origin() const { return serviceOrigin; }
    quint16 port() const { return quint16(QUrl(serviceOrigin).port()); }

    // The URL of the last "verify-link <email> <url>" line, waiting for it; empty when none came.
    QString waitForVerifyLink(const QString &email) { return waitForLink(u"verify-link", email); }
    // The same for any printed link: "kyc-approval-link", "bank-approval-link".
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
