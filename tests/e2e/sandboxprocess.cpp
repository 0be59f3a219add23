#include "sandboxprocess.h"

#include <QTest>

#include <csignal>

using namespace Qt::StringLiterals;

static const QString ListeningPrefix = u"velto-sandbox listening on "_s;

bool SandboxProcess::start(QString *error)
{
    output.clear();
    partial.clear();
    serviceOrigin.clear();
    // The sandbox's complaints go straight to the test's own error output.
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(QStringLiteral(VELTO_SANDBOX_EXE),
                  {u"--port"_s, QString::number(fixedPort), u"--db"_s, database,
                   u"--pbkdf2-iterations"_s, u"1000"_s});
    if (!process.waitForStarted(20000)) {
        *error = u"cannot start %1: %2"_s.arg(QStringLiteral(VELTO_SANDBOX_EXE),
                                              process.errorString());
        return false;
    }
    const bool said = QTest::qWaitFor(
        [&] {
            readLines();
            return !output.isEmpty() || process.state() == QProcess::NotRunning;
        },
        30000);
    if (!said || output.isEmpty() || !output.first().startsWith(ListeningPrefix)) {
        *error = u"velto-sandbox did not say where it listens (exit code %1): %2"_s.arg(
            QString::number(process.exitCode()), output.value(0, u"(nothing)"_s));
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

void SandboxProcess::setPaused(bool paused)
{
    ::kill(pid_t(process.processId()), paused ? SIGSTOP : SIGCONT);
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

QString SandboxProcess::waitForLink(QStringView kind, const QString &email)
{
    const QString prefix = kind.toString() + u' ' + email + u' ';
    QString link; // of the last line for this address
    const bool came = QTest::qWaitFor(
        [&] {
            readLines();
            for (const QString &line : std::as_const(output)) {
                if (line.startsWith(prefix, Qt::CaseInsensitive))
                    link = line.mid(prefix.size());
            }
            return !link.isEmpty();
        },
        20000);
    return came ? link : QString();
}
