#include "archive/calendar.h"

namespace qtx {

int DaysInMonth(int month, int year)
{
    switch (month) {
    case 4:
    case 6:
    case 9:
    case 11:
        return 30;
    case 2:
        return (year % 4 == 0 && (year % 100 != 0 || year % 400 == 0)) ? 29 : 28;
    default:
        return 31;
    }
}

int WeekdayOfFirst(int year, int month)
{
    return QDate(year, month, 1).dayOfWeek() % 7 + 1; // Qt counts Monday 1 ... Sunday 7
}

CalendarCell CellOfDay(int day, int weekdayOfFirst)
{
    const int i = day - 1 + weekdayOfFirst - 1;
    return {i % 7, i / 7};
}

int CellLeft(int width, int column)
{
    return width / 16 + column * width / 8;
}

int CellTop(int height, int row)
{
    return (row + 1) * height / 8;
}

CalendarHit HitTestCalendar(int width, int height, int x, int y, QDate shownMonth)
{
    CalendarHit hit;
    hit.shownMonth = shownMonth;
    const int w = width;
    const int h = height;
    if (w / 8 == 0 || h / 8 == 0)
        return hit;
    if (h / 2 - 15 < y && y < h / 2 + 15) {
        const QDate first(shownMonth.year(), shownMonth.month(), 1);
        if (10 < x && x < 40)
            hit.shownMonth = first.addMonths(-1);
        else if (w - 40 < x && x < w - 10)
            hit.shownMonth = first.addMonths(1);
    }
    if (w / 16 < x && x < 15 * w / 16) {
        hit.gridBand = true;
        const int year = hit.shownMonth.year();
        const int month = hit.shownMonth.month();
        // The grid lines stand at w/16 + c*w/8 and r*h/8 (rounded down): the cell is the one
        // whose lines enclose the press, so a press just inside a line opens the day drawn there.
        const int column = (8 * (x - w / 16) + 7) / w + 1;
        const int row = (8 * y + 7) / h;
        const int d = row * 7 + column - WeekdayOfFirst(year, month) - 6;
        if (d >= 1 && d <= DaysInMonth(month, year))
            hit.day = d;
    }
    return hit;
}

QString MonthTitle(QDate date, const QStringList& monthNames)
{
    const int m = date.month();
    const QString name = m >= 1 && m <= monthNames.size() ? monthNames[m - 1] : QString();
    return name + QLatin1Char(' ') + QString::number(date.year());
}

} // namespace qtx
