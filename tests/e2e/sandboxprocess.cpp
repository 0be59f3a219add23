#include "sandboxprocess.h"

#include <QDeadlineTimer>
#include <QTest>

#include <csignal>

using namespace Qt::StringLiterals;

static const QString ListeningPrefix = u"velto-sandbox listening on "_s;

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
                  {u"--port"_s, QString::number(fixedPort), u"--db"_s, database,
                   u"--pbkdf2-iterations"_s, u"1000"_s});
    if (!process.waitForStarted(20000)) {
        *error = u"cannot start %1: %2"_s.arg(QStringLiteral(VELTO_SANDBOX_EXE),
                                              process.errorString());
        return false;
    }
    const QDeadlineTimer deadline(30000);
    while (output.isEmpty() && !deadline.hasExpired()) {
        if (process.state() == QProcess::NotRunning) {
            *error = u"velto-sandbox ended at start (exit code %1)"_s.arg(process.exitCode());
            return false;
        }
        process.waitForReadyRead(int(qMin<qint64>(deadline.remainingTime(), 200)));
        readLines();
    }
    if (output.isEmpty() || !output.first().startsWith(ListeningPrefix)) {
        *error = u"velto-sandbox did not say where it listens: %1"_s.arg(
            output.value(0, u"(nothing)"_s));
        stop();
        return false;
    }
    serviceOrigin = output.first().mid(ListeningPrefix.size()).trimmed();
    return true;
}

bool SandboxProcess::restart(QString *error)
{
    stop();
    fixedPort = port();
    return start(error);
}

void SandboxProcess::pause()
{
    ::kill(pid_t(process.processId()), SIGSTOP);
}

void SandboxProcess::resume()
{
    ::kill(pid_t(process.processId()), SIGCONT);
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
        const QStringList parts = it->split(u' ', Qt::SkipEmptyParts);
        if (parts.size() >= 3 && parts.at(0) == kind
            && parts.at(1).compare(email, Qt::CaseInsensitive) == 0)
            return parts.at(2);
    }
    return QString();
}

QString SandboxProcess::waitForLink(const QString &kind, const QString &email, int timeoutMs)
{
    QString link;
    return QTest::qWaitFor([&] { return !(link = linkFor(kind, email)).isEmpty(); }, timeoutMs)
        ? link
        : QString();
}
