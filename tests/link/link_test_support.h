#pragma once
// Test helpers of the link: the simulated recorder on a scratch card, an in-memory transport
// wired to it, an event recorder, and a pseudo-terminal peer that a port reaches through a
// QTX_COMn override.

#include "link/link_engine.h"
#include "link/link_view.h"
#include "recorder.h"

#include <QElapsedTimer>
#include <QList>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>
#include <filesystem>
#include <memory>
#include <optional>

class QSocketNotifier;

namespace qtx::test {

// The simulated recorder serving a scratch card folder; the caller gives the time.
class SimCard {
public:
    explicit SimCard(const sim::RecorderSettings& settings = {});

    void AddFile(const QByteArray& name, const QByteArray& content);
    // What the card holds under name, "<missing>" when nothing.
    QByteArray File(const QByteArray& name) const;
    QList<QByteArray> Names() const;
    // A fresh recorder on the same card, such as one with other faults.
    void Restart(const sim::RecorderSettings& settings);

    // Bytes from the manager at nowMs, and the recorder's answer due by then.
    QByteArray Exchange(const QByteArray& bytes, qint64 nowMs);

    const sim::RecorderTally& Tally() const { return recorder_->Tally(); }
    const QList<QByteArray>& Requests() const { return Tally().requests; }
    QByteArray received; // every byte from the manager

private:
    std::filesystem::path Path(const QByteArray& name) const;

    QTemporaryDir folder_;
    std::unique_ptr<sim::Recorder> recorder_;
};

// The port as bytes in memory: what the engine writes goes to the recorder (when there is one),
// and its answer waits to be read. The time is nowMs, moved by the test.
class MemoryLink final : public LinkTransport {
public:
    SimCard* recorder = nullptr;
    qint64 nowMs = 0;
    QByteArray inbound;
    QByteArray written;

    std::uint32_t BytesWaiting() override;
    std::uint32_t Read(char* buffer, std::uint32_t n) override;
    std::uint32_t Write(const char* buffer, std::uint32_t n) override;
    // The written bytes since the last call.
    QByteArray TakeWritten();
};

// Everything the engine reported.
class RecordingEvents final : public LinkEvents {
public:
    QStringList log;
    QList<QByteArray> lines;
    int replyEnds = 0;
    QList<int> progress;
    QList<DownloadOutcome> downloads;
    int aborts = 0;
    int uploadsFinished = 0;
    QStringList shown;

    void LogLine(const QString& text) override { log.append(text); }
    void FileListLine(const QByteArray& line) override { lines.append(line); }
    void ReplyEnded() override { ++replyEnds; }
    void FileProgress(int percent) override { progress.append(percent); }
    void DownloadEnded(const DownloadOutcome& outcome) override { downloads.append(outcome); }
    void DownloadAborted() override { ++aborts; }
    void UploadFinished() override { ++uploadsFinished; }
    void ShowErrorCount(const QString& text) override { shown.append(text); }
    void ShowRetransmission(const QString& text) override { shown.append(text); }
    void ShowUploadFile(const QString& name) override { shown.append(name); }
};

// What the sequencer and the link showed, for tests of the core without windows.
class RecordingView final : public LinkView {
public:
    QString port;
    QList<QByteArray> files;
    QStringList messages;
    QStringList counters;
    QList<int> overall;
    QStringList traces;
    QStringList log;
    QList<DownloadOutcome> downloads;
    int progressClosed = 0;
    int notARecorder = 0;
    QString finishedFolder;
    QString incompleteFolder;
    QList<DownloadOutcome> notStored;

    void LogLine(const QString& text) override { log.append(text); }
    void AddFileListLine(const QByteArray& line) override { files.append(line); }
    void ClearFileList() override { files.clear(); }
    int FileListCount() const override { return int(files.size()); }
    QByteArray FileListLine(int index) const override { return files.value(index); }
    void ProgressMessage(const QString& text) override { messages.append(text); }
    void SetCounter(const QString& text) override { counters.append(text); }
    void SetOverallProgress(int percent) override { overall.append(percent); }
    void CloseProgress() override { ++progressClosed; }
    void NotARecorder() override { ++notARecorder; }
    QString ChosenPortName() const override { return port; }
    void Trace(const QString& text) override { traces.append(text); }
    void DownloadsFinished(const QString& folder) override { finishedFolder = folder; }
    void DownloadsIncomplete(const QString& folder, const QList<DownloadOutcome>& outcomes) override
    {
        incompleteFolder = folder;
        notStored = outcomes;
    }
    void DownloadEnded(const DownloadOutcome& outcome) override { downloads.append(outcome); }
};

// A path this process may not open for reading and writing (a file of mode 000 in folder, or,
// for root, who passes file modes, a read-only sysfs file); empty when there is none.
QString UnopenablePath(const QString& folder);

// A pseudo-terminal whose slave side is the port QTX_COM<number>; the test holds the master side
// and, with a recorder attached, answers like a recorder.
class PtyPeer {
public:
    explicit PtyPeer(int number);
    ~PtyPeer();
    PtyPeer(const PtyPeer&) = delete;
    PtyPeer& operator=(const PtyPeer&) = delete;

    QString Name() const;
    QString Device() const { return device_; }
    int Master() const { return master_; }

    // Reads what the manager sent; with a recorder, writes its answer due by now (nowMs, or the
    // wall clock since the peer was made). Returns the bytes read.
    QByteArray Pump(std::optional<qint64> nowMs = std::nullopt);
    // Pumps from the event loop whenever bytes arrive, and every 2 ms for answers held back.
    void AutoPump();
    void Send(const QByteArray& bytes);

    SimCard* recorder = nullptr;
    QByteArray received;

private:
    int number_;
    int master_ = -1;
    int slave_ = -1;
    QString device_;
    QElapsedTimer clock_;
    std::unique_ptr<QSocketNotifier> notifier_;
    QTimer timer_;
};

} // namespace qtx::test
