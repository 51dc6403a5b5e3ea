#include "link/sync.h"

#include "base/errors.h"
#include "base/paths.h"
#include "base/text_file.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QMap>
#include <QRegularExpression>
#include <limits>

namespace qtx {

namespace {

// Notes when a counter last moved.
class Watch {
public:
    explicit Watch(std::function<quint64()> counter) : counter_(std::move(counter)), last_(counter_())
    {
        clock_.start();
    }
    qint64 QuietMs()
    {
        const quint64 now = counter_();
        if (now != last_) {
            last_ = now;
            clock_.restart();
        }
        return clock_.elapsed();
    }

private:
    std::function<quint64()> counter_;
    quint64 last_;
    QElapsedTimer clock_;
};

} // namespace

bool IsWorkspaceFileName(const QString& name)
{
    for (const char* own : {"KONFOUT.TXT", "konfig.txt", "USERS.txt"}) {
        if (name.compare(QLatin1String(own), Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

bool IsEventFileName(const QString& name)
{
    static const QRegularExpression pattern(QStringLiteral("^\\d{8}\\.csv$"),
                                            QRegularExpression::CaseInsensitiveOption);
    return pattern.match(name).hasMatch();
}

QList<SyncItem> PlanDownload(const QList<QByteArray>& listed)
{
    QList<SyncItem> plan;
    // Stored names compared without letter case: a card copied to a FAT card reader would merge them.
    QMap<QString, QByteArray> taken;
    for (const QByteArray& name : listed) {
        if (!name.contains('.'))
            continue;
        SyncItem item;
        item.listed = name;
        item.name = StoredNameOf(name);
        const QString key = item.name.toLower();
        if (taken.contains(key)) {
            item.action = SyncItem::Refuse;
            item.takenBy = taken.value(key);
        } else {
            taken.insert(key, name);
        }
        plan.append(item);
    }
    return plan;
}

QList<SyncItem> PlanSync(const QList<QByteArray>& listed, const QString& folder, bool fullCheck)
{
    const QDir dir(folder);
    QList<SyncItem> plan = PlanDownload(listed);
    // The newest day counts among the files both here and on the card: a local file the card no
    // longer holds (another card, a recorder clock set back) must not make the card's current
    // day look complete.
    QString newestDay;
    for (SyncItem& item : plan) {
        const QFileInfo local(dir.filePath(item.name));
        if (item.action == SyncItem::Refuse || !local.isFile())
            continue;
        item.localSize = local.size();
        item.action = fullCheck || IsWorkspaceFileName(item.name) ? SyncItem::Fetch : SyncItem::Check;
        // An empty event file is no day here: a save that failed on a full disk may have left it.
        if (IsEventFileName(item.name) && item.localSize > 0 && item.name.left(8) > newestDay)
            newestDay = item.name.left(8);
    }
    for (SyncItem& item : plan) {
        if (!fullCheck && item.action == SyncItem::Check && IsEventFileName(item.name) && item.localSize > 0
            && item.name.left(8) < newestDay)
            item.action = SyncItem::TakeAsComplete;
    }
    return plan;
}

QString SyncStateName(SyncResult::State state)
{
    switch (state) {
    case SyncResult::New:
        return QStringLiteral("new");
    case SyncResult::Grown:
        return QStringLiteral("grown");
    case SyncResult::Changed:
        return QStringLiteral("changed");
    case SyncResult::Same:
        return QStringLiteral("same");
    case SyncResult::NotStored:
        break;
    }
    return QStringLiteral("not stored");
}

FetchSession::FetchSession() : link_(*this)
{
}

FetchSession::~FetchSession() = default;

void FetchSession::LogLine(const QString& text)
{
    if (onLog)
        onLog(text);
}

void FetchSession::AddFileListLine(const QByteArray& line)
{
    lines_.append(line);
}

void FetchSession::ClearFileList()
{
    lines_.clear();
}

int FetchSession::FileListCount() const
{
    return int(lines_.size());
}

QByteArray FetchSession::FileListLine(int index) const
{
    return lines_.value(index);
}

void FetchSession::ReplyEnded()
{
    replyEnded_ = true;
}

void FetchSession::SetFileProgress(int percent)
{
    if (onProgress)
        onProgress(percent);
}

void FetchSession::DownloadEnded(const DownloadOutcome& outcome)
{
    outcome_ = outcome;
}

void FetchSession::DownloadAborted()
{
    aborted_ = true;
}

void FetchSession::UploadFinished()
{
    uploadFinished_ = true;
}

std::optional<qint64> FetchSession::AnnouncedSize(const QByteArray& name, qint64 timeoutMs)
{
    LinkEngine& engine = link_.Engine();
    outcome_.reset();
    aborted_ = false;
    if (!engine.RequestFile(name))
        return std::nullopt;
    engine.StopAtHeader(std::nullopt);
    Watch bytes([&] { return engine.BytesReceived(); });
    bool silent = false;
    link_.RunTimersUntil([&] { return outcome_.has_value() || aborted_; },
                         [&] {
                             if (!silent && bytes.QuietMs() >= timeoutMs) {
                                 silent = true;
                                 engine.RequestAbort();
                             }
                         },
                         false);
    if (!outcome_ || !outcome_->headerOnly)
        return std::nullopt;
    return outcome_->size;
}

bool FetchSession::Upload(const QString& path, qint64 timeoutMs, bool* refused)
{
    LinkEngine& engine = link_.Engine();
    uploadFinished_ = false;
    engine.ArmUpload(path);
    // Only an accepted frame moves the upload on: a recorder that refuses every frame still
    // answers, and must not keep it going for ever.
    Watch accepted([&] { return engine.ProgressCount(); });
    quint64 lastProgress = engine.ProgressCount();
    std::uint16_t errorsAtProgress = 0;
    bool silent = false;
    bool refusedOften = false;
    link_.RunTimersUntil(
        [&] {
            if (engine.ProgressCount() != lastProgress) {
                lastProgress = engine.ProgressCount();
                errorsAtProgress = engine.State().ErrorCount;
            }
            // Refusals since the last accepted frame (the engine's self-test earns one).
            refusedOften = engine.State().ErrorCount - errorsAtProgress > MaxRefusals;
            return uploadFinished_ || silent || refusedOften;
        },
        [&] { silent = accepted.QuietMs() >= timeoutMs; }, false);
    if (!uploadFinished_)
        engine.AbandonUpload();
    if (refused != nullptr)
        *refused = refusedOften;
    return uploadFinished_;
}

std::optional<QList<QByteArray>> FetchSession::ReadList(qint64 silenceMs, ListEnd* end)
{
    LinkEngine& engine = link_.Engine();
    lines_.clear();
    replyEnded_ = false;
    const quint64 bytesBefore = engine.BytesReceived();
    const quint64 repliesBefore = engine.RepliesHeard();
    engine.SendCommand({});
    Watch bytes([&] { return engine.BytesReceived(); });
    QElapsedTimer clock;
    clock.start();
    ListEnd why = ListEnd::Listed;
    const auto stop = [&] {
        if (replyEnded_ || why != ListEnd::Listed)
            return true;
        const quint64 got = engine.BytesReceived() - bytesBefore;
        if (engine.RepliesHeard() == repliesBefore && got > NotRecorderBytes)
            why = ListEnd::NotRecorder;
        else if (got > ListMaxBytes || clock.elapsed() >= ListDeadlineMs)
            why = ListEnd::TooLong;
        return why != ListEnd::Listed;
    };
    link_.RunTimersUntil(
        stop,
        [&] {
            if (why == ListEnd::Listed && bytes.QuietMs() >= silenceMs)
                why = ListEnd::Silent;
        },
        false);
    // A reply that ended in the same run as a bound was passed still is a list.
    if (replyEnded_ && why != ListEnd::NotRecorder)
        why = ListEnd::Listed;
    if (end != nullptr)
        *end = why;
    if (why != ListEnd::Listed) {
        lines_.clear();
        return std::nullopt;
    }
    return lines_;
}

bool FetchSession::RecorderAnswers()
{
    const quint64 before = link_.Engine().BytesReceived();
    const quint64 repliesBefore = link_.Engine().RepliesHeard();
    QElapsedTimer clock;
    clock.start();
    lines_.clear();
    replyEnded_ = false;
    link_.Engine().SendCommand({});
    // Once the answer has begun it may take as long as the card's list needs on the line.
    Watch bytes([&] { return link_.Engine().BytesReceived(); });
    bool gone = false;
    link_.RunTimersUntil([&] { return replyEnded_ || gone; },
                         [&] {
                             const quint64 got = link_.Engine().BytesReceived() - before;
                             // A device that talks without a recorder's reply is no recorder.
                             const bool talker =
                                 link_.Engine().RepliesHeard() == repliesBefore && got > NotRecorderBytes;
                             gone = got != 0 ? bytes.QuietMs() >= ProbeMs || talker : clock.elapsed() >= ProbeMs;
                         },
                         false);
    return replyEnded_;
}

SyncResult FetchSession::Classify(const SyncItem& item, const DownloadOutcome& outcome, const QByteArray& old) const
{
    SyncResult result;
    result.name = item.name;
    if (outcome.headerOnly) {
        result.state = SyncResult::Same;
        result.size = outcome.size;
        return result;
    }
    if (!outcome.stored) {
        result.error = outcome.error;
        return result;
    }
    result.size = outcome.size;
    if (item.localSize < 0) {
        result.state = SyncResult::New;
        return result;
    }
    QByteArray stored;
    try {
        stored = ReadWholeFile(outcome.path);
    } catch (const Error&) {
        result.state = SyncResult::Changed;
        return result;
    }
    if (stored == old)
        result.state = SyncResult::Same;
    else if (stored.size() > old.size() && stored.startsWith(old))
        result.state = SyncResult::Grown;
    else
        result.state = SyncResult::Changed;
    return result;
}

FetchSession::End FetchSession::Fetch(const QList<SyncItem>& plan, const QString& folder, qint64 timeoutMs)
{
    LinkEngine& engine = link_.Engine();
    engine.SetDownloadFolder(folder);
    const QString dir = WithTrailingChar(folder, QLatin1Char('/'));
    Watch bytes([&] { return engine.BytesReceived(); });
    const int count = int(plan.size());
    for (int i = 0; i < count; ++i) {
        const SyncItem& item = plan[i];
        if (item.action == SyncItem::TakeAsComplete) {
            if (onResult)
                onResult({item.name, item.localSize, SyncResult::Same, {}, item.listed});
            continue;
        }
        if (item.action == SyncItem::Refuse) {
            if (onResult)
                onResult({item.name, 0, SyncResult::NotStored,
                          QStringLiteral("%1 is already stored as %2").arg(FromCp1250(item.takenBy), item.name),
                          item.listed});
            continue;
        }
        QByteArray old;
        if (item.localSize >= 0) {
            try {
                old = ReadWholeFile(dir + item.name);
            } catch (const Error&) {
                old.clear();
            }
        }
        if (onStart)
            onStart(item, i, count);
        outcome_.reset();
        aborted_ = false;
        if (engine.RequestFile(item.listed) && item.action == SyncItem::Check
            && item.localSize <= std::numeric_limits<std::int32_t>::max())
            engine.StopAtHeader(static_cast<std::int32_t>(item.localSize));
        Watch progress([&] { return engine.ProgressCount(); });
        bool silent = false;
        bool stalled = false;
        bool garbled = false;
        link_.RunTimersUntil([&] { return outcome_.has_value() || aborted_ || garbled; },
                             [&] {
                                 // "B" goes out only at a good frame or a silence: a line that brings nothing but
                                 // garbage never lets the abort happen.
                                 if (stalled)
                                     garbled = progress.QuietMs() >= 2 * timeoutMs;
                                 if (silent || stalled)
                                     return;
                                 // Stalled means bytes still come, lately, yet none of them moves the file on.
                                 const qint64 quiet = bytes.QuietMs();
                                 if (quiet >= timeoutMs)
                                     silent = true;
                                 else if (progress.QuietMs() >= timeoutMs && quiet < timeoutMs / 2)
                                     stalled = true;
                                 if (silent || stalled)
                                     engine.RequestAbort();
                             },
                             false);
        if (outcome_) {
            if (onResult) {
                SyncResult result = Classify(item, *outcome_, old);
                result.listed = item.listed;
                onResult(result);
            }
            continue;
        }
        const QString seconds = QString::number(double(timeoutMs) / 1000.0);
        SyncResult failed{item.name, 0, SyncResult::NotStored, {}, item.listed};
        bool endRun = false;
        if (garbled) {
            failed.error = QStringLiteral("only unreadable bytes for %1 s; the run ends").arg(seconds);
            endRun = true;
        } else if (stalled) {
            failed.error = QStringLiteral("no progress for %1 s, abandoned").arg(seconds);
        } else if (RecorderAnswers()) {
            failed.error = QStringLiteral("nothing received for %1 s, abandoned").arg(seconds);
        } else {
            failed.error = QStringLiteral("nothing received for %1 s; the recorder stopped answering").arg(seconds);
            endRun = true;
        }
        if (onResult)
            onResult(failed);
        if (endRun) {
            for (int rest = i + 1; rest < count && onResult; ++rest) {
                const SyncItem& later = plan[rest];
                onResult(later.action == SyncItem::TakeAsComplete
                             ? SyncResult{later.name, later.localSize, SyncResult::Same, {}, later.listed}
                             : SyncResult{later.name, 0, SyncResult::NotStored,
                                          later.localSize < 0 ? QStringLiteral("not asked for")
                                                              : QStringLiteral("not checked; the local copy stays"),
                                          later.listed});
            }
            return End::RecorderGone;
        }
    }
    return End::Done;
}

} // namespace qtx
