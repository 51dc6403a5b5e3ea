#pragma once

#include <QDate>
#include <QDialog>

class QLabel;
class QListView;
class QPushButton;
class TForm5;

namespace qtx {
class DayEventModel;
}

// TForm7, the list of one day's events, accepted and denied, under the archive's user filter.
class TForm7 : public QDialog {
public:
    // archive: the archive window whose events, user filter and texts the list shows.
    explicit TForm7(TForm5* archive, QWidget* parent = nullptr);

    // Fills the list for a day from the archive window's events and shows it in front.
    void ShowDayList(int year, int month, int day);
    void Button1Click();
    void FormClose();
    // Saves the shown day's lines as CSV: date, time, user, name, port, status.
    void Button2Click();

    QLabel* Label1 = nullptr;            // heading: the day shown
    QListView* ListBox1 = nullptr;       // the day's events
    qtx::DayEventModel* Lines = nullptr; // ListBox1's lines
    QPushButton* Button1 = nullptr;      // close
    QPushButton* Button2 = nullptr;      // save
    QDate shownDate;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    TForm5* Archive;
};

using DayListWindow = TForm7; // the name new code may use
