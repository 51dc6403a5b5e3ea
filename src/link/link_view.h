#pragma once
// What the link and its task sequencer show and ask of the windows: the raw console's log and
// file list, the progress window, the COM port chooser's choice and the main window. The windows
// implement it; qtxctl implements it on standard output and standard error.

#include "link/com_socket.h"
#include "link/link_engine.h"

#include <QByteArray>
#include <QString>

namespace qtx {

// LinkView, the windows behind the link; every hook does nothing unless overridden.
class LinkView {
public:
    virtual ~LinkView();

    // The raw console: the link log and the file list the list request fills.
    virtual void LogLine(const QString& text);
    virtual void AddFileListLine(const QByteArray& line);
    virtual void ClearFileList();
    virtual int FileListCount() const;
    virtual QByteArray FileListLine(int index) const;
    // A command reply ended (its 0x15 arrived).
    virtual void ReplyEnded();

    // The progress window.
    virtual void ProgressMessage(const QString& text);
    virtual void SetCounter(const QString& text);
    virtual void SetFileProgress(int percent);
    virtual void SetOverallProgress(int percent);
    // Closes the progress window at the normal end of the sequence (not a cancel).
    virtual void CloseProgress();
    // The recorder did not answer the list request in time; the port is closed, the run ended.
    virtual void ListNotAnswered();
    // The device on the port talks but answered the list request with no recorder's reply; the
    // port is closed, the run ended.
    virtual void NotARecorder();

    // The port name chosen in the COM port chooser.
    virtual QString ChosenPortName() const;
    // The sequencer's connect step could not open the port; the port holds the reason.
    virtual void PortOpenFailed(const QString& name, const TCOMSocket& port);
    // The link's debug trace, in the qtx.link logging category (off unless switched on).
    virtual void Trace(const QString& text);
    // Upload diagnostics on the main window.
    virtual void ShowErrorCount(const QString& text);
    virtual void ShowRetransmission(const QString& text);
    virtual void ShowUploadFile(const QString& name);
    // The sequence fetched every file: open the folder as the workspace without asking.
    virtual void DownloadsFinished(const QString& folder);
    // The sequence ended (at the end of the list, or abandoned) with files not stored: say which
    // and why; the folder may hold older copies of them, so it is not opened as fresh.
    virtual void DownloadsIncomplete(const QString& folder, const QList<DownloadOutcome>& notStored);

    // Outcomes of single transfers.
    virtual void DownloadEnded(const DownloadOutcome& outcome);
    virtual void DownloadAborted();
    virtual void UploadFinished();
};

} // namespace qtx
