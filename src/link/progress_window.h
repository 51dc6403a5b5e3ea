#pragma once

#include <QDialog>
#include <memory>

class QLabel;
class QProgressBar;

namespace qtx {
class LinkController;
class LogList;
} // namespace qtx

// TForm13, the progress window of the automatic download; closing it cancels the download.
class TForm13 : public QDialog {
public:
    // link: the program's link controller (its owner keeps it), whose task sequence a close cancels.
    explicit TForm13(const std::unique_ptr<qtx::LinkController>& link, QWidget* parent = nullptr);

    // Appends the time of day and the text, and scrolls down.
    void AddMessage(const QString& text);
    void ClearMessages();
    void SetCounter(const QString& text);
    // The upper bar: the file being fetched.
    void SetFileProgress(int percent);
    // The lower bar: the share of listed files done.
    void SetOverallProgress(int percent);
    // The user closes the window: the task sequence stops, the download in progress ends with "B"
    // and the port is closed.
    void FormCloseQuery();
    // The task sequencer closes the window at the normal end of its run: not a cancel.
    void CloseAtEnd();

    QLabel* Label1 = nullptr;             // counter: files done of listed
    QProgressBar* ProgressBar2 = nullptr; // the file being fetched
    QProgressBar* ProgressBar1 = nullptr; // the share of listed files done
    qtx::LogList* ListBox1 = nullptr;     // messages, time-stamped

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    const std::unique_ptr<qtx::LinkController>& link_;
};

using ProgressWindow = TForm13; // the name new code may use
