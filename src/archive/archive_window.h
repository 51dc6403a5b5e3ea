#pragma once

#include "archive/archive_folder.h"
#include "archive/event_store.h"
#include "archive/statistics.h"
#include "archive/timesheet.h"
#include "archive/timesheet_export.h"
#include "base/widgets/bar_frames.h"

#include <QDate>
#include <QDialog>
#include <QImage>
#include <QProgressBar>
#include <QStringList>

class QCheckBox;
class QPainter;
class QPagedPaintDevice;
class QPrinter;
class QComboBox;
class QGroupBox;
class QLabel;
class QListWidget;
class QPushButton;
class QWidget;
class TForm7;

namespace qtx {
class LanguageTable;
}

// A progress bar drawn as two flat fills: a styled bar costs up to a millisecond a paint.
class TPlainProgressBar : public QProgressBar {
public:
    explicit TPlainProgressBar(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

// TForm5, the event archive: the file panel that loads event files, then the month calendar.
class TForm5 : public QDialog {
public:
    explicit TForm5(QWidget* parent = nullptr);

    // Shows the archive of a workspace folder with its report's port and device names, until closed.
    void ShowWorkspace(const QString& folder, const QString& entrance, const QString& exit, const QString& deviceName);
    void OpenFolder(const QString& folder);
    void SetPortNames(const QString& entrance, const QString& exit);
    void ApplyTexts(const qtx::LanguageTable& texts);
    void FillModeList();

    void CheckBox1Click();
    void CheckListBox1Click();
    void Button2Click();
    void Button1Click();
    void ComboBoxChange();

    void ShowFileInfo(const QString& name);
    void LoadFiles();
    // Shows events that another source (the site archive) has put into EventStore: its port
    // names and people stand in for the card folder's until files are loaded again; title names
    // it where the folder's name goes, and deviceName where the recorder's name goes.
    void ShowOtherSource(const QString& title, const QString& deviceName, const qtx::PortNames& ports,
                         const QList<qtx::UserFilterEntry>& people);
    // The names of the shown source's people: the folder's USERS.txt, or the other source's.
    qtx::UserNames SourceUserNames() const;
    // The card folder of the file panel, whichever source the calendar shows.
    QString CardFolder() const { return otherSource_ ? otherSource_->cardFolder : ListedFolder; }
    // Sets a load bar's value; the bars are painted at most once a frame.
    void FillUserFilter();
    void ArrangeControls();

    // Calendar (archive_calendar.cpp).
    void DrawCalendar();
    void HitTest(int x, int y);
    void Image1MouseMove(int x, int y);
    void Image1MouseDown(int x, int y);
    // Draws the month picture on any painter: the screen's image and, without the month buttons
    // and title, the printed page. figures replaces the shown month's own (for tests of extremes).
    void PaintCalendar(QPainter& p, int W, int H, QPoint hover, bool onPaper = false,
                       const qtx::MonthFigures* figures = nullptr);

    // Timesheet of the shown month (archive_timesheet.cpp), following the counting mode and the
    // user filter.
    qtx::Timesheet ShownTimesheet() const;
    // What a saved workbook's heading says of the shown month.
    qtx::TimesheetHeading ShownHeading() const;
    // Says that the file at path was written.
    void ConfirmSaved(const QString& path) const;
    void Button3Click();
    void Button4Click();
    void PrintTimesheet(QPagedPaintDevice* printer, const qtx::Timesheet& sheet, const QString& fileName);
    // The workspace folder's name as it goes into file names.
    QString WorkspaceName() const;
    // Where save dialogs start: the user's documents, never the workspace, whose *.csv files the
    // archive would take for event files.
    QString SaveFolder() const;
    // The timesheet's default file name without extension: the month, then the workspace.
    QString TimesheetFileName() const;

    // The user filter as the statistics take it: all users while the first entry is selected,
    // otherwise the first four characters of the box's text.
    qtx::UserFilter CurrentFilter() const;
    std::optional<qtx::CountingMode> CurrentMode() const;
    qtx::PortNames Ports() const;

    qtx::EventStore EventStore;
    QDate shownMonth;
    QString entranceName;
    QString exitName;
    // The device name of the workspace's report, for a saved timesheet's heading.
    QString DeviceName;
    int hoverX = 0;
    int hoverY = 0;
    int lastClickX = 0;
    int lastClickY = 0;
    bool dayListOpen = false;
    // The day list a press on a day opens (given by the form registry).
    TForm7* DayList = nullptr;
    // The picture Image1 shows.
    QImage Picture;
    // The folder as the lister reports it; the user list is read from it.
    QString ListedFolder;
    // Its event files, which the file list shows in the same order.
    qtx::ArchiveFolder Files;

    // Interface texts, set by ApplyTexts.
    QString FoundFilesText = QStringLiteral("{FOUND FILES}");
    QString AllText = QStringLiteral("{ALL}");
    QString ListOfEventsText;
    QString TotalHitsText;
    QString TotalTimeText;
    QString FilterText;
    QString SecText;
    QString MinText;
    QString UsersText;
    QString EventsText;
    QString DateNameErrorText;
    QStringList ModeTexts;
    QStringList MonthNames;
    QStringList DayNames;
    qtx::EventLineTexts EventLineTexts;
    qtx::TimesheetTexts TimesheetTexts;
    QString CloseText;
    QString SaveText;
    QString FolderText;
    QString CountingModeText;
    QString PageText;
    QString XlsxFilterText;
    QString CsvFilterText;
    QString PreparingText;
    QString SavedFileText;

    QWidget* Panel1 = nullptr;            // file panel: the event files and their loading
    QLabel* Label1 = nullptr;             // number of files found
    QLabel* Label2 = nullptr;             // the listed folder
    QCheckBox* CheckBox1 = nullptr;       // select or unselect all files
    QListWidget* CheckListBox1 = nullptr; // the event files, ticked to load
    QGroupBox* GroupBox1 = nullptr;       // the current file's information
    QLabel* Label3 = nullptr;             // "Date" caption
    QLabel* Label4 = nullptr;             // the file's date
    QLabel* Label5 = nullptr;             // "File size" caption
    QLabel* Label6 = nullptr;             // the file's size
    QLabel* Label7 = nullptr;             // "Events" caption
    QLabel* Label8 = nullptr;             // the file's number of events
    QPushButton* Button2 = nullptr;       // load the ticked files
    QWidget* Image1 = nullptr;            // the month calendar (drawn)
    QComboBox* ComboBox1 = nullptr;       // user filter
    QLabel* Label9 = nullptr;             // "Filter" caption
    QComboBox* ComboBox2 = nullptr;       // counting mode
    QProgressBar* ProgressBar1 = nullptr; // load: the current file's lines
    QProgressBar* ProgressBar2 = nullptr; // load: the files done
    QPushButton* Button1 = nullptr;       // close
    QPushButton* Button3 = nullptr;       // save timesheet
    QPushButton* Button4 = nullptr;       // print

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct OtherSource {
        qtx::PortNames ports;
        QList<qtx::UserFilterEntry> people;
        QString cardFolder;     // ListedFolder while the other source is shown
        QString cardDeviceName; // DeviceName likewise
    };
    std::optional<OtherSource> otherSource_;
    qtx::MonthFiguresCache figures_;
    qtx::BarFrames bars_;
};

using ArchiveWindow = TForm5; // the name new code may use
