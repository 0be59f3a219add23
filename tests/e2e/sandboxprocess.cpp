#include "sandboxprocess.h"

#include <QTest>

#include <csignal>

using namespace Qt::StringLiterals;

bool SandboxProcess::start(QString *error)
{
    output.clear();
    partial.clear();
    // The sandbox's complaints go straight to the test's own error output.
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(QStringLiteral(VELTO_SANDBOX_EXE),
                  {u"--port"_s, QString::number(fixedPort), u"--db"_s, database,
                   u"--pbkdf2-iterations"_s, u"1000"_s});
    const bool said = QTest::qWaitFor(
        [&] {
            readLines();
            return !output.isEmpty() || process.state() == QProcess::NotRunning;
        },
        30000);
    static const QString listening = u"velto-sandbox listening on "_s;
    serviceOrigin = output.value(0).mid(listening.size()).trimmed();
    if (said && output.value(0).startsWith(listening))
        return true;
    *error = u"velto-sandbox did not say where it listens (%1, exit code %2): %3"_s.arg(
        process.errorString(), QString::number(process.exitCode()), output.value(0));
    stop();
    return false;
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
    for (qsizetype end; (end = partial.indexOf('\n')) >= 0; partial.remove(0, end + 1))
        output.append(QString::fromUtf8(partial.left(end)).trimmed());
}

QString SandboxProcess::waitForLink(QStringView kind, const QString &email)
{
    const QString prefix = kind.toString() + u' ' + email + u' ';
    QString link; // of the last line for this address
    const auto found = [&] {
        readLines();
        for (const QString &line : std::as_const(output)) {
            if (line.startsWith(prefix, Qt::CaseInsensitive))
                link = line.mid(prefix.size());
        }
        return !link.isEmpty();
    };
    return QTest::qWaitFor(found, 20000) ? link : QString();
}
