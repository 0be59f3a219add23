#pragma once

#include <QtGlobal>

#include <functional>

// The rule for reporting clipboard changes: a change counts while watching, unless it comes
// less than 800 ms after the last change that was reported. The window runs from the last
// report, not from the last change, so a burst of changes gives one report and a steady
// stream one report every 800 ms. Changes while not watching count for nothing and leave the
// window where it was.
class ClipboardWindow
{
public:
    static constexpr qint64 WindowMs = 800;
    // Milliseconds since the Unix epoch.
    using Clock = std::function<qint64()>;

    // Reads the system clock.
    ClipboardWindow();
    explicit ClipboardWindow(Clock clock);

    // Takes one clipboard change; true when it is to be reported.
    bool change(bool watching);

    // Time of the last reported change, 0 before the first.
    qint64 lastReportMs() const { return lastReport; }

private:
    Clock now;
    qint64 lastReport = 0;
};
