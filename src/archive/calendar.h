#pragma once
// The month calendar's geometry: where each day's cell lies in the picture and what a press hits.

#include <QDate>
#include <QString>
#include <QStringList>

namespace qtx {

// 31, 30, or 28/29 for February by the Gregorian leap rule.
int DaysInMonth(int month, int year);

// Weekday of the 1st of the month, 1 = Sunday ... 7 = Saturday.
int WeekdayOfFirst(int year, int month);

// Grid column (0 = Sunday) and row (0 = first grid row) of a day of the month.
struct CalendarCell {
    int column = 0;
    int row = 0;
};
CalendarCell CellOfDay(int day, int weekdayOfFirst);

// Top-left corner of a grid cell in a picture of the given size: where its left and top lines
// are drawn.
int CellLeft(int width, int column);
int CellTop(int height, int row);

// What a press on the picture does: the month shown afterwards, whether it fell in the grid
// band (which marks the day list as open), and the day whose list opens (0 for none).
struct CalendarHit {
    QDate shownMonth;
    bool gridBand = false;
    int day = 0;
};
// A picture too small to hold a grid (W/8 or H/8 is 0) ignores presses.
CalendarHit HitTestCalendar(int width, int height, int x, int y, QDate shownMonth);

// The month's name from the twelve names (January first), a space and the year.
QString MonthTitle(QDate date, const QStringList& monthNames);

} // namespace qtx
