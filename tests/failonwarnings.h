#pragma once

#include <QRegularExpression>
#include <QTest>

// All warnings but Qt Multimedia's word that there is no sound server (the machine's state).
inline QRegularExpression failingWarnings()
{
    return QRegularExpression(QStringLiteral("^(?!PulseAudioService: pa_context_connect)"));
}

// Every warning or error (console.error in QML) fails the test function that caused it: QtTest
// forgets failOnWarning() after each function, so it is set again before every such message (one
// announced by ignoreMessage still only counts as seen). Call it inside a test function.
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
