#include "sandboxprocess.h"

#include <QDeadlineTimer>
#include <QTest>

namespace {
const QString ListeningPrefix = QStringLiteral("velto-sandbox listening on ");
}

SandboxProcess::SandboxProcess(QObject *parent) : QObject(parent)
{
    // The sandbox's complaints go straight to the test's own error output.
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    connect(&process, &QProcess::readyReadStandardOutput, this, &SandboxProcess::readLines);
}

SandboxProcess::~SandboxProcess()
{
    stop();
}

bool SandboxProcess::start(QString *error)
{
    output.clear();
    partial.clear();
    serviceOrigin.clear();
    process.start(QStringLiteral(VELTO_SANDBOX_EXE),
                  {QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--db"), database,
                   QStringLiteral("--pbkdf2-iterations"), QStringLiteral("1000")});
    if (!process.waitForStarted(20000)) {
        *error = QStringLiteral("cannot start %1: %2")
                     .arg(QStringLiteral(VELTO_SANDBOX_EXE), process.errorString());
        return false;
    }
    const QDeadlineTimer deadline(30000);
    while (output.isEmpty() && !deadline.hasExpired()) {
        if (process.state() == QProcess::NotRunning) {
            *error = QStringLiteral("velto-sandbox ended at start (exit code %1)")
                         .arg(process.exitCode());
            return false;
        }
        process.waitForReadyRead(int(qMin<qint64>(deadline.remainingTime(), 200)));
        readLines();
    }
    if (output.isEmpty() || !output.first().startsWith(ListeningPrefix)) {
        *error = QStringLiteral("velto-sandbox did not say where it listens: %1")
                     .arg(output.value(0, QStringLiteral("(nothing)")));
        stop();
        return false;
    }
    serviceOrigin = output.first().mid(ListeningPrefix.size()).trimmed();
    return true;
}

void SandboxProcess::stop()
{
    if (process.state() == QProcess::NotRunning)
        return;
    process.terminate();
    if (!process.waitForFinished(10000)) {
        process.kill();
        process.waitForFinished(10000);
    }
}

void SandboxProcess::readLines()
{
    partial += process.readAllStandardOutput();
    int end;
    while ((end = partial.indexOf('\n')) >= 0) {
        output.append(QString::fromUtf8(partial.left(end)).trimmed());
        partial.remove(0, end + 1);
    }
}

QString SandboxProcess::linkFor(const QString &kind, const QString &email) const
{
    for (auto it = output.crbegin(); it != output.crend(); ++it) {
        const QStringList parts = it->split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (parts.size() >= 3 && parts.at(0) == kind
            && parts.at(1).compare(email, Qt::CaseInsensitive) == 0)
            return parts.at(2);
    }
    return QString();
}

QString SandboxProcess::waitForLink(const QString &kind, const QString &email, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    QString link = linkFor(kind, email);
    while (link.isEmpty() && !deadline.hasExpired()) {
        QTest::qWait(20);
        link = linkFor(kind, email);
    }
    return link;
}

DemoAccount demoAccount(const QString &email)
{
    for (const DemoAccount &a : demoAccounts()) {
        if (a.email == email)
            return a;
    }
    return DemoAccount();
}
