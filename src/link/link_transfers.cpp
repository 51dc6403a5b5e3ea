// The transfers the link engine carries: requests, what happens to received payload, saving a
// fetched file, and arming an upload.

#include "base/errors.h"
#include "base/paths.h"
#include "base/text_file.h"
#include "link/link_engine.h"

#include <QDir>
#include <algorithm>
#include <limits>

namespace qtx {

bool HasControlCharacter(const QByteArray& bytes)
{
    return std::any_of(bytes.begin(), bytes.end(), [](char c) {
        const auto b = static_cast<unsigned char>(c);
        return b < 0x20 || b == 0x7F;
    });
}

QString StoredNameOf(const QByteArray& listed)
{
    return BaseNameOfPath(FromCp1250(wire::RequestArgument(listed)));
}

bool IsStorableArgument(const QByteArray& argument)
{
    if (argument.size() > wire::MaxRequestArgument || HasControlCharacter(argument))
        return false;
    const QString base = BaseNameOfPath(FromCp1250(argument));
    return !base.isEmpty() && base != QLatin1String(".") && base != QLatin1String("..");
}

namespace {

DownloadOutcome Refused(const QString& name, Refusal refusal, const QString& error)
{
    DownloadOutcome outcome;
    outcome.name = name;
    outcome.refusal = refusal;
    outcome.error = error;
    return outcome;
}

} // namespace

bool LinkEngine::RequestFile(const QByteArray& name)
{
    LinkState& s = state_;
    const QByteArray argument = wire::RequestArgument(name);
    if (!IsStorableArgument(argument)) {
        const QString shown = FromCp1250(name);
        if (argument.size() > wire::MaxRequestArgument)
            events_.DownloadEnded(Refused(shown, Refusal::NameTooLong, QStringLiteral("name too long for a request")));
        else if (HasControlCharacter(argument))
            events_.DownloadEnded(
                Refused(shown, Refusal::ControlCharacter, QStringLiteral("the name holds a control character")));
        else
            events_.DownloadEnded(Refused(shown, Refusal::NotAFileName, QStringLiteral("not a file name")));
        return false;
    }
    s.LinkMode = LinkModes::Download;
    s.BytesDone = 0;
    s.TransferBuffer = QByteArray();
    s.TransferFileName = FromCp1250(argument);
    // A cancel left over from an earlier run must not end this download.
    s.AbortRequested = false;
    headerStopArmed_ = false;
    const QByteArray frame = wire::RequestFrame({}, wire::CodeGetFile, argument);
    SendRaw(frame.constData(), int(frame.size()));
    s.Receiving = true;
    progressCount_ += 1;
    return true;
}

bool LinkEngine::RequestDelete(const QByteArray& name)
{
    LinkState& s = state_;
    const QByteArray argument = wire::RequestArgument(name);
    if (argument.size() > wire::MaxRequestArgument) {
        Log(QStringLiteral("Nazwa za dluga: ") + FromCp1250(name));
        return false;
    }
    // A CR inside the name would end the request early and name another file.
    if (HasControlCharacter(argument)) {
        Log(QStringLiteral("Nazwa ze znakiem sterujacym"));
        return false;
    }
    s.BytesDone = 0;
    s.TransferFileName = FromCp1250(argument);
    const QByteArray frame = wire::RequestFrame({}, wire::CodeDelete, argument);
    SendRaw(frame.constData(), int(frame.size()));
    return true;
}

QString LinkEngine::UploadStartFolder() const
{
    // Where the last transferred file is: the folder of the last upload, or the download folder
    // for a fetched name that carries no folder.
    QString folder = DirOfPath(state_.TransferFileName);
    if (folder.isEmpty() && QDir(downloadFolder_).exists())
        folder = downloadFolder_;
    return folder;
}

void LinkEngine::StartUpload(const QString& path)
{
    state_.TransferFileName = path;
    events_.ShowUploadFile(BaseNameOfPath(path));
    ArmUpload(path);
}

void LinkEngine::ArmUpload(const QString& path)
{
    LinkState& s = state_;
    if (HasControlCharacter(ToCp1250(BaseNameOfPath(path))))
        throw FileError(QStringLiteral("%1: the name holds a control character").arg(path));
    QByteArray data = ReadWholeFile(path);
    if (data.size() > std::numeric_limits<std::int32_t>::max())
        throw FileError(QStringLiteral("%1 is too large to send").arg(path));
    s.TransferFileName = path;
    s.TransferBuffer = std::move(data);
    s.UploadState = UploadStates::Start;
    s.LinkMode = LinkModes::Upload;
}

void LinkEngine::HeaderAccepted()
{
    state_.LastAcceptedFrame = -1;
    durationClock_.start();
    progressCount_ += 1;
}

void LinkEngine::StopAtHeader(std::optional<std::int32_t> size)
{
    headerStopArmed_ = true;
    headerStopSize_ = size;
}

bool LinkEngine::StopAfterHeader()
{
    LinkState& s = state_;
    if (!headerStopArmed_ || (headerStopSize_ && *headerStopSize_ != s.FileSize))
        return false;
    headerStopArmed_ = false;
    SendAnswer(wire::Abort);
    StopReceiving();
    s.FrameIndex = 0;
    s.TransferBuffer.reset();
    s.BytesDone = 0;
    stopped_ = DownloadOutcome();
    stopped_.name = s.TransferFileName;
    stopped_.size = static_cast<std::uint32_t>(s.FileSize);
    stopped_.headerOnly = true;
    discarding_ = true;
    quietRuns_ = 0;
    Log(QStringLiteral("zatrzymano po naglowku (rozmiar pliku = ") + QString::number(stopped_.size) + QLatin1Char(')'));
    return true;
}

void LinkEngine::DiscardHandling()
{
    if (!discarding_)
        return;
    if (!state_.TickBytes.isEmpty()) {
        quietRuns_ = 0;
        return;
    }
    if (++quietRuns_ <= QuietRunsNeeded())
        return;
    discarding_ = false;
    events_.DownloadEnded(stopped_);
}

void LinkEngine::PayloadAccepted(int length)
{
    LinkState& s = state_;
    if (s.TransferBuffer)
        s.TransferBuffer->append(s.FrameBuffer.data(), length);
    s.BytesDone += length;
    progressCount_ += 1;
    if (s.FileSize != 0)
        events_.FileProgress(static_cast<int>(qint64(s.BytesDone) * 100 / static_cast<std::uint32_t>(s.FileSize)));
}

void LinkEngine::DownloadComplete()
{
    LinkState& s = state_;
    s.Receiving = false;
    s.FrameIndex = 0;
    s.FramePhase = 0;
    s.Duration = static_cast<std::int32_t>(durationClock_.isValid() ? durationClock_.elapsed() / 1000 : 0);
    const qint64 rate = s.Duration != 0 ? qint64(s.FileSize) / (qint64(s.Duration) * 1000) : 0;
    Log(QStringLiteral("Trnsmisja trwala = ") + QString::number(s.Duration) + QStringLiteral("sek, transfer = ")
        + QString::number(rate) + QStringLiteral("kB/sek"));
    const qint64 announced = static_cast<std::uint32_t>(s.FileSize);
    s.BytesDone = 0;
    s.FileSize = 0;

    const QString name = s.TransferFileName;
    if (!s.TransferBuffer) {
        events_.DownloadEnded(Refused(name, Refusal::NoTransfer, QStringLiteral("no transfer in progress")));
        return;
    }
    const QByteArray data = std::move(*s.TransferBuffer);
    s.TransferBuffer.reset();
    const QString base = BaseNameOfPath(name);
    if (base.isEmpty() || base == QLatin1String(".") || base == QLatin1String("..")) {
        events_.DownloadEnded(Refused(name, Refusal::NotAFileName, QStringLiteral("not a file name")));
        return;
    }
    if (data.size() != announced) {
        DownloadOutcome outcome = Refused(name, Refusal::Incomplete,
                                          QStringLiteral("received %1 bytes of %2").arg(data.size()).arg(announced));
        outcome.got = data.size();
        outcome.expected = announced;
        events_.DownloadEnded(outcome);
        return;
    }
    const QString folder = WithTrailingChar(downloadFolder_, QLatin1Char('/'));
    const QString path = folder + base;
    QDir().mkpath(folder);
    try {
        WriteWholeFile(path, data);
    } catch (const FileError& error) {
        // The engine keeps running; the failure is reported like any other refused transfer.
        DownloadOutcome outcome = Refused(name, Refusal::NotWritten, error.message());
        outcome.path = path;
        outcome.cause = error.reason();
        events_.DownloadEnded(outcome);
        return;
    }
    DownloadOutcome outcome;
    outcome.stored = true;
    outcome.name = name;
    outcome.path = path;
    outcome.size = data.size();
    events_.DownloadEnded(outcome);
}

void LinkEngine::AbandonUpload()
{
    LinkState& s = state_;
    if (s.LinkMode != LinkModes::Upload)
        return;
    s.TransferBuffer.reset();
    s.UploadState = UploadStates::Idle;
    s.LinkMode = LinkModes::Command;
    Log(QStringLiteral("Wysylanie pliku przerwane"));
}

void LinkEngine::AbandonDownload()
{
    LinkState& s = state_;
    if (!s.Receiving)
        return;
    SendAnswer(wire::Abort);
    StopReceiving();
    s.FrameIndex = 0;
    s.BytesDone = 0;
    s.AbortRequested = false;
    s.TransferBuffer.reset();
    headerStopArmed_ = false;
}

void LinkEngine::AbortCarriedOut()
{
    state_.TransferBuffer.reset();
}

void LinkEngine::UploadFinished()
{
    LinkState& s = state_;
    s.TransferBuffer.reset();
    s.UploadState = UploadStates::Idle;
    s.LinkMode = LinkModes::Command;
    Log(QStringLiteral("Wysylanie pliku zakonczone powodzeniem"));
    events_.UploadFinished();
}

} // namespace qtx
