#pragma once
// Workspace, the open card folder: what opening one writes and asks, the report read from it
// and the summary the main window shows of it.

#include "config/config_files.h"

#include <QString>

namespace qtx {

class LanguageTable;

// The device summary as the main window shows it, in the language it was read in.
struct WorkspaceSummary {
    QString folder;
    QString deviceName;
    QString port0Name;
    QString port1Name;
    QString exitMode;
    QString firmware;
    bool exitByButton = false;
};

// The summary of a report read from reportPath.
WorkspaceSummary SummaryOfReport(const ConfigReport& report, const QString& reportPath, const LanguageTable& texts);

// Workspace, the card folder the program works on. Questions and messages go through the dialog
// seam, worded from the language table.
class Workspace {
public:
    explicit Workspace(const LanguageTable& texts) : texts_(texts) {}

    // Opens a folder: a folder the user picked that holds something but no card files becomes a
    // card only when the user says so (false otherwise: nothing written, no workspace open).
    // Then writes the default user list when there is none, offers to delete commands the
    // recorder has not carried out, writes the default report and command file when there is no
    // report, and reads the report. Raises FileError when a step fails: the files of the steps
    // before it stay, and the workspace open before stays open as it was.
    [[nodiscard]] bool Open(const QString& folder, bool pickedByUser);
    // No workspace is open any more (the choice was cancelled).
    void Close() { open_ = false; }

    bool IsOpen() const { return open_; }
    // True once any workspace has been opened in this run.
    bool OpenedBefore() const { return openedBefore_; }
    // The open folder, ending in a separator.
    const QString& Folder() const { return folder_; }
    const ConfigReport& Report() const { return report_; }
    WorkspaceSummary Summary() const { return SummaryOfReport(report_, reportPath_, texts_); }

private:
    bool AskToMakeCard(const QString& dir) const;
    bool AskToDeletePendingCommands() const;

    const LanguageTable& texts_;
    bool open_ = false;
    bool openedBefore_ = false;
    QString folder_;
    QString reportPath_;
    ConfigReport report_;
};

} // namespace qtx
