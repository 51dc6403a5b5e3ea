// The archive window and the day list: the file panel, loading with progress and its failures,
// the user filter and counting mode, the layout, the drawn calendar and the day event list.

#include "archive/archive_window.h"
#include "archive/calendar.h"
#include "archive/day_event_model.h"
#include "archive/day_list_window.h"
#include "archive_test_data.h"
#include "base/errors.h"
#include "support/forms_fixture.h"

#include <QAbstractItemModel>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPolygon>
#include <QProgressBar>
#include <QPushButton>
#include <QScopeGuard>
#include <QTemporaryDir>

using namespace qtx;
using namespace qtx::test;

namespace {

const QString Texts = QStringLiteral(
    "FOUND FILES\tZNALEZIONE PLIKI\t\nSELECT/UNSELECT ALL\tZAZNACZ/ODZNACZ WSZYSTKIE\t\nCLOSE\tZAMKNIJ\t\n"
    "LOAD FILES\tWCZYTAJ PLIKI\t\nFILE INFORMATION\tINFO O PLIKU\t\nDATE\tDATA\t\nFILE SIZE\tROZMIAR PLIKU\t\n"
    "EVENTS\tILOŚĆ ODBIĆ\t\nFILTER\tFILTR\t\nALL\tWSZYSCY\t\nDAILY\tDZIENNY\t\nDAY/NIGHT\tDZIEŃ/NOC\t\n"
    "DAILY (IGNORE I/O TYPE)\tDZIENNY (BEZ RODZAJU WE/WY)\t\nLIST OF EVENTS\tLISTA ZDARZEŃ\t\n"
    "TOTAL HITS\tSUMA ODBIĆ\t\nTOTAL TIME\tCZAS ŁĄCZNIE\t\nACCEPTED\tZAAKCEPTOWANE\t\nDENIED\tODRZUCONE\t\n"
    "CARD\tKARTA\t\nON\tNA\t\nUSERS\tUŻYTKOWNICY\t\nMAY\tMAJ\t\nSUNDAY\tNIEDZIELA\t\nMONDAY\tPONIEDZIAŁEK\t\n"
    "THE FILE NAME IS NOT A DATE\tNAZWA PLIKU NIE JEST DATĄ\t\n");

const QByteArray In = "IN";
const QByteArray Out = "OUT";

QByteArray UserRecord(const QByteArray& id, const QByteArray& name)
{
    return QByteArray(8, '\0') + id + 'u' + '\0' + "\x21\x22" + '\0' + name + "\r\n";
}

// May 2021: events on Sunday the 2nd (one at a third port) and Tuesday the 11th (one denied,
// one from an empty line), only denied ones on the 12th; a header-only file on 30 April.
void WriteMay(const QTemporaryDir& dir)
{
    WriteBytes(dir.filePath("20210430.csv"), EventFile({}));
    WriteBytes(dir.filePath("20210502.csv"), EventFile({EventLine("0002", 10, 0, 0, true, true, "Anna", In),
                                                        EventLine("0002", 10, 30, 0, true, true, "Anna", "BELL"),
                                                        EventLine("0002", 11, 0, 0, true, true, "Anna", Out)}));
    WriteBytes(dir.filePath("20210511.csv"), EventFile({EventLine("0001", 7, 5, 9, true, true, "Piotr", In),
                                                        EventLine("0002", 8, 0, 0, true, false, "Anna", In),
                                                        EventLine("0009", 8, 30, 0, false, true, "nieznana karta", In),
                                                        "", EventLine("0001", 15, 35, 9, true, true, "Piotr", Out),
                                                        EventLine("0002", 16, 0, 0, true, false, "Anna", Out)}));
    WriteBytes(dir.filePath("20210512.csv"), EventFile({EventLine("0009", 9, 0, 0, false, true, "x", In)}));
    WriteBytes(dir.filePath("USERS.txt"), UserRecord("0001", "Piotr Nowak") + UserRecord("0002", "Anna Kowalska")
                                              + UserRecord("0003", "Marta Wi\x9cniewska"));
}

void Open(const QString& folder)
{
    // As the main window's archive button does.
    Form5->OpenFolder(folder + QLatin1Char('/'));
    Form5->ComboBox1->hide();
    Form5->Label9->hide();
    Form5->SetPortNames("IN", "OUT");
    Form5->show();
    QVERIFY(QTest::qWaitForWindowExposed(Form5));
}

// The pixels of an area that match.
template <class Match>
QPolygon Find(const QImage& image, const QRect& area, Match match)
{
    QPolygon found;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (match(image.pixelColor(x, y)))
                found << QPoint(x, y);
    return found;
}

const auto Is = [](const QColor& colour) { return [rgb = colour.rgb()](const QColor& c) { return c.rgb() == rgb; }; };

bool HasColour(const QImage& image, const QRect& area, const QColor& colour)
{
    return !Find(image, area, Is(colour)).isEmpty();
}

const auto IsInk = [](const QColor& c) { return c.lightness() < 110; }; // small type is drawn in greys

const QColor Grey(128, 128, 128);

// The calendar's grid as found in a picture: the grey lines running across most of it.
struct Grid {
    QList<int> xs; // vertical lines, left to right
    QList<int> ys; // horizontal lines, top to bottom

    // The inside of a day's cell in the archive's shown month, its lines left out.
    QRect CellOf(int day) const
    {
        const CalendarCell c = CellOfDay(day, WeekdayOfFirst(Form5->shownMonth.year(), Form5->shownMonth.month()));
        return QRect(QPoint(xs.value(c.column) + 1, ys.value(c.row) + 1),
                     QPoint(xs.value(c.column + 1) - 1, ys.value(c.row + 1) - 1));
    }
};

Grid FindGrid(const QImage& picture)
{
    const int w = picture.width();
    const int h = picture.height();
    Grid grid;
    for (int x = 0; x < w; ++x)
        if (Find(picture, QRect(x, 0, 1, h), Is(Grey)).size() > h / 2)
            grid.xs << x;
    for (int y = 0; y < h; ++y)
        if (Find(picture, QRect(0, y, w, 1), Is(Grey)).size() > w / 2)
            grid.ys << y;
    return grid;
}

// Seven columns by six rows of cells alike within a pixel, of whole lines (a text's box over a
// line would wipe it), with half a cell either side for the month buttons and a row's height above
// for the headings and below for the totals.
bool IsSoundGrid(const QImage& picture, const Grid& g)
{
    if (g.xs.size() != 8 || g.ys.size() != 7)
        return false;
    const int across = g.xs.last() - g.xs.first();
    const int down = g.ys.last() - g.ys.first();
    for (int i = 0; i < 8; ++i) {
        if (Find(picture, QRect(g.xs[i], g.ys.first(), 1, down), Is(Grey)).size() != down
            || (i < 7 && Find(picture, QRect(g.xs.first(), g.ys[i], across, 1), Is(Grey)).size() != across))
            return false;
        if (i > 0
            && (qAbs(7 * (g.xs[i] - g.xs[i - 1]) - across) > 7
                || (i < 7 && qAbs(6 * (g.ys[i] - g.ys[i - 1]) - down) > 6)))
            return false;
    }
    const int right = picture.width() - 1 - g.xs.last();
    const int below = picture.height() - 1 - g.ys.last();
    return qAbs(14 * g.xs.first() - across) <= 14 && qAbs(14 * right - across) <= 14
           && qAbs(6 * g.ys.first() - down) <= 6 && qAbs(6 * below - down) <= 6;
}

// Where a day's number stands: its cell's top left, clear of short lines of figures.
const auto NumberArea = [](const QRect& cell) { return QRect(cell.topLeft(), cell.size() / 3); };

// One of a cell's three lines (0 at the top), right-aligned: the middle one is the users line.
QRect LineArea(const QRect& cell, int line)
{
    return QRect(cell.center().x(), cell.top() + line * cell.height() / 3, cell.width() / 2, cell.height() / 3);
}

// The day list's lines, or the filter's entries.
QStringList Rows(const QAbstractItemModel* model)
{
    QStringList rows;
    for (int i = 0; i < model->rowCount(); ++i)
        rows << model->index(i, 0).data().toString();
    return rows;
}

} // namespace

class ArchiveWindowTest : public QObject {
    Q_OBJECT

private slots:
    void init() { dialogs.Clear(); }
    void cleanup()
    {
        if (Form7 != nullptr)
            Form7->hide();
        if (Form5 != nullptr)
            Form5->hide();
    }

    void filePanelListsTheEventFiles()
    {
        Forms forms(Texts);
        QTemporaryDir dir;
        WriteMay(dir);
        WriteBytes(dir.filePath("readme.txt"), "x");
        WriteBytes(dir.filePath("20210513.CSV"), EventFile({}));
        Open(dir.path());
        QVERIFY(Form5->Panel1->isVisible());
        QCOMPARE(Form5->Label2->text(), dir.path());
        QCOMPARE(Form5->Label1->text(), QString("Found files: 5"));
        QCOMPARE(Form5->CheckListBox1->count(), 5);
        QCOMPARE(Form5->CheckListBox1->item(0)->text(), QString("20210430.csv"));
        QCOMPARE(Form5->CheckListBox1->item(4)->text(), QString("20210513.CSV"));
        for (int i = 0; i < 5; ++i)
            QCOMPARE(Form5->CheckListBox1->item(i)->checkState(), Qt::Checked);
        QVERIFY(Form5->Button2->isEnabled());
        QVERIFY(Form5->CheckBox1->isChecked());
        QCOMPARE(Form5->CheckBox1->text(), QString("select/unselect all"));
        QCOMPARE(Form5->GroupBox1->title(), QString(" file information "));
        QCOMPARE(Form5->Label4->text(), QString("-"));

        Form5->CheckBox1->click();
        for (int i = 0; i < 5; ++i)
            QCOMPARE(Form5->CheckListBox1->item(i)->checkState(), Qt::Unchecked);
        Form5->CheckBox1->click();
        QCOMPARE(Form5->CheckListBox1->item(3)->checkState(), Qt::Checked);

        QTemporaryDir empty;
        Open(empty.path());
        QCOMPARE(Form5->Label1->text(), QString("Found files: 0"));
        QCOMPARE(Form5->CheckListBox1->count(), 0);
        QVERIFY(!Form5->Button2->isEnabled());
    }

    void fileInformation()
    {
        Forms forms(Texts);
        QTemporaryDir dir;
        WriteMay(dir);
        Open(dir.path());
        QListWidget* list = Form5->CheckListBox1;
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(2)).center());
        QCOMPARE(Form5->Label4->text(), QString("11-05-2021"));
        QCOMPARE(Form5->Label8->text(), QString("6"));
        QCOMPARE(Form5->Label6->text(), QString::number(QFileInfo(dir.filePath("20210511.csv")).size()) + " B");
        list->setCurrentRow(0);
        QCOMPARE(Form5->Label8->text(), QString("0"));
        QCOMPARE(Form5->Label4->text(), QString("30-04-2021"));
        // A file that went away since the listing: the error box, the date already shown.
        QFile::remove(dir.filePath("20210512.csv"));
        list->setCurrentRow(3);
        QCOMPARE(dialogs.errors.size(), 1);
        QVERIFY(dialogs.errors[0].contains("20210512.csv"));
        QCOMPARE(Form5->Label4->text(), QString("12-05-2021"));
    }

    void loadingShowsTheCalendarAndFillsTheSelectors()
    {
        Forms forms(Texts);
        QTemporaryDir dir;
        WriteMay(dir);
        Open(dir.path());
        QVERIFY(!Form5->ComboBox1->isVisible());
        QVERIFY(!Form5->ComboBox2->isVisible());
        QList<int> fileBar;
        QList<int> lineBar;
        connect(Form5->ProgressBar2, &QProgressBar::valueChanged, this, [&](int v) { fileBar << v; });
        connect(Form5->ProgressBar1, &QProgressBar::valueChanged, this, [&](int v) { lineBar << v; });
        Form5->Button2->click();
        QVERIFY(dialogs.errors.isEmpty());
        QVERIFY(!Form5->Panel1->isVisible());
        QVERIFY(Form5->ComboBox1->isVisible());
        QVERIFY(Form5->ComboBox2->isVisible());
        QVERIFY(Form5->Label9->isVisible());
        QCOMPARE(Form5->EventStore.Size(), std::size_t(10));
        // The first file holds only its header: the calendar opens on the next file's month.
        QCOMPARE(Form5->shownMonth, QDate(2021, 5, 2));
        QCOMPARE(Form5->ProgressBar2->maximum(), 5);
        QCOMPARE(fileBar, (QList<int>{1, 2, 3, 4, 0}));
        QCOMPARE(Form5->ProgressBar1->value(), 0);
        QCOMPARE(lineBar.count(100), 3);
        QCOMPARE(lineBar.last(), 0);
        QCOMPARE(Rows(Form5->ComboBox1->model()),
                 (QStringList{"All", "0001 - Piotr Nowak", "0002 - Anna Kowalska", "0003 - Marta Wiśniewska"}));
        QCOMPARE(Form5->ComboBox1->currentIndex(), 0);
        QVERIFY(Form5->CurrentFilter().all);
        QCOMPARE(Form5->ComboBox2->count(), 3);
        QCOMPARE(Form5->ComboBox2->itemText(2), QString("daily (ignore i/o type)"));
        QVERIFY(Form5->CurrentMode() == CountingMode::Daily);
        QCOMPARE(Form5->Picture.size(), QSize(1147, 540));

        // The same selection again: the same events, not twice as many.
        Form5->Button2->click();
        QCOMPARE(Form5->EventStore.Size(), std::size_t(10));
        // Nothing marked: an empty store, the month stays.
        Open(dir.path());
        QVERIFY(!Form5->ComboBox1->isVisible());
        QVERIFY(Form5->ComboBox2->isVisible());
        Form5->CheckBox1->click();
        Form5->shownMonth = QDate(2020, 1, 5);
        Form5->Button2->click();
        QVERIFY(Form5->EventStore.IsEmpty());
        QCOMPARE(Form5->shownMonth, QDate(2020, 1, 5));
    }

    void lineBarMovesByWholePercents()
    {
        Forms forms(Texts);
        QTemporaryDir dir;
        WriteBytes(dir.filePath("20210511.csv"),
                   EventFile(QList<QByteArray>(250, EventLine("0001", 8, 0, 0, true, true, "d", In))));
        Open(dir.path());
        QList<int> lineBar;
        connect(Form5->ProgressBar1, &QProgressBar::valueChanged, this, [&](int v) { lineBar << v; });
        Form5->Button2->click();
        QCOMPARE(lineBar.size(), 101);
        for (int i = 0; i < 100; ++i)
            QCOMPARE(lineBar[i], i + 1);
        QCOMPARE(lineBar[100], 0);
    }

    void aBadFileStopsTheLoadAndKeepsThePanel()
    {
        Forms forms(Texts);
        QTemporaryDir dir;
        WriteMay(dir);
        WriteBytes(dir.filePath("2021051x.csv"), EventFile({EventLine("0001", 8, 0, 0, true, true, "d", In)}));
        Open(dir.path());
        Form5->Button2->click();
        QCOMPARE(dialogs.errors, QStringList{"The file name is not a date: 2021051x.csv"});
        QVERIFY(Form5->Panel1->isVisible());
        QVERIFY(!Form5->ComboBox1->isVisible());
        // "2021051x.csv" sorts after the four good files, whose events stay.
        QCOMPARE(Form5->CheckListBox1->item(4)->text(), QString("2021051x.csv"));
        QCOMPARE(Form5->EventStore.Size(), std::size_t(10));
        QCOMPARE(Form5->ProgressBar2->value(), 5);

        // Unmarking the bad file and loading again works.
        Form5->CheckListBox1->item(4)->setCheckState(Qt::Unchecked);
        dialogs.Clear();
        Form5->Button2->click();
        QVERIFY(dialogs.errors.isEmpty());
        QCOMPARE(Form5->EventStore.Size(), std::size_t(10));
        QCOMPARE(Form5->ProgressBar2->value(), 0);
    }

    void userListFailuresAreReportedAfterTheLoad()
    {
        Forms forms(Texts);
        QTemporaryDir dir;
        WriteMay(dir);
        QFile::remove(dir.filePath("USERS.txt"));
        Open(dir.path());
        Form5->Button2->click();
        QCOMPARE(dialogs.errors.size(), 1);
        QVERIFY(dialogs.errors[0].contains("USERS.txt"));
        QCOMPARE(Rows(Form5->ComboBox1->model()), QStringList{"All"});
        QVERIFY(Form5->ComboBox1->isVisible());
        QVERIFY(!Form5->Panel1->isVisible());
        QCOMPARE(Form5->EventStore.Size(), std::size_t(10));
        QVERIFY(!Form5->Picture.isNull());

        // A user list cut inside its second record lists the first user only.
        const QByteArray users = UserRecord("0001", "Piotr") + UserRecord("0002", "Anna");
        WriteBytes(dir.filePath("USERS.txt"), users.left(users.size() - 4));
        dialogs.Clear();
        Open(dir.path());
        Form5->Button2->click();
        QVERIFY(dialogs.errors.isEmpty());
        QCOMPARE(Rows(Form5->ComboBox1->model()), (QStringList{"All", "0001 - Piotr"}));
    }

    void typedUserNumberFilters()
    {
        Forms forms(Texts);
        QTemporaryDir dir;
        WriteMay(dir);
        Open(dir.path());
        Form5->Button2->click();
        Form5->ComboBox1->lineEdit()->clear();
        QTest::keyClicks(Form5->ComboBox1->lineEdit(), "0012");
        QCOMPARE(Form5->CurrentFilter(), UserFilter::Number("0012"));
        Form5->ComboBox1->setCurrentIndex(2);
        QCOMPARE(Form5->CurrentFilter(), UserFilter::Number("0002"));
        Form5->ComboBox1->setCurrentIndex(0);
        QVERIFY(Form5->CurrentFilter().all);
    }

    void layout()
    {
        Forms forms(Texts);
        QTemporaryDir dir;
        Open(dir.path());
        QCOMPARE(Form5->size(), QSize(1163, 598));
        for (const QSize size : {QSize(1163, 598), QSize(900, 500)}) {
            Form5->resize(size);
            // The picture and the file panel fill the window but 8 pixels around and 50 below.
            QCOMPARE(GapsInside(Form5->Image1), QMargins(8, 8, 8, 50));
            QCOMPARE(GapsInside(Form5->Panel1), QMargins(8, 8, 8, 50));
            QCOMPARE(Form5->Picture.size(), Form5->Image1->size());
            // Below it the close button in the corner, 8 from the edges, and the two bars left
            // of it, 4 apart from it, the lower one 8 above the bottom.
            QCOMPARE(GapsInside(Form5->Button1).right(), 8);
            QCOMPARE(GapsInside(Form5->Button1).bottom(), 8);
            QCOMPARE(GapAcross(Form5->ProgressBar2, Form5->Button1), 4);
            QCOMPARE(GapAcross(Form5->ProgressBar1, Form5->Button1), 4);
            QCOMPARE(GapsInside(Form5->ProgressBar2).bottom(), 8);
            QCOMPARE(Form5->ProgressBar1->y(), Form5->Button1->y());
            const QString fault =
                LayoutFault({Form5->Image1, Form5->ProgressBar1, Form5->ProgressBar2, Form5->Button1});
            QVERIFY2(fault.isEmpty(), qPrintable(fault));
            // The selectors in the picture's bottom right corner, 8 inside it and 16 apart, the
            // caption 2 above the filter.
            QCOMPARE(GapsInside(Form5->ComboBox1, Form5->Image1).right(), 8);
            QCOMPARE(GapsInside(Form5->ComboBox1, Form5->Image1).bottom(), 8);
            QCOMPARE(GapsInside(Form5->ComboBox2, Form5->Image1).bottom(), 8);
            QCOMPARE(GapAcross(Form5->ComboBox2, Form5->ComboBox1), 16);
            QCOMPARE(Form5->Label9->x(), Form5->ComboBox1->x());
            QCOMPARE(GapDown(Form5->Label9, Form5->ComboBox1), 2);
        }
        // A window too small for a grid draws nothing and ignores presses.
        Form5->resize(20, 60);
        QTest::mouseClick(Form5->Image1, Qt::LeftButton, {}, QPoint(2, 1));
        QVERIFY(dialogs.errors.isEmpty());
    }

    void drawnCalendar()
    {
        Forms forms(Texts);
        QTemporaryDir dir;
        WriteMay(dir);
        Open(dir.path());
        Form5->Button2->click();
        Form5->ComboBox1->setCurrentIndex(0);
        const QImage& picture = Form5->Picture;
        const Grid grid = FindGrid(picture);
        // Headings above their columns: Sunday red, Monday black.
        const QRect sunday(QPoint(grid.xs[0], 0), QPoint(grid.xs[1], grid.ys[0] - 1));
        const QRect monday(QPoint(grid.xs[1], 0), QPoint(grid.xs[2], grid.ys[0] - 1));
        QVERIFY(HasColour(picture, sunday, QColor(255, 0, 0)));
        QVERIFY(!HasColour(picture, monday, QColor(255, 0, 0)));
        QVERIFY(HasColour(picture, monday, QColor(0, 0, 0)));
        // Day numbers: Sunday 2 with events red, Sunday 9 without (205, 50, 50), Tuesday 11 black,
        // Wednesday 12 with denied events only grey.
        QVERIFY(HasColour(picture, NumberArea(grid.CellOf(2)), QColor(255, 0, 0)));
        QVERIFY(HasColour(picture, NumberArea(grid.CellOf(9)), QColor(205, 50, 50)));
        QVERIFY(!HasColour(picture, NumberArea(grid.CellOf(9)), QColor(255, 0, 0)));
        QVERIFY(HasColour(picture, NumberArea(grid.CellOf(11)), QColor(0, 0, 0)));
        QVERIFY(HasColour(picture, NumberArea(grid.CellOf(12)), QColor(170, 170, 170)));
        QVERIFY(!HasColour(picture, NumberArea(grid.CellOf(12)), QColor(0, 0, 0)));
        // The month buttons in the margins beside the grid: blue arrows inside black outlines.
        const QRect left(0, 0, grid.xs.first(), picture.height());
        const QRect right(QPoint(grid.xs.last() + 1, 0), QPoint(picture.width() - 1, picture.height() - 1));
        QList<QPoint> arrows;
        for (const QRect& margin : {left, right}) {
            const QRect arrow = Find(picture, margin, Is(QColor(0, 0, 255))).boundingRect();
            arrows << arrow.center();
            const QPolygon frame = Find(picture, margin, Is(Qt::black));
            QVERIFY(!arrow.isEmpty() && frame.boundingRect().adjusted(1, 1, -1, -1).contains(arrow));
            QCOMPARE(frame.size(), 2 * (frame.boundingRect().width() + frame.boundingRect().height()) - 4);
        }
        // Hovering tints exactly the cell under the mouse pale green, its texts readable on it.
        const QColor green(221, 255, 221);
        for (int day : {20, 19}) {
            const QRect cell = grid.CellOf(day);
            QTest::mouseMove(Form5->Image1, cell.center());
            QVERIFY(cell.contains(Find(Form5->Picture, Form5->Picture.rect(), Is(green)).boundingRect()));
            QVERIFY(!HasColour(Form5->Picture, cell.adjusted(2, 2, -2, -2), Qt::white));
            QVERIFY(!Find(Form5->Picture, LineArea(cell, 1), IsInk).isEmpty());
        }
        // One user in the filter drops the users lines; Sunday 2 had only user 0002: its number
        // now shows the no-events red.
        for (int day : {2, 11, 20})
            QVERIFY(HasColour(Form5->Picture, LineArea(grid.CellOf(day), 1), QColor(0, 0, 0)));
        const QImage all = Form5->Picture;
        Form5->ComboBox1->setCurrentIndex(1);
        for (int day : {2, 11, 20})
            QVERIFY(!HasColour(Form5->Picture, LineArea(grid.CellOf(day), 1), QColor(0, 0, 0)));
        QVERIFY(HasColour(Form5->Picture, NumberArea(grid.CellOf(2)), QColor(205, 50, 50)));
        // Another counting mode redraws with the new figures.
        Form5->ComboBox1->setCurrentIndex(0);
        QCOMPARE(Form5->Picture, all);
        Form5->ComboBox2->setCurrentIndex(2);
        QVERIFY(Form5->Picture != all);
        // Any button on an arrow steps the month and opens no day list.
        QTest::mouseClick(Form5->Image1, Qt::LeftButton, {}, arrows[0]);
        QCOMPARE(Form5->shownMonth, QDate(2021, 4, 1));
        QTest::mouseClick(Form5->Image1, Qt::RightButton, {}, arrows[1]);
        QTest::mouseClick(Form5->Image1, Qt::LeftButton, {}, arrows[1]);
        QCOMPARE(Form5->shownMonth, QDate(2021, 6, 1));
        QCOMPARE(Form5->lastClickX, 0);
        QVERIFY(!Form7->isVisible());
    }

    // The longest texts a year can hold, in both languages, on screen and at the printed page's
    // size: no cell's text crosses a grid line (a text's box over a line would wipe it) or comes
    // near the day number, and each line still shows. On paper the month buttons and the title
    // are left out.
    void cellTextsStayInsideTheirCells()
    {
        Forms forms(Texts);
        Form5->shownMonth = QDate(2021, 5, 1);     // 31 days over six rows, Saturday the 1st
        Form5->ComboBox1->addItem(Form5->AllText); // all users: the users line is drawn
        MonthFigures longest;
        longest.days = 31;
        for (int d = 0; d < 31; ++d)
            longest.day[static_cast<std::size_t>(d)] = {
                99999, 9999, d % 2 == 0 ? -(999 * 3600 + 59 * 60 + 59) : std::int64_t(9999) * 24 * 3600};
        const auto paint = [](QSize size, bool onPaper, const MonthFigures& figures) {
            QImage picture(size, QImage::Format_RGB32);
            picture.fill(Qt::white);
            QPainter p(&picture);
            Form5->PaintCalendar(p, size.width(), size.height(), QPoint(-1, -1), onPaper, &figures);
            p.end();
            return picture;
        };
        for (const auto& [events, users] : {std::pair{"events", "users"}, std::pair{"ilość odbić", "użytkownicy"}})
            for (const QSize size : {QSize(1147, 540), QSize(1120, 700), QSize(800, 400)}) {
                const QString where = QStringLiteral("%1 at %2x%3").arg(users).arg(size.width()).arg(size.height());
                // The 31st's number and the gap after it, beside the figures without their words.
                Form5->EventsText.clear();
                Form5->UsersText.clear();
                const QImage plain = paint(size, false, longest);
                const QRect cell = FindGrid(plain).CellOf(31);
                const QRect number =
                    Find(plain, QRect(cell.topLeft(), cell.size() / 2), IsInk).boundingRect().adjusted(0, 0, 3, 0);
                QVERIFY(number.width() > 10);
                Form5->EventsText = QString::fromUtf8(events);
                Form5->UsersText = QString::fromUtf8(users);
                QList<int> tops; // of the topmost ink, on screen and on paper
                for (const bool onPaper : {false, true}) {
                    const QImage picture = paint(size, onPaper, longest);
                    const Grid grid = FindGrid(picture);
                    QVERIFY2(IsSoundGrid(picture, grid), qPrintable(where));
                    QVERIFY2(picture.copy(number) == plain.copy(number), qPrintable(where));
                    // Each of the three lines of the 31st (second column, sixth row) has ink.
                    for (int line = 0; line < 3; ++line)
                        QVERIFY2(!Find(picture, LineArea(grid.CellOf(31), line), IsInk).isEmpty(), qPrintable(where));
                    QCOMPARE(HasColour(picture, picture.rect(), QColor(0, 0, 255)), !onPaper);
                    tops << Find(picture, picture.rect(), IsInk).boundingRect().top();
                }
                // The title is the topmost text on screen; on paper the day headings are.
                QVERIFY2(tops[1] > tops[0], qPrintable(where));
            }
    }

    void dayListShowsTheDayAndFollowsTheFilter()
    {
        Forms forms(Texts);
        QTemporaryDir dir;
        WriteMay(dir);
        Open(dir.path());
        Form5->Button2->click();
        QCOMPARE(Form7->Label1->text(), QString("LISTA ZDARZEN Z DNIA XX XX XXXX"));
        const Grid grid = FindGrid(Form5->Picture);
        QTest::mouseClick(Form5->Image1, Qt::LeftButton, {}, grid.CellOf(11).center());
        QVERIFY(Form7->isVisible());
        QVERIFY(Form5->dayListOpen);
        QCOMPARE(Form5->lastClickX, grid.CellOf(11).center().x());
        QCOMPARE(Form7->Label1->text(), QString("List of events: 11 5 2021"));
        QCOMPARE(Form7->Button1->text(), QString("Close"));
        const QStringList all{
            "07:05:09 accepted card 0001 (Piotr) on IN",        "08:00:00 accepted PIN 0002 (Anna) on IN",
            "08:30:00 denied card 0009 (nieznana karta) on IN", "00:00:00 denied PIN  () on ",
            "15:35:09 accepted card 0001 (Piotr) on OUT",       "16:00:00 accepted PIN 0002 (Anna) on OUT"};
        QCOMPARE(Rows(Form7->Lines), all);

        // The filter refills the open list in place; the mode refills it with the same lines.
        Form5->ComboBox1->setCurrentIndex(2);
        QCOMPARE(Rows(Form7->Lines), (QStringList{all[1], all[5]}));
        Form5->ComboBox2->setCurrentIndex(1);
        QCOMPARE(Rows(Form7->Lines), (QStringList{all[1], all[5]}));
        Form5->ComboBox1->lineEdit()->setText("0009");
        QCOMPARE(Rows(Form7->Lines), QStringList{all[2]});
        Form5->ComboBox1->setCurrentIndex(0);
        QCOMPARE(Rows(Form7->Lines), all);

        // A press at the middle of each drawn cell opens that day; one with no events lists nothing.
        for (int day = 1; day <= 31; ++day) {
            QTest::mouseClick(Form5->Image1, Qt::LeftButton, {}, grid.CellOf(day).center());
            QCOMPARE(Form7->Label1->text(), QStringLiteral("List of events: %1 5 2021").arg(day));
            QCOMPARE(Form7->Lines->rowCount() == 0, day != 2 && day != 11 && day != 12);
        }
        // A press in the empty cell before the 1st (a Saturday) opens nothing.
        QTest::mouseClick(Form5->Image1, Qt::LeftButton, {}, grid.CellOf(0).center());
        QCOMPARE(Form7->Label1->text(), QString("List of events: 31 5 2021"));

        // Closing the list: later filter changes do not bring it back.
        Form7->Button1->click();
        QVERIFY(!Form7->isVisible());
        QVERIFY(!Form5->dayListOpen);
        Form5->ComboBox1->setCurrentIndex(1);
        QVERIFY(!Form7->isVisible());
    }

    void dayListLayout()
    {
        Forms forms(Texts);
        Form7->show();
        Form7->resize(600, 400);
        QCOMPARE(Form7->Label1->geometry(), QRect(8, 8, 584, Form7->Label1->height()));
        const int top = Form7->Label1->height() + 16;
        QCOMPARE(Form7->ListBox1->geometry(), QRect(8, top, 584, 400 - top - Form7->Button1->height() - 16));
        QCOMPARE(Form7->Button1->geometry().right() + 1, 592);
        QCOMPARE(Form7->Button1->geometry().bottom() + 1, 392);
    }

    void escapeClosesOnlyFromTheCloseButton()
    {
        Forms forms(Texts);
        QTemporaryDir dir;
        Open(dir.path());
        Form5->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(Form5));
        Form5->CheckListBox1->setFocus();
        QTest::keyClick(Form5->CheckListBox1, Qt::Key_Escape);
        QVERIFY(Form5->isVisible());
        Form5->Button1->setFocus();
        QTest::keyClick(Form5->Button1, Qt::Key_Escape);
        QVERIFY(!Form5->isVisible());
    }

    void archiveButtonOpensTheDemoCard()
    {
        Forms forms(Texts);
        // Opened as after a download: the port names come from the card's own report.
        Form1->DownloadPath = QStringLiteral(QTX_DEMO_CARD);
        Form1->OpenWorkspace(false);
        bool checked = false;
        OnNextModal([&](QWidget* window) {
            const auto closeArchive = qScopeGuard([] { Form5->close(); });
            QCOMPARE(window, static_cast<QWidget*>(Form5));
            QCOMPARE(Form5->windowTitle(), Form1->Button4->text());
            QVERIFY(Form5->Panel1->isVisible());
            QVERIFY(!Form5->ComboBox1->isVisible());
            QCOMPARE(Form5->Label1->text(), QString("Found files: 61"));
            QCOMPARE(Form5->entranceName, QString("Wejście główne"));
            Form5->Button2->click();
            QCOMPARE(Form5->shownMonth.month(), 3);
            const MonthFigures m =
                ComputeMonthFigures(Form5->EventStore, 2025, 3, UserFilter::All(), CountingMode::Daily, Form5->Ports());
            QVERIFY(m.seconds > 100 * 3600); // the port names match what the recorder wrote
            // The day list opened from the modal archive takes clicks.
            QTest::mouseClick(Form5->Image1, Qt::LeftButton, {}, FindGrid(Form5->Picture).CellOf(3).center());
            QVERIFY(Form7->isVisible());
            QVERIFY(Form7->Lines->rowCount() > 10);
            QVERIFY(Rows(Form7->Lines).join('\n').contains("on Wejście główne"));
            QWindow* list = Form7->windowHandle();
            QTest::mouseClick(list, Qt::LeftButton, {}, Form7->Button1->mapTo(Form7, Form7->Button1->rect().center()));
            QTRY_VERIFY(!Form7->isVisible());
            QVERIFY(!Form5->dayListOpen);
            checked = true;
        });
        Form1->Button4->click();
        QVERIFY(checked);
        QCOMPARE(PendingModalActions(), 0);
        // Reopening keeps the loaded events but shows the panel again.
        OnNextModal([](QWidget*) {
            QVERIFY(Form5->Panel1->isVisible());
            QVERIFY(!Form5->EventStore.IsEmpty());
            Form5->close();
        });
        Form1->Button4->click();
    }

    void polishTexts()
    {
        Forms forms(Texts);
        Form1->Language.SetLanguageIndex(Polish);
        Form1->ApplyLanguage();
        QCOMPARE(Form5->Button2->text(), QString("Wczytaj pliki"));
        QCOMPARE(Form5->Label7->text(), QString("Ilość odbić"));
        QCOMPARE(Form5->ComboBox2->itemText(1), QString("dzień/noc"));
        QCOMPARE(Form5->EventsText, QString("ilość odbić"));
        QCOMPARE(Form5->MonthNames[4], QString("maj"));
        QCOMPARE(Form5->DayNames[1], QString("poniedziałek"));
        QCOMPARE(Form5->TotalTimeText, QString("Czas łącznie"));
        QCOMPARE(Form5->EventLineTexts.accepted, QString("zaakceptowane"));
        QCOMPARE(Form5->MonthNames[0], QString("{january}"));
    }

private:
    ScriptedDialogs dialogs;
};

QTX_GUI_TEST_MAIN(ArchiveWindowTest)
#include "archive_window_test.moc"
