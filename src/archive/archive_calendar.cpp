// TForm5's calendar: drawing the month picture and what presses on it do.

#include "archive/archive_window.h"

#include "archive/calendar.h"
#include "archive/day_list_window.h"
#include "base/widgets/fonts.h"

#include <QComboBox>
#include <QPainter>
#include <algorithm>

namespace {

const QColor White(255, 255, 255);
const QColor Grey(128, 128, 128);
const QColor Red(255, 0, 0);
const QColor Black(0, 0, 0);
const QColor Blue(0, 0, 255);
const QColor HoverGreen(221, 255, 221);
const QColor EmptySunday(205, 50, 50);
const QColor EmptyDay(170, 170, 170);

// Point sizes as a 96 dpi canvas turns them into pixel heights.
QFont CalendarFont(int points, bool bold)
{
    return qtx::FixedFont(bold, (points * 96 + 36) / 72);
}

// Text with its top-left corner at (left, top) on a box of the background colour, as the
// canvas writes text with a solid brush.
void TextOut(QPainter& p, int left, int top, const QString& text, const QColor& color, const QColor& background)
{
    const QFontMetrics m = p.fontMetrics();
    p.fillRect(QRect(left, top, m.horizontalAdvance(text), m.height()), background);
    p.setPen(color);
    p.drawText(left, top + m.ascent(), text);
}

int TextWidth(const QPainter& p, const QString& text)
{
    return p.fontMetrics().horizontalAdvance(text);
}

int TextHeight(const QPainter& p)
{
    return p.fontMetrics().height();
}

// A 1-pixel line from (x1, y1) up to, not including, (x2, y2).
void LineTo(QPainter& p, int x1, int y1, int x2, int y2)
{
    if (x1 == x2 && y1 != y2)
        p.drawLine(x1, y1, x2, y2 > y1 ? y2 - 1 : y2 + 1);
    else if (y1 == y2 && x1 != x2)
        p.drawLine(x1, y1, x2 > x1 ? x2 - 1 : x2 + 1, y2);
}

} // namespace

void TForm5::DrawCalendar()
{
    const int W = Image1->width();
    const int H = Image1->height();
    if (W <= 0 || H <= 0) {
        Picture = QImage();
        Image1->update();
        return;
    }
    if (Picture.size() != QSize(W, H))
        Picture = QImage(W, H, QImage::Format_RGB32);
    Picture.fill(White);
    QPainter p(&Picture);
    PaintCalendar(p, W, H, QPoint(hoverX, hoverY));
    p.end();
    Image1->update();
}

void TForm5::PaintCalendar(QPainter& p, int W, int H, QPoint hover)
{
    const int Y = shownMonth.year();
    const int M = shownMonth.month();
    const int N = qtx::DaysInMonth(M, Y);
    const int F = qtx::WeekdayOfFirst(Y, M);
    const qtx::UserFilter filter = CurrentFilter();
    const qtx::MonthFigures& figures = figures_.Get(EventStore, Y, M, filter, CurrentMode(), Ports());

    const QFont regular = CalendarFont(10, false);
    const QFont bold = CalendarFont(10, true);
    const QFont dayFont = CalendarFont(18, true);
    const QFont arrowFont = CalendarFont(16, true);

    p.setPen(Grey);
    for (int i = 0; i <= 7; ++i)
        LineTo(p, i * W / 8 + W / 16, H / 8, i * W / 8 + W / 16, 7 * H / 8);
    for (int j = 1; j <= 7; ++j)
        LineTo(p, W / 16, j * H / 8, 15 * W / 16, j * H / 8);

    p.setFont(regular);
    const int headingTop = H / 8 - 2 - TextHeight(p);
    for (int k = 1; k <= 7; ++k) {
        const QString name = k <= DayNames.size() ? DayNames[k - 1] : QString();
        TextOut(p, k * W / 8 - TextWidth(p, name) / 2, headingTop, name, k == 1 ? Red : Black, White);
    }

    for (int d = 1; d <= N; ++d) {
        const qtx::CalendarCell cell = qtx::CellOfDay(d, F);
        const int x0 = qtx::CellLeft(W, cell.column);
        const int y0 = qtx::CellTop(H, cell.row);
        QColor background = White;
        if (x0 < hover.x() && hover.x() < x0 + W / 8 && y0 < hover.y() && hover.y() < y0 + H / 8) {
            background = HoverGreen;
            p.fillRect(QRect(x0 + 1, y0 + 2, W / 8 - 1, H / 8 - 2), background);
        }
        const qtx::DayFigures& day = figures.day[static_cast<std::size_t>(d - 1)];
        const bool sunday = cell.column == 0;
        p.setFont(dayFont);
        const QString number = QString::number(d);
        TextOut(p, x0 + 4, y0 + 2, number, day.hits > 0 ? (sunday ? Red : Black) : (sunday ? EmptySunday : EmptyDay),
                background);
        // The lines beside the day number start clear of it, however long their counts: their
        // solid background must not cover a second digit.
        const int besideNumber = x0 + 4 + TextWidth(p, number) + 4;

        p.setFont(regular);
        const int right = x0 + W / 8 - 4;
        const QString time = qtx::FormatDuration(day.seconds);
        TextOut(p, right - TextWidth(p, time), y0 + H / 8 - 4 - TextHeight(p), time, Black, background);
        const QString hits = QString::number(day.hits) + QLatin1Char(' ') + EventsText;
        TextOut(p, std::max(right - TextWidth(p, hits), besideNumber), y0 + 4, hits, Black, background);
        if (filter.all) {
            const QString users = QString::number(day.users) + QLatin1Char(' ') + UsersText;
            TextOut(p, std::max(right - TextWidth(p, users), besideNumber), y0 + H / 16 - TextHeight(p) / 2, users,
                    Black, background);
        }
    }

    p.setFont(arrowFont);
    TextOut(p, 13, H / 2 - 12, QStringLiteral("<"), Blue, White);
    TextOut(p, W - 13 - TextWidth(p, QStringLiteral(">")), H / 2 - 12, QStringLiteral(">"), Blue, White);
    p.setPen(Black);
    p.setBrush(Qt::NoBrush);
    p.drawRect(10, H / 2 - 15, 29, 29);
    p.drawRect(W - 40, H / 2 - 15, 29, 29);

    p.setFont(bold);
    const QString title = qtx::MonthTitle(shownMonth, MonthNames);
    TextOut(p, W / 2 - TextWidth(p, title) / 2, H / 16 - TextHeight(p) / 2, title, Black, White);

    p.setFont(regular);
    const int half = TextHeight(p) / 2;
    TextOut(p, W / 16, 3 * H / 48 + 7 * H / 8 - half,
            TotalHitsText + QStringLiteral(": ") + QString::number(figures.hits), Black, White);
    TextOut(p, W / 16, 5 * H / 48 + 7 * H / 8 - half,
            TotalTimeText + QStringLiteral(": ") + qtx::FormatDuration(figures.seconds), Black, White);
}

void TForm5::HitTest(int x, int y)
{
    const qtx::CalendarHit hit = qtx::HitTestCalendar(Image1->width(), Image1->height(), x, y, shownMonth);
    shownMonth = hit.shownMonth;
    if (!hit.gridBand)
        return;
    lastClickX = x;
    lastClickY = y;
    dayListOpen = true;
    if (hit.day != 0)
        DayList->ShowDayList(shownMonth.year(), shownMonth.month(), hit.day);
}

void TForm5::Image1MouseMove(int x, int y)
{
    hoverX = x;
    hoverY = y;
    DrawCalendar();
}

void TForm5::Image1MouseDown(int x, int y)
{
    HitTest(x, y);
    DrawCalendar();
}
