// The 800 ms rule for clipboard changes, on a clock the test moves by hand.
#include "../failonwarnings.h"
#include "clipboardwindow.h"

#include <QtTest>

using Changes = QList<QPair<qint64, bool>>; // (ms after the start, proctor running)

class TestClipboardWindow : public QObject
{
    Q_OBJECT

private slots:
    void init() { QTest::failOnWarning(failingWarnings()); }
    void reports_data()
    {
        QTest::addColumn<Changes>("changes");
        QTest::addColumn<QList<qint64>>("reported");
        QTest::newRow("800 ms apart: two")
            << Changes {{0, true}, {800, true}} << QList<qint64> {0, 800};
        // The window runs from the last report, not the last change.
        Changes every300;
        for (qint64 t = 0; t <= 2100; t += 300)
            every300.append({t, true});
        QTest::newRow("every 300 ms") << every300 << QList<qint64> {0, 900, 1800};
        // A change while stopped counts for nothing and does not move the window.
        QTest::newRow("stopped in between")
            << Changes {{0, false}, {100, true}, {700, false}, {900, true}}
            << QList<qint64> {100, 900};
    }
    void reports()
    {
        QFETCH(Changes, changes);
        QFETCH(QList<qint64>, reported);
        constexpr qint64 start = 1'700'000'000'000; // a plausible epoch time
        qint64 now = 0;
        ClipboardWindow window([&now] { return now; });
        QList<qint64> got;
        for (const auto &[ms, running] : changes) {
            now = start + ms;
            if (window.change(running))
                got.append(ms);
        }
        QCOMPARE(got, reported);
        QCOMPARE(window.lastReportMs(), start + reported.last());
    }
};

QTEST_GUILESS_MAIN(TestClipboardWindow)
#include "tst_clipboardwindow.moc"
