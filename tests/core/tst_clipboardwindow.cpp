// The 800 ms rule for clipboard changes, on a clock the test moves by hand.
#include "clipboardwindow.h"

#include <QtTest>

class TestClipboardWindow : public QObject
{
    Q_OBJECT

    qint64 nowMs = 0;
    ClipboardWindow window {[this] { return nowMs; }};

    // Moves the clock to `ms` after the start and reports one change.
    bool changeAt(qint64 ms, bool watching = true)
    {
        nowMs = Start + ms;
        return window.change(watching);
    }

    static constexpr qint64 Start = 1'700'000'000'000; // a plausible epoch time

private slots:
    void init()
    {
        window = ClipboardWindow([this] { return nowMs; });
    }

    void changes500msApartGiveOneReport()
    {
        QVERIFY(changeAt(0));
        QVERIFY(!changeAt(500));
    }

    void changes800msApartGiveTwoReports()
    {
        QVERIFY(changeAt(0));
        QVERIFY(changeAt(800));
        QCOMPARE(window.lastReportMs(), Start + 800);
    }

    void windowRunsFromTheLastReportNotTheLastChange()
    {
        // A change every 300 ms: reported at 0, 900, 1800 (the changes in between do not push
        // the window on).
        QList<qint64> reported;
        for (qint64 t = 0; t <= 2100; t += 300) {
            if (changeAt(t))
                reported.append(t);
        }
        QCOMPARE(reported, (QList<qint64> {0, 900, 1800}));
    }

    void changesWhileStoppedCountForNothingAndLeaveTheWindow()
    {
        QVERIFY(!changeAt(0, false));
        QCOMPARE(window.lastReportMs(), 0);

        QVERIFY(changeAt(100));
        QVERIFY(!changeAt(700, false));
        QCOMPARE(window.lastReportMs(), Start + 100);
        // Measured from the report at 100, not from the ignored change at 700.
        QVERIFY(changeAt(900));
    }
};

QTEST_GUILESS_MAIN(TestClipboardWindow)
#include "tst_clipboardwindow.moc"
