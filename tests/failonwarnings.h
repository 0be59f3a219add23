#pragma once

#include <QRegularExpression>
#include <QTest>

// The warnings that fail the test function they come in: all but Qt Multimedia's word that the
// machine has no sound server, which is the machine's state and not the program's doing
// (headless machines have none; the microphone tests start one of their own or skip).
inline QRegularExpression failingWarnings()
{
    return QRegularExpression(QStringLiteral("^(?!PulseAudioService: pa_context_connect)"));
}

// Every warning or error (console.error in QML) fails the test function that caused it, as
// QTest::failOnWarning() makes a warning fail a C++ test function: QtTest forgets that rule after
// each test function, so it is set again in front of every such message. One the test announced
// (ignoreMessage, ignoreWarning in QML) still only counts as seen. Call it from inside a test
// function, once QtTest's own handler is in place; this one goes in front of it.
inline void failOnWarningsAndErrors()
{
    static QtMessageHandler testLog = nullptr;
    static const QtMessageHandler handler
        = [](QtMsgType type, const QMessageLogContext &context, const QString &text) {
              if (type == QtWarningMsg || type == QtCriticalMsg) {
                  QTest::failOnWarning(failingWarnings());
                  type = QtWarningMsg;
              }
              testLog(type, context, text);
          };
    const QtMessageHandler current = qInstallMessageHandler(handler);
    if (current != handler)
        testLog = current;
}
