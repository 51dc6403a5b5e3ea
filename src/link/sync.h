#pragma once
// Fetching the recorder's files without windows: the list, a plan that brings a folder up to the
// card with the least traffic, and a fetch loop that sends each request as soon as the previous
// file ended and ends the whole run when the recorder stops answering.

#include "link/link_controller.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <functional>
#include <optional>

namespace qtx {

// An event file: a date as eight digits and ".csv", in any letter case.
bool IsEventFileName(const QString& name);

// One listed file and what to do with it.
struct SyncItem {
    enum Action {
        Fetch,          // fetch whole (no local copy, or a plain download)
        Check,          // ask for it; stop after the header when it announces the local size
        TakeAsComplete, // an older day's event file already here: not asked for
        Refuse,         // an earlier listed name is stored under the same name: not asked for
    };
    QByteArray listed; // the name as the recorder listed it
    QString name;      // the name it is stored under
    Action action = Fetch;
    qint64 localSize = -1; // -1: no local copy
    QByteArray takenBy;    // Refuse: the listed name that took the stored name
};

// The workspace's own files (the recorder's report, its command file, the user list): small, and
// rewritten in place, so a changed one may keep its size.
bool IsWorkspaceFileName(const QString& name);

// Every listed name with a "." fetched whole, as the automatic download does; a name whose stored
// name an earlier listed name already takes is refused, so neither overwrites the other.
QList<SyncItem> PlanDownload(const QList<QByteArray>& listed);

// The plan that brings `folder` up to the card. The recorder writes one event file per day and
// only appends to the current one, so an event file present here and dated before the newest
// listed event file present here is complete (unless fullCheck); the workspace's own files are
// fetched whole and compared, and so is every file with fullCheck; every other local file is
// checked by size.
QList<SyncItem> PlanSync(const QList<QByteArray>& listed, const QString& folder, bool fullCheck);

// How a listed file ended.
struct SyncResult {
    enum State { New, Grown, Changed, Same, NotStored };
    QString name;    // the stored name
    qint64 size = 0; // the stored or local size; 0 when not stored
    State state = NotStored;
    QString error;
    QByteArray listed; // the name as the recorder listed it
};

QString SyncStateName(SyncResult::State state);

// A link of its own that lists and fetches; it is the link's view, so nothing reaches a window.
class FetchSession final : public LinkView {
public:
    enum class End { Done, RecorderGone };
    // How a list request ended.
    enum class ListEnd { Listed, Silent, NotRecorder, TooLong };

    FetchSession();
    ~FetchSession() override;

    LinkController& Link() { return link_; }

    // Called before each requested file (index counts from 0), with each stored frame's share of
    // the file, with each finished item, and with each link log line.
    std::function<void(const SyncItem& item, int index, int count)> onStart;
    std::function<void(int percent)> onProgress;
    std::function<void(const SyncResult& result)> onResult;
    std::function<void(const QString& text)> onLog;

    // The card's names; nothing when no byte of the answer came for silenceMs, when what came is
    // no recorder's reply (no good reply header within NotRecorderBytes), or when the answer
    // passes ListMaxBytes or ListDeadlineMs (a device that talks without end). end says which.
    std::optional<QList<QByteArray>> ReadList(qint64 silenceMs, ListEnd* end = nullptr);

    // Fetches the plan's files into folder one right after the other; every item gets a result.
    // A file that receives nothing for timeoutMs ends the run unless the recorder still answers
    // a list request at once (then only that file is given up); a file whose bytes keep coming
    // without progress for timeoutMs is given up with "B".
    End Fetch(const QList<SyncItem>& plan, const QString& folder, qint64 timeoutMs);

    // The size the recorder's file header announces for name, the transfer stopped right after
    // it; nothing when no header came within timeoutMs.
    std::optional<qint64> AnnouncedSize(const QByteArray& name, qint64 timeoutMs);

    // Sends a file to the recorder (raises FileError when it cannot be read); false when no frame
    // was accepted for timeoutMs (answers that refuse a frame do not count) or one frame was
    // refused MaxRefusals times in a row, before the last frame was accepted; refused says which.
    [[nodiscard]] bool Upload(const QString& path, qint64 timeoutMs, bool* refused = nullptr);

    // Silence after a list request before the recorder counts as gone.
    static constexpr qint64 ProbeMs = 400;
    // Bytes of a list answer that may come before its reply header: more, and it is no recorder.
    static constexpr quint64 NotRecorderBytes = 512;
    // Bounds of a list answer: far beyond any card's list on the line, reached only by a talker.
    static constexpr quint64 ListMaxBytes = quint64{4} << 20;
    static constexpr qint64 ListDeadlineMs = 300000;
    // Refusals of one upload frame in a row after which the upload is given up.
    static constexpr int MaxRefusals = 20;

private:
    void LogLine(const QString& text) override;
    void AddFileListLine(const QByteArray& line) override;
    void ClearFileList() override;
    int FileListCount() const override;
    QByteArray FileListLine(int index) const override;
    void ReplyEnded() override;
    void SetFileProgress(int percent) override;
    void DownloadEnded(const DownloadOutcome& outcome) override;
    void DownloadAborted() override;
    void UploadFinished() override;

    bool RecorderAnswers();
    SyncResult Classify(const SyncItem& item, const DownloadOutcome& outcome, const QByteArray& old) const;

    QList<QByteArray> lines_;
    bool replyEnded_ = false;
    std::optional<DownloadOutcome> outcome_;
    bool aborted_ = false;
    bool uploadFinished_ = false;
    LinkController link_;
};

} // namespace qtx
