// The archive window and the day list: the file panel, loading with progress and its failures,
// the user filter and counting mode, the layout, the drawn calendar and the day event list.

#include "archive/archive_window.h"
#include "archive/calendar.h"
#include "archive/day_event_model.h"
#include "archive/day_list_window.h"
#include "archive_test_data.h"
#include "base/errors.h"
#include "support/forms_fixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
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

QPoint CentreOf(int day)
{
    const int w = Form5->Image1->width();
    const int h = Form5->Image1->height();
    const CalendarCell c = CellOfDay(day, WeekdayOfFirst(Form5->shownMonth.year(), Form5->shownMonth.month()));
    return {CellLeft(w, c.column) + w / 16, CellTop(h, c.row) + h / 16};
}

QPoint CornerOf(int day)
{
    return CentreOf(day) - QPoint(Form5->Image1->width() / 16, Form5->Image1->height() / 16);
}

bool HasColour(const QImage& image, const QRect& area, const QColor& colour)
{
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (image.pixelColor(x, y).rgb() == colour.rgb())
                return true;
    return false;
}

// The area where a cell's day number stands.
QRect NumberArea(int day)
{
    return QRect(CornerOf(day) + QPoint(4, 2), QSize(34, 28));
}

// The area of a cell's users text.
QRect UsersArea(int day)
{
    const int w = Form5->Image1->width();
    const int h = Form5->Image1->height();
    return QRect(CornerOf(day) + QPoint(w / 8 - 64, h / 16 - 4), QSize(58, 8));
}

QStringList DayListLines()
{
    QStringList lines;
    for (int i = 0; i < Form7->Lines->rowCount(); ++i)
        lines << Form7->Lines->index(i).data().toString();
    return lines;
}

QStringList FilterEntries()
{
    QStringList entries;
    for (int i = 0; i < Form5->ComboBox1->count(); ++i)
        entries << Form5->ComboBox1->itemText(i);
    return entries;
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
        QCOMPARE(FilterEntries(),
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
        QCOMPARE(FilterEntries(), QStringList{"All"});
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
        QCOMPARE(FilterEntries(), (QStringList{"All", "0001 - Piotr"}));
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

    void calendarColours()
    {
        Forms forms(Texts);
        QTemporaryDir dir;
        WriteMay(dir);
        Open(dir.path());
        Form5->Button2->click();
        Form5->ComboBox1->setCurrentIndex(0);
        const QImage& picture = Form5->Picture;
        const int w = picture.width();
        const int h = picture.height();
        const QColor grey(128, 128, 128);
        // Grid lines.
        QCOMPARE(picture.pixelColor(w / 16, h / 8 + 20), grey);
        QCOMPARE(picture.pixelColor(4 * w / 8 + w / 16, 7 * h / 8 - 1), grey);
        QCOMPARE(picture.pixelColor(w / 2 + 3, 3 * h / 8), grey);
        QCOMPARE(picture.pixelColor(w / 16, h / 8 - 1), QColor(Qt::white));
        // Headings: Sunday red, Monday black.
        const QRect sunday(w / 8 - 45, h / 8 - 20, 90, 18);
        const QRect monday(2 * w / 8 - 45, h / 8 - 20, 90, 18);
        QVERIFY(HasColour(picture, sunday, QColor(255, 0, 0)));
        QVERIFY(!HasColour(picture, monday, QColor(255, 0, 0)));
        QVERIFY(HasColour(picture, monday, QColor(0, 0, 0)));
        // Day numbers: Sunday 2 with events red, Sunday 9 without (205, 50, 50), Tuesday 11 black,
        // Wednesday 12 with denied events only grey.
        QVERIFY(HasColour(picture, NumberArea(2), QColor(255, 0, 0)));
        QVERIFY(HasColour(picture, NumberArea(9), QColor(205, 50, 50)));
        QVERIFY(!HasColour(picture, NumberArea(9), QColor(255, 0, 0)));
        QVERIFY(HasColour(picture, NumberArea(11), QColor(0, 0, 0)));
        QVERIFY(HasColour(picture, NumberArea(12), QColor(170, 170, 170)));
        QVERIFY(!HasColour(picture, NumberArea(12), QColor(0, 0, 0)));
        // Arrows blue in black frames.
        QVERIFY(HasColour(picture, QRect(13, h / 2 - 12, 20, 24), QColor(0, 0, 255)));
        QCOMPARE(picture.pixelColor(10, h / 2), QColor(Qt::black));
        QCOMPARE(picture.pixelColor(39, h / 2), QColor(Qt::black));
        QCOMPARE(picture.pixelColor(w - 40, h / 2 - 15), QColor(Qt::black));
        QCOMPARE(picture.pixelColor(w - 11, h / 2 + 14), QColor(Qt::black));
        QCOMPARE(picture.pixelColor(w - 10, h / 2), QColor(Qt::white));

        // Hovering a cell tints it pale green, right and bottom edges excluded.
        const QPoint corner = CornerOf(20);
        QCOMPARE(picture.pixelColor(corner + QPoint(2, h / 8 - 2)), QColor(Qt::white));
        QTest::mouseMove(Form5->Image1, CentreOf(20));
        QCOMPARE(Form5->hoverX, CentreOf(20).x());
        const QColor green(221, 255, 221);
        QCOMPARE(Form5->Picture.pixelColor(corner + QPoint(1, 2)), green);
        QCOMPARE(Form5->Picture.pixelColor(corner + QPoint(2, h / 8 - 2)), green);
        QCOMPARE(Form5->Picture.pixelColor(corner + QPoint(w / 8 - 1, h / 8 - 1)), green);
        QVERIFY(Form5->Picture.pixelColor(corner + QPoint(1, 1)) != green);
        QCOMPARE(Form5->Picture.pixelColor(corner + QPoint(w / 8, h / 8 - 5)), grey);
        QVERIFY(!HasColour(Form5->Picture, QRect(CornerOf(19) + QPoint(2, 3), QSize(w / 8 - 4, h / 8 - 5)), green));
        // The cell's texts stand on the green.
        QVERIFY(!HasColour(Form5->Picture, UsersArea(20), Qt::white));
        // Moving on moves the tint.
        QTest::mouseMove(Form5->Image1, CentreOf(19));
        QCOMPARE(Form5->Picture.pixelColor(corner + QPoint(2, h / 8 - 2)), QColor(Qt::white));
        QCOMPARE(Form5->Picture.pixelColor(CornerOf(19) + QPoint(2, h / 8 - 2)), green);
    }

    void dayNumberStaysReadableBesideLongCounts()
    {
        Forms forms(Texts);
        QTemporaryDir dir;
        WriteBytes(dir.filePath("20210510.csv"),
                   EventFile(QList<QByteArray>(15, EventLine("0001", 8, 0, 0, true, true, "d", In))));
        Open(dir.path());
        Form5->Button2->click();
        // "10" beside the Polish "15 ilość odbić" and "1 użytkownicy" in a cell 143 pixels wide:
        // the number's pixels are those it has beside empty texts.
        Form5->EventsText = QStringLiteral("ilość odbić");
        Form5->UsersText = QStringLiteral("użytkownicy");
        Form5->DrawCalendar();
        const QRect number = NumberArea(10).adjusted(0, 0, -3, 0); // up to the gap after it
        const QImage beside = Form5->Picture.copy(number);
        Form5->EventsText.clear();
        Form5->UsersText.clear();
        Form5->DrawCalendar();
        QCOMPARE(Form5->Picture.copy(number), beside);
    }

    // The longest texts a year can hold, in both languages, on screen and at the printed page's
    // size: no cell's text crosses a grid line (a text's box over a line would wipe it), and each
    // line still shows. On paper the month buttons and the title are left out.
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
        const QColor grey(128, 128, 128);
        for (const auto& [events, users] : {std::pair{"events", "users"}, std::pair{"ilość odbić", "użytkownicy"}})
            for (const QSize size : {QSize(1147, 540), QSize(1120, 700), QSize(800, 400)})
                for (const bool onPaper : {false, true}) {
                    Form5->EventsText = QString::fromUtf8(events);
                    Form5->UsersText = QString::fromUtf8(users);
                    const int w = size.width();
                    const int h = size.height();
                    QImage picture(size, QImage::Format_RGB32);
                    picture.fill(Qt::white);
                    QPainter p(&picture);
                    Form5->PaintCalendar(p, w, h, QPoint(-1, -1), onPaper, &longest);
                    p.end();
                    const QString where = QStringLiteral("%1 at %2x%3").arg(users).arg(w).arg(h);
                    for (int i = 0; i <= 7; ++i)
                        for (int y = h / 8; y < 7 * h / 8; ++y)
                            QVERIFY2(picture.pixelColor(i * w / 8 + w / 16, y) == grey, qPrintable(where));
                    for (int j = 1; j <= 7; ++j)
                        for (int x = w / 16; x < 15 * w / 16; ++x)
                            QVERIFY2(picture.pixelColor(x, j * h / 8) == grey, qPrintable(where));
                    // Each of the three lines of the 31st (second column, sixth row) has ink.
                    const QRect cell(CellLeft(w, 1) + 1, CellTop(h, 5) + 1, w / 8 - 1, h / 8 - 1);
                    for (int third = 0; third < 3; ++third) {
                        const QRect band(cell.left() + cell.width() / 2, cell.top() + third * cell.height() / 3,
                                         cell.width() / 2, cell.height() / 3);
                        bool ink = false; // small type is drawn in greys
                        for (int y = band.top(); y <= band.bottom(); ++y)
                            for (int x = band.left(); x <= band.right(); ++x)
                                ink = ink || picture.pixelColor(x, y).lightness() < 110;
                        QVERIFY2(ink, qPrintable(where));
                    }
                    QCOMPARE(HasColour(picture, QRect(13, h / 2 - 12, 20, 24), QColor(0, 0, 255)), !onPaper);
                    QCOMPARE(HasColour(picture, QRect(w / 2 - 60, 0, 120, h / 8 - 22), Qt::black), !onPaper);
                }
    }

    void oneUserInTheFilterDropsTheUsersTexts()
    {
        Forms forms(Texts);
        QTemporaryDir dir;
        WriteMay(dir);
        Open(dir.path());
        Form5->Button2->click();
        for (int day : {2, 11, 20})
            QVERIFY(HasColour(Form5->Picture, UsersArea(day), QColor(0, 0, 0)));
        const QImage all = Form5->Picture;
        Form5->ComboBox1->setCurrentIndex(1);
        for (int day : {2, 11, 20})
            QVERIFY(!HasColour(Form5->Picture, UsersArea(day), QColor(0, 0, 0)));
        // Sunday 2 had only user 0002: its number now shows the no-events red.
        QVERIFY(HasColour(Form5->Picture, NumberArea(2), QColor(205, 50, 50)));
        QVERIFY(Form5->Picture != all);
        // Another counting mode redraws with the new figures.
        Form5->ComboBox1->setCurrentIndex(0);
        QCOMPARE(Form5->Picture, all);
        Form5->ComboBox2->setCurrentIndex(2);
        QVERIFY(Form5->Picture != all);
    }

    void arrowsStepTheShownMonth()
    {
        Forms forms(Texts);
        QTemporaryDir dir;
        WriteMay(dir);
        Open(dir.path());
        Form5->Button2->click();
        const int h = Form5->Image1->height();
        QTest::mouseClick(Form5->Image1, Qt::LeftButton, {}, QPoint(25, h / 2));
        QCOMPARE(Form5->shownMonth, QDate(2021, 4, 1));
        QTest::mouseClick(Form5->Image1, Qt::RightButton, {}, QPoint(Form5->Image1->width() - 25, h / 2));
        QTest::mouseClick(Form5->Image1, Qt::LeftButton, {}, QPoint(Form5->Image1->width() - 25, h / 2));
        QCOMPARE(Form5->shownMonth, QDate(2021, 6, 1));
        QCOMPARE(Form5->lastClickX, 0);
        QVERIFY(!Form7->isVisible());
    }

    void dayListShowsTheDayAndFollowsTheFilter()
    {
        Forms forms(Texts);
        QTemporaryDir dir;
        WriteMay(dir);
        Open(dir.path());
        Form5->Button2->click();
        QCOMPARE(Form7->Label1->text(), QString("LISTA ZDARZEN Z DNIA XX XX XXXX"));
        QTest::mouseClick(Form5->Image1, Qt::LeftButton, {}, CentreOf(11));
        QVERIFY(Form7->isVisible());
        QVERIFY(Form5->dayListOpen);
        QCOMPARE(Form5->lastClickX, CentreOf(11).x());
        QCOMPARE(Form7->Label1->text(), QString("List of events: 11 5 2021"));
        QCOMPARE(Form7->Button1->text(), QString("Close"));
        const QStringList all{
            "07:05:09 accepted card 0001 (Piotr) on IN",        "08:00:00 accepted PIN 0002 (Anna) on IN",
            "08:30:00 denied card 0009 (nieznana karta) on IN", "00:00:00 denied PIN  () on ",
            "15:35:09 accepted card 0001 (Piotr) on OUT",       "16:00:00 accepted PIN 0002 (Anna) on OUT"};
        QCOMPARE(DayListLines(), all);

        // The filter refills the open list in place; the mode refills it with the same lines.
        Form5->ComboBox1->setCurrentIndex(2);
        QCOMPARE(DayListLines(), (QStringList{all[1], all[5]}));
        Form5->ComboBox2->setCurrentIndex(1);
        QCOMPARE(DayListLines(), (QStringList{all[1], all[5]}));
        Form5->ComboBox1->lineEdit()->setText("0009");
        QCOMPARE(DayListLines(), QStringList{all[2]});
        Form5->ComboBox1->setCurrentIndex(0);
        QCOMPARE(DayListLines(), all);

        // A day with no events at all lists nothing; a press beside the month opens nothing.
        QTest::mouseClick(Form5->Image1, Qt::LeftButton, {}, CentreOf(20));
        QCOMPARE(Form7->Label1->text(), QString("List of events: 20 5 2021"));
        QCOMPARE(Form7->Lines->rowCount(), 0);
        QTest::mouseClick(Form5->Image1, Qt::LeftButton, {}, CentreOf(1) - QPoint(Form5->Image1->width() / 8, 0));
        QCOMPARE(Form7->Label1->text(), QString("List of events: 20 5 2021"));

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
            QTest::mouseClick(Form5->Image1, Qt::LeftButton, {}, CentreOf(3));
            QVERIFY(Form7->isVisible());
            QVERIFY(Form7->Lines->rowCount() > 10);
            QVERIFY(DayListLines().join('\n').contains("on Wejście główne"));
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
