#pragma once

#include "link/port_chooser_window.h"

#include <QDialog>
#include <memory>

class QComboBox;
class QListWidget;
class QListWidgetItem;
class QPushButton;

namespace qtx {
class LanguageTable;
class LinkController;
class LogList;
} // namespace qtx

// TForm12, the raw serial console "Raw RS": connect, list, fetch, delete and send single files,
// and the link log.
class TForm12 : public QDialog {
public:
    // texts: the interface language; link: the program's link controller (its owner keeps it).
    TForm12(const qtx::LanguageTable& texts, const std::unique_ptr<qtx::LinkController>& link,
            QWidget* parent = nullptr);

    void FillPorts(const QList<qtx::SerialPortEntry>& ports);

    // The link log: time of day, ":", the millisecond tick modulo 1000, a blank, the text.
    void LogLine(const QString& text);
    static QString LogStamp(const QTime& time, qint64 tick);

    // The file list keeps each name's bytes as received; it shows them decoded.
    void AddFileLine(const QByteArray& name);
    QByteArray FileLine(int row) const;
    int FileLineCount() const;
    void ClearFileLines();
    // The row of the line the user selected; -1 when none is (a current row alone does not count).
    int SelectedFileRow() const;

    void Button1Click();
    void Button3Click();
    void Button2Click();
    void Button5Click();
    void Button4Click();
    void ListBox1DblClick();

    QComboBox* ComboBox1 = nullptr;        // serial ports
    QPushButton* Button1 = nullptr;        // connect
    QPushButton* Button3 = nullptr;        // disconnect
    QPushButton* Button5 = nullptr;        // delete the selected file on the card
    QPushButton* Button4 = nullptr;        // send a file
    QPushButton* Button2 = nullptr;        // ask for the file list
    QListWidget* ListBox1 = nullptr;       // the card's files (double click fetches)
    qtx::LogList* ListBox2 = nullptr;      // link log
    qtx::PortListWatcher* Ports = nullptr; // keeps ComboBox1 current

private:
    qtx::LinkController& Link() const { return *link_; }

    const qtx::LanguageTable& texts_;
    const std::unique_ptr<qtx::LinkController>& link_;
};

using ConsoleWindow = TForm12; // the name new code may use
