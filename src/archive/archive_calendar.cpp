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

namespace {

// The three lines of a day's cell.
struct DayLines {
    QString hits;
    QString users; // empty with a user filter set
    QString time;
};

// Where a cell's lines go: one type size for the whole month, the largest up to the calendar's
// own that keeps the month's longest lines inside their cells; the lines at the height of the day
// number start clear of it. Below the smallest size the lines are shortened.
class CellLayout {
public:
    CellLayout(int W, int H, const QFont& dayFont, int pixelSize)
        : W_(W),
          H_(H),
          font_(qtx::FixedFont(false, pixelSize))
    {
        const QFontMetrics day(dayFont);
        numberH_ = day.height();
        numberW_ = day.horizontalAdvance(QStringLiteral("00"));
        const QFontMetrics m(font_);
        lineH_ = m.height();
    }

    const QFont& Font() const { return font_; }
    int LineHeight() const { return lineH_; }
    // The tops of the lines in a cell, from the cell's top.
    int HitsTop() const { return 3; }
    int UsersTop() const { return std::max(HitsTop() + lineH_, H_ / 16 - lineH_ / 2); }
    int TimeTop() const { return H_ / 8 - 2 - lineH_; }
    // Whether the lines keep apart within the cell's height.
    bool FitsHeight(bool users) const
    {
        return HitsTop() + lineH_ <= (users ? UsersTop() : TimeTop()) && (!users || UsersTop() + lineH_ <= TimeTop());
    }
    // The room a line starting at top has: right of the day number where it shares its height.
    int Room(int top) const
    {
        const int right = W_ / 8 - 3;
        const bool besideNumber = top < 2 + numberH_;
        return right - (besideNumber ? 4 + numberW_ + 4 : 3);
    }
    bool Fits(const DayLines& lines) const
    {
        const QFontMetrics m(font_);
        return FitsHeight(!lines.users.isEmpty()) && m.horizontalAdvance(lines.hits) <= Room(HitsTop())
               && m.horizontalAdvance(lines.users) <= Room(UsersTop())
               && m.horizontalAdvance(lines.time) <= Room(TimeTop());
    }

private:
    int W_;
    int H_;
    QFont font_;
    int numberH_ = 0;
    int numberW_ = 0;
    int lineH_ = 0;
};

constexpr int SmallestCellPixels = 7;

CellLayout ChooseCellLayout(int W, int H, const QFont& dayFont, int pixelSize, const std::vector<DayLines>& days)
{
    for (int size = pixelSize; size > SmallestCellPixels; --size) {
        CellLayout layout(W, H, dayFont, size);
        if (std::all_of(days.begin(), days.end(), [&](const DayLines& d) { return layout.Fits(d); }))
            return layout;
    }
    return CellLayout(W, H, dayFont, SmallestCellPixels);
}

} // namespace

void TForm5::PaintCalendar(QPainter& p, int W, int H, QPoint hover, bool onPaper, const qtx::MonthFigures* shown)
{
    const int Y = shownMonth.year();
    const int M = shownMonth.month();
    const int N = qtx::DaysInMonth(M, Y);
    const int F = qtx::WeekdayOfFirst(Y, M);
    const qtx::UserFilter filter = CurrentFilter();
    const qtx::MonthFigures& figures =
        shown != nullptr ? *shown : figures_.Get(EventStore, Y, M, filter, CurrentMode(), Ports());

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

    std::vector<DayLines> lines;
    for (int d = 1; d <= N; ++d) {
        const qtx::DayFigures& day = figures.day[static_cast<std::size_t>(d - 1)];
        lines.push_back({QString::number(day.hits) + QLatin1Char(' ') + EventsText,
                         filter.all ? QString::number(day.users) + QLatin1Char(' ') + UsersText : QString(),
                         qtx::FormatDuration(day.seconds)});
    }
    const CellLayout layout = ChooseCellLayout(W, H, dayFont, regular.pixelSize(), lines);

    // The tinted cell is the one a press there would open.
    const qtx::CalendarHit hovered = qtx::HitTestCalendar(W, H, hover.x(), hover.y(), shownMonth);
    const int hoverDay = hovered.shownMonth == shownMonth ? hovered.day : 0;
    for (int d = 1; d <= N; ++d) {
        const qtx::CalendarCell cell = qtx::CellOfDay(d, F);
        const int x0 = qtx::CellLeft(W, cell.column);
        const int y0 = qtx::CellTop(H, cell.row);
        QColor background = White;
        if (d == hoverDay) {
            background = HoverGreen;
            p.fillRect(QRect(QPoint(x0 + 1, y0 + 2),
                             QPoint(qtx::CellLeft(W, cell.column + 1) - 1, qtx::CellTop(H, cell.row + 1) - 1)),
                       background);
        }
        const qtx::DayFigures& day = figures.day[static_cast<std::size_t>(d - 1)];
        const bool sunday = cell.column == 0;
        p.setFont(dayFont);
        TextOut(p, x0 + 4, y0 + 2, QString::number(d),
                day.hits > 0 ? (sunday ? Red : Black) : (sunday ? EmptySunday : EmptyDay), background);

        // Each line right-aligned inside the cell, in the month's type size; a line still too long
        // at the smallest size is shortened, so no text crosses the grid.
        p.setFont(layout.Font());
        const QFontMetrics m = p.fontMetrics();
        const int right = x0 + W / 8 - 3;
        const DayLines& text = lines[static_cast<std::size_t>(d - 1)];
        const auto line = [&](const QString& t, int top) {
            const QString fitted = m.elidedText(t, Qt::ElideRight, layout.Room(top));
            TextOut(p, right - TextWidth(p, fitted), y0 + top, fitted, Black, background);
        };
        line(text.time, layout.TimeTop());
        line(text.hits, layout.HitsTop());
        if (!text.users.isEmpty())
            line(text.users, layout.UsersTop());
    }

    // On paper the page's heading names the month, and the month buttons have nothing to do.
    if (!onPaper) {
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
    }

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
