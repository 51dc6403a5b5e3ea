#include "link/sync.h"

#include "base/errors.h"
#include "base/paths.h"
#include "base/text_file.h"
#include "link/wire_format.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
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

// The engine stores a file under the base name of its request argument.
QString StoredName(const QByteArray& listed)
{
    return BaseNameOfPath(FromCp1250(wire::RequestArgument(listed)));
}

} // namespace

bool IsEventFileName(const QString& name)
{
    static const QRegularExpression pattern(QStringLiteral("^\\d{8}\\.csv$"),
                                            QRegularExpression::CaseInsensitiveOption);
    return pattern.match(name).hasMatch();
}

QList<SyncItem> PlanDownload(const QList<QByteArray>& listed)
{
    QList<SyncItem> plan;
    for (const QByteArray& name : listed) {
        if (!name.contains('.'))
            continue;
        SyncItem item;
        item.listed = name;
        item.name = StoredName(name);
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
        if (!local.isFile())
            continue;
        item.localSize = local.size();
        item.action = SyncItem::Check;
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

bool FetchSession::Upload(const QString& path, qint64 timeoutMs)
{
    LinkEngine& engine = link_.Engine();
    uploadFinished_ = false;
    engine.ArmUpload(path);
    Watch answers([&] { return engine.BytesReceived(); });
    bool silent = false;
    link_.RunTimersUntil([&] { return uploadFinished_ || silent; }, [&] { silent = answers.QuietMs() >= timeoutMs; },
                         false);
    return uploadFinished_;
}

std::optional<QList<QByteArray>> FetchSession::ReadList(qint64 silenceMs)
{
    LinkEngine& engine = link_.Engine();
    lines_.clear();
    replyEnded_ = false;
    engine.SendCommand({});
    Watch bytes([&] { return engine.BytesReceived(); });
    bool silent = false;
    link_.RunTimersUntil([&] { return replyEnded_ || silent; }, [&] { silent = bytes.QuietMs() >= silenceMs; }, false);
    if (!replyEnded_)
        return std::nullopt;
    return lines_;
}

bool FetchSession::RecorderAnswers()
{
    const quint64 before = link_.Engine().BytesReceived();
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
                             const bool started = link_.Engine().BytesReceived() != before;
                             gone = started ? bytes.QuietMs() >= ProbeMs : clock.elapsed() >= ProbeMs;
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
                onResult({item.name, item.localSize, SyncResult::Same, {}});
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
            if (onResult)
                onResult(Classify(item, *outcome_, old));
            continue;
        }
        const QString seconds = QString::number(double(timeoutMs) / 1000.0);
        SyncResult failed{item.name, 0, SyncResult::NotStored, {}};
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
                             ? SyncResult{later.name, later.localSize, SyncResult::Same, {}}
                             : SyncResult{later.name, 0, SyncResult::NotStored,
                                          later.localSize < 0 ? QStringLiteral("not asked for")
                                                              : QStringLiteral("not checked; the local copy stays")});
            }
            return End::RecorderGone;
        }
    }
    return End::Done;
}

} // namespace qtx
