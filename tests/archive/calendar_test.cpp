// The calendar's geometry: month lengths, where days fall in the grid, and what presses on the
// arrows and the grid do.

#include "archive/calendar.h"

#include <QRect>
#include <QTest>

using namespace qtx;

namespace {

constexpr int W = 1147;
constexpr int H = 540;

// A day's cell as the calendar draws it in a w x h picture, so presses are checked against what
// the user sees.
QRect DrawnCell(int day, QDate month, int w = W, int h = H)
{
    const CalendarCell c = CellOfDay(day, WeekdayOfFirst(month.year(), month.month()));
    return QRect(QPoint(CellLeft(w, c.column), CellTop(h, c.row)),
                 QPoint(CellLeft(w, c.column + 1) - 1, CellTop(h, c.row + 1) - 1));
}

QPoint CentreOf(int day, QDate month)
{
    return DrawnCell(day, month).center();
}

// The day drawn at a spot of the picture, 0 for none.
int DayDrawnAt(int w, int h, QPoint spot, QDate month)
{
    for (int d = 1; d <= DaysInMonth(month.month(), month.year()); ++d)
        if (DrawnCell(d, month, w, h).contains(spot))
            return d;
    return 0;
}

} // namespace

class CalendarTest : public QObject {
    Q_OBJECT

private slots:
    void monthLengths()
    {
        const int lengths[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
        for (int m = 1; m <= 12; ++m)
            QCOMPARE(DaysInMonth(m, 2023), lengths[m - 1]);
        QCOMPARE(DaysInMonth(2, 2024), 29);
        QCOMPARE(DaysInMonth(2, 2000), 29);
        QCOMPARE(DaysInMonth(2, 1900), 28);
        QCOMPARE(DaysInMonth(2, 2100), 28);
    }

    void may2021StartsOnSaturday()
    {
        QCOMPARE(WeekdayOfFirst(2021, 5), 7);
        const CalendarCell first = CellOfDay(1, 7);
        QCOMPARE(first.column, 6);
        QCOMPARE(first.row, 0);
        const CalendarCell last = CellOfDay(31, 7);
        QCOMPARE(last.column, 1); // Monday
        QCOMPARE(last.row, 5);
    }

    void february2015FillsFourRows()
    {
        QCOMPARE(WeekdayOfFirst(2015, 2), 1);
        QCOMPARE(CellOfDay(1, 1).column, 0);
        QCOMPARE(CellOfDay(1, 1).row, 0);
        QCOMPARE(CellOfDay(28, 1).column, 6);
        QCOMPARE(CellOfDay(28, 1).row, 3);
    }

    void everyDrawnCellOpensItsDay()
    {
        // A press anywhere in a day's drawn cell, up to its lines, opens that day, at sizes whose
        // eighths are not whole; the grid lies inside the picture, clear of the arrows.
        const QDate may(2021, 5, 1);
        for (const QSize size : {QSize(W, H), QSize(1123, 701), QSize(643, 389)})
            for (int d = 1; d <= 31; ++d) {
                const QRect inner = DrawnCell(d, may, size.width(), size.height()).adjusted(1, 1, 0, 0);
                for (const QPoint p : {inner.topLeft(), inner.topRight(), inner.bottomLeft(), inner.bottomRight()})
                    QCOMPARE(HitTestCalendar(size.width(), size.height(), p.x(), p.y(), may).day, d);
            }
        QVERIFY(DrawnCell(1, QDate(2021, 8, 1)).left() >= 40); // a Sunday: the first column
        QVERIFY(DrawnCell(31, may).bottom() < H);              // the sixth row
        QVERIFY(DrawnCell(1, may).right() < W - 40);           // a Saturday: the last column
    }

    void pressAtTheHitTestExample()
    {
        // The first row before the 1st (a Saturday in May 2021) is empty and opens nothing.
        const CalendarHit hit = HitTestCalendar(W, H, 500, 100, QDate(2021, 5, 11));
        QVERIFY(hit.gridBand);
        QCOMPARE(hit.day, 0);
        QCOMPARE(hit.shownMonth, QDate(2021, 5, 11));
    }

    void pressOnDays()
    {
        const QDate may(2021, 5, 1);
        for (int d : {1, 2, 15, 30, 31}) {
            const QPoint p = CentreOf(d, may);
            QCOMPARE(HitTestCalendar(W, H, p.x(), p.y(), may).day, d);
        }
        const QDate feb2024(2024, 2, 1);
        QCOMPARE(HitTestCalendar(W, H, CentreOf(29, feb2024).x(), CentreOf(29, feb2024).y(), feb2024).day, 29);
        // The cell after 28 February 2023 is empty.
        const QDate feb2023(2023, 2, 1);
        const QRect last = DrawnCell(28, feb2023);
        const QPoint after = last.center() + QPoint(last.width(), 0);
        QCOMPARE(HitTestCalendar(W, H, after.x(), after.y(), feb2023).day, 0);
        // The heading band and the band below the grid open nothing but still count as grid presses.
        CalendarHit heading = HitTestCalendar(W, H, CentreOf(1, may).x(), 30, may);
        QVERIFY(heading.gridBand);
        QCOMPARE(heading.day, 0);
        QCOMPARE(HitTestCalendar(W, H, CentreOf(1, may).x(), H - 5, may).day, 0);
        // Outside the grid band: no grid press at all.
        QVERIFY(!HitTestCalendar(W, H, W / 16, 200, may).gridBand);
        QVERIFY(!HitTestCalendar(W, H, 15 * W / 16, 200, may).gridBand);
        QVERIFY(HitTestCalendar(W, H, W / 16 + 1, 200, may).gridBand);
    }

    void arrowsStepMonthsAcrossYears()
    {
        const int y = H / 2;
        CalendarHit hit = HitTestCalendar(W, H, 25, y, QDate(2021, 1, 20));
        QCOMPARE(hit.shownMonth, QDate(2020, 12, 1));
        QVERIFY(!hit.gridBand);
        hit = HitTestCalendar(W, H, W - 25, y, QDate(2021, 12, 31));
        QCOMPARE(hit.shownMonth, QDate(2022, 1, 1));
        QCOMPARE(HitTestCalendar(W, H, W - 25, y, QDate(2021, 1, 31)).shownMonth, QDate(2021, 2, 1));
    }

    void arrowBandEdges_data()
    {
        QTest::addColumn<int>("x");
        QTest::addColumn<int>("y");
        QTest::addColumn<QDate>("shown");
        const QDate may(2021, 5, 1);
        const QDate april(2021, 4, 1);
        const QDate june(2021, 6, 1);
        QTest::newRow("x = 10") << 10 << H / 2 << may;
        QTest::newRow("x = 11") << 11 << H / 2 << april;
        QTest::newRow("x = 39") << 39 << H / 2 << april;
        QTest::newRow("x = 40") << 40 << H / 2 << may;
        QTest::newRow("top edge") << 25 << H / 2 - 15 << may;
        QTest::newRow("inside top edge") << 25 << H / 2 - 14 << april;
        QTest::newRow("inside bottom edge") << 25 << H / 2 + 14 << april;
        QTest::newRow("bottom edge") << 25 << H / 2 + 15 << may;
        QTest::newRow("x = W - 40") << W - 40 << H / 2 << may;
        QTest::newRow("x = W - 39") << W - 39 << H / 2 << june;
        QTest::newRow("x = W - 11") << W - 11 << H / 2 << june;
        QTest::newRow("x = W - 10") << W - 10 << H / 2 << may;
    }
    void arrowBandEdges()
    {
        QFETCH(int, x);
        QFETCH(int, y);
        QFETCH(QDate, shown);
        QCOMPARE(HitTestCalendar(W, H, x, y, QDate(2021, 5, 1)).shownMonth, shown);
    }

    void narrowPictureMayHitArrowAndGridAtOnce()
    {
        // At 400 pixels the grid band starts inside the left arrow: the month steps back and the
        // day is read in the month now shown.
        const int w = 400;
        const int h = 540;
        const CalendarHit hit = HitTestCalendar(w, h, 30, h / 2, QDate(2021, 5, 1));
        QCOMPARE(hit.shownMonth, QDate(2021, 4, 1));
        QVERIFY(hit.gridBand);
        QCOMPARE(hit.day, DayDrawnAt(w, h, QPoint(30, h / 2), QDate(2021, 4, 1)));
        QVERIFY(hit.day != 0);
    }

    void tinyPictureIgnoresPresses()
    {
        const CalendarHit hit = HitTestCalendar(7, 300, 3, 150, QDate(2021, 5, 1));
        QVERIFY(!hit.gridBand);
        QCOMPARE(hit.shownMonth, QDate(2021, 5, 1));
        QVERIFY(!HitTestCalendar(300, 7, 150, 3, QDate(2021, 5, 1)).gridBand);
        QVERIFY(!HitTestCalendar(0, 0, 0, 0, QDate(2021, 5, 1)).gridBand);
    }

    void monthTitles()
    {
        const QStringList names{"january", "february", "march",     "april",   "may",      "june",
                                "july",    "august",   "september", "october", "november", "december"};
        QCOMPARE(MonthTitle(QDate(2021, 5, 11), names), QString("may 2021"));
        QCOMPARE(MonthTitle(QDate(987, 12, 1), names), QString("december 987"));
    }
};

QTEST_APPLESS_MAIN(CalendarTest)
#include "calendar_test.moc"
