#pragma once
// The launch-events task sequencer: connect, list the card, fetch every listed file, finish.

#include "link/link_engine.h"

#include <QList>
#include <QMap>
#include <QString>

namespace qtx {

class LinkController;
class LinkView;

// TaskSequencer, stepped by the 100 ms TimerLaunchEvents. It owns its three counters (task group,
// task step, file index); the windows and tools read them through it.
class TaskSequencer {
public:
    enum Step { Wait = 0, Connect = 1, AskList = 2, FetchNext = 3 };
    // Timer events (100 ms each) the recorder has to end its answer to the list request: 10 s.
    static constexpr int ListAnswerEvents = 100;
    // Timer events without a byte during a download after which the run is abandoned: 10 s.
    static constexpr int FileSilenceEvents = 100;
    // Bytes of a list answer that may come before its reply header: more, and it is no recorder.
    static constexpr quint64 NotRecorderBytes = 512;

    TaskSequencer(LinkController& link, LinkView& view);

    // Task group 1, step 1. A cancel left pending by an earlier run is dropped.
    void Start();
    // One TimerLaunchEvents event.
    void TimerLaunchEvents();
    // The command reply ended (0x15): fetch the listed files.
    void ReplyEnded();
    // A download completed, stored or not: move on to the next listed file.
    void FileDone();
    // As FileDone, noting a file not stored for the report at the end of the run.
    void FileEnded(const DownloadOutcome& outcome);
    // A download was abandoned with "B"; moves on when SkipCurrentFile asked for it.
    void DownloadAborted();
    // The user closed the progress window: stop, end the current download with "B" and let the
    // port go (at once, or once the "B" is out).
    void Cancel();
    // Abandons the current download with "B" and goes on with the next file (a silent recorder).
    void SkipCurrentFile();

    bool Running() const { return group_ == 1; }
    // 1 while the sequence runs, 0 otherwise.
    int TaskGroup() const { return group_; }
    // The Step the next timer event carries out.
    int TaskStep() const { return step_; }
    // The position in the file list of the file being fetched.
    int FileIndex() const { return fileIndex_; }

private:
    void ConnectStep();
    void AskListStep();
    void FetchNextStep();
    void Finish();
    // talking: bytes came, but no recorder's reply (a device that is not the recorder).
    void ListNotAnswered(bool talking);
    void WatchFileSilence();
    void AbandonRun();

    LinkController& link_;
    LinkView& view_;
    int group_ = 0;
    int step_ = Wait;
    int fileIndex_ = 0;
    bool skipping_ = false;
    // Timer events since the list request while its answer is awaited; -1 when none is awaited.
    int listWait_ = -1;
    bool closeAfterAbort_ = false;
    // Timer events since a byte last came during a download, and the byte count then.
    int silentEvents_ = 0;
    quint64 bytesSeen_ = 0;
    // The byte and reply counts when the list was asked for.
    quint64 listBytes_ = 0;
    quint64 listReplies_ = 0;
    // This run: the files not stored, and each stored name (lower case) with the listed name
    // that took it.
    QList<DownloadOutcome> notStored_;
    QMap<QString, QByteArray> storedNames_;
};

} // namespace qtx
