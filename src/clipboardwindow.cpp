#include "clipboardwindow.h"

#include <QDateTime>

ClipboardWindow::ClipboardWindow() : ClipboardWindow(&QDateTime::currentMSecsSinceEpoch) { }

ClipboardWindow::ClipboardWindow(Clock clock) : now(std::move(clock)) { }

bool ClipboardWindow::change(bool watching)
{
    if (!watching)
        return false;
    const qint64 at = now();
    if (at - lastReport < WindowMs)
        return false;
    lastReport = at;
    return true;
}
