#include "link/task_sequencer.h"

#include "base/text_file.h"
#include "link/link_controller.h"

namespace qtx {

TaskSequencer::TaskSequencer(LinkController& link, LinkView& view) : link_(link), view_(view)
{
}

void TaskSequencer::Start()
{
    link_.Engine().ClearAbortRequest();
    skipping_ = false;
    listWait_ = -1;
    closeAfterAbort_ = false;
    silentEvents_ = 0;
    notStored_.clear();
    storedNames_.clear();
    group_ = 1;
    step_ = Connect;
}

void TaskSequencer::TimerLaunchEvents()
{
    if (group_ != 1)
        return;
    switch (step_) {
    case Connect:
        ConnectStep();
        break;
    case AskList:
        AskListStep();
        break;
    case FetchNext:
        FetchNextStep();
        break;
    default:
        if (listWait_ >= 0 && link_.Engine().RepliesHeard() == listReplies_
            && link_.Engine().BytesReceived() - listBytes_ > NotRecorderBytes)
            ListNotAnswered(true);
        else if (listWait_ >= 0 && ++listWait_ >= ListAnswerEvents)
            ListNotAnswered(false);
        else if (listWait_ < 0)
            WatchFileSilence();
        break;
    }
}

void TaskSequencer::WatchFileSilence()
{
    LinkEngine& engine = link_.Engine();
    if (!engine.State().Receiving || engine.BytesReceived() != bytesSeen_) {
        bytesSeen_ = engine.BytesReceived();
        silentEvents_ = 0;
        return;
    }
    if (++silentEvents_ >= FileSilenceEvents)
        AbandonRun();
}

void TaskSequencer::AbandonRun()
{
    // A recorder that stopped in the middle of a file: without this the run would wait for ever
    // and keep the port. The file in progress is dropped whole; no part of it is stored.
    LinkEngine& engine = link_.Engine();
    DownloadOutcome current;
    current.name = engine.State().TransferFileName;
    current.refusal = Refusal::DeviceSilent;
    current.error = QStringLiteral("the device stopped answering; the download was abandoned");
    notStored_.append(current);
    for (int later = fileIndex_ + 1; later < view_.FileListCount(); ++later) {
        const QByteArray line = view_.FileListLine(later);
        if (!line.contains('.'))
            continue;
        DownloadOutcome skipped;
        skipped.name = FromCp1250(line);
        skipped.refusal = Refusal::NotAskedFor;
        skipped.error = QStringLiteral("not asked for");
        notStored_.append(skipped);
    }
    engine.AbandonDownload();
    link_.CloseLink();
    group_ = 0;
    step_ = Wait;
    fileIndex_ = 0;
    silentEvents_ = 0;
    view_.Trace(QStringLiteral("the device stopped answering during a download"));
    view_.CloseProgress();
    view_.DownloadsIncomplete(engine.DownloadFolder(), notStored_);
}

void TaskSequencer::ConnectStep()
{
    view_.Trace(QStringLiteral("task 1, 1"));
    const QString port = view_.ChosenPortName();
    if (link_.OpenLink(port, 1)) {
        step_ = AskList;
        view_.Trace(QStringLiteral("połączono z urządzeniem"));
        view_.ProgressMessage(QStringLiteral("połączono z urządzeniem"));
    } else {
        step_ = Wait;
        group_ = 0;
        view_.Trace(QStringLiteral("Nie można połączyć się z urządzeniem"));
        view_.ProgressMessage(QStringLiteral("nie można połączyć z urządzeniem"));
        view_.PortOpenFailed(port, link_.Port());
    }
}

void TaskSequencer::AskListStep()
{
    view_.Trace(QStringLiteral("task 1, 2"));
    step_ = Wait;
    view_.ClearFileList();
    view_.ProgressMessage(QStringLiteral("Trwa sprawdzanie stanu karty"));
    listBytes_ = link_.Engine().BytesReceived();
    listReplies_ = link_.Engine().RepliesHeard();
    link_.Engine().SendCommand({});
    fileIndex_ = 0;
    listWait_ = 0;
}

void TaskSequencer::ListNotAnswered(bool talking)
{
    // Nothing on the line answers (no recorder, a wrong port): without this the run would wait
    // for ever and keep the port.
    listWait_ = -1;
    link_.CloseLink();
    group_ = 0;
    step_ = Wait;
    fileIndex_ = 0;
    view_.Trace(talking ? QStringLiteral("no recorder's answer to the list request")
                        : QStringLiteral("no answer to the list request"));
    if (talking)
        view_.NotARecorder();
    else
        view_.ListNotAnswered();
}

void TaskSequencer::FetchNextStep()
{
    // A refused name reports its end at once and sets the step back to 3: go on in this event.
    while (group_ == 1 && step_ == FetchNext) {
        view_.Trace(QStringLiteral("task 1, 3"));
        const int count = view_.FileListCount();
        if (fileIndex_ >= count) {
            Finish();
            return;
        }
        step_ = Wait;
        const QByteArray line = view_.FileListLine(fileIndex_);
        if (line.contains('.')) {
            view_.SetCounter(QString::number(fileIndex_ + 1) + QStringLiteral(" / ") + QString::number(count));
            view_.SetOverallProgress(static_cast<int>(qint64(fileIndex_) * 100 / count));
            // Two listed names stored under one name would overwrite each other: the second is
            // refused (REPORT.TXT.OLD is asked for, and stored, as REPORT.TXT).
            const QString stored = StoredNameOf(line).toLower();
            if (storedNames_.contains(stored)) {
                DownloadOutcome refused;
                refused.name = FromCp1250(line);
                refused.refusal = Refusal::SameStoredName;
                refused.takenBy = FromCp1250(storedNames_.value(stored));
                refused.error = QStringLiteral("%1 is already stored as %2").arg(refused.takenBy, StoredNameOf(line));
                view_.DownloadEnded(refused);
                FileEnded(refused);
                continue;
            }
            storedNames_.insert(stored, line);
            link_.Engine().RequestFile(line);
        } else {
            fileIndex_ += 1;
            step_ = FetchNext;
        }
    }
}

void TaskSequencer::Finish()
{
    link_.CloseLink();
    view_.CloseProgress();
    view_.SetOverallProgress(0);
    view_.ProgressMessage(QStringLiteral("Zakończono pobieranie plików."));
    group_ = 0;
    step_ = Wait;
    fileIndex_ = 0;
    if (notStored_.isEmpty())
        view_.DownloadsFinished(link_.Engine().DownloadFolder());
    else
        view_.DownloadsIncomplete(link_.Engine().DownloadFolder(), notStored_);
}

void TaskSequencer::ReplyEnded()
{
    if (group_ != 1)
        return;
    listWait_ = -1;
    step_ = FetchNext;
    view_.ProgressMessage(QStringLiteral("Trwa pobieranie plików."));
}

void TaskSequencer::FileEnded(const DownloadOutcome& outcome)
{
    if (group_ == 1 && !outcome.stored && !outcome.headerOnly)
        notStored_.append(outcome);
    FileDone();
}

void TaskSequencer::FileDone()
{
    skipping_ = false;
    fileIndex_ += 1;
    step_ = FetchNext;
}

void TaskSequencer::DownloadAborted()
{
    if (closeAfterAbort_) {
        closeAfterAbort_ = false;
        link_.CloseLink();
    } else if (skipping_) {
        FileDone();
    }
}

void TaskSequencer::Cancel()
{
    group_ = 0;
    step_ = Wait;
    fileIndex_ = 0;
    skipping_ = false;
    listWait_ = -1;
    link_.Engine().RequestAbort();
    // A running download is told to stop first ("B" at its next frame or idle timeout, within a
    // few link runs); the port goes when that is done.
    if (link_.Engine().State().Receiving)
        closeAfterAbort_ = true;
    else
        link_.CloseLink();
}

void TaskSequencer::SkipCurrentFile()
{
    skipping_ = true;
    link_.Engine().RequestAbort();
}

} // namespace qtx
