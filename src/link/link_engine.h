#pragma once
// The link engine: LinkState, LinkTick and its parsers, the requests, and the transfers they carry.
// It reaches the port through LinkTransport and reports through LinkEvents, so it runs against a
// serial port, a pseudo-terminal or an in-memory peer alike.

#include "link/wire_format.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QString>
#include <array>
#include <cstdint>
#include <optional>

namespace qtx {

class TCOMSocket;

enum class LinkModes : std::uint8_t { Command = 0, Download = 1, Upload = 2 };
enum class UploadStates : std::uint8_t { Idle = 0, Start = 1, Sending = 2 };
enum AckStates : std::uint8_t { AckAccepted = 0, AckWaiting = 1, AckRejected = 2 };

// LinkState, the one record of the link engine.
struct LinkState {
    LinkModes LinkMode = LinkModes::Command;
    UploadStates UploadState = UploadStates::Idle;
    std::uint8_t AckState = AckAccepted;
    bool Receiving = false;
    bool AbortRequested = false;
    std::optional<QByteArray> TransferBuffer;
    std::int32_t BytesDone = 0;
    QString TransferFileName = QStringLiteral("plik");
    std::int32_t Duration = 0;
    std::int32_t FileSize = 0;
    std::int32_t BytesLeft = 0;
    std::uint8_t FrameNumber = 0;
    std::uint32_t FramesSent = 0;
    bool SelfTestDone = false;
    std::uint16_t ErrorCount = 0;
    std::uint16_t Checksum = 0;
    std::uint16_t ReceivedChecksum = 0;
    std::int32_t FrameLength = 0;
    std::int32_t FrameIndex = 0;
    std::uint8_t FramePhase = 0;
    bool FrameError = false;
    std::uint32_t IdleTicks = 0;
    std::int32_t ReplyIndex = 0;
    std::uint8_t DeviceId = 0;
    std::uint8_t PasswordAccepted = 0;
    std::uint32_t LineLength = 0;
    std::array<char, wire::FrameBufferSize> FrameBuffer{};
    std::array<char, wire::LineBufferSize> LineBuffer{};
    QByteArray TickBytes;
    // Number of the download frame being parsed, and of the last one stored (-1: none since the
    // header), so a frame the recorder resends after a lost "{" is acknowledged but not stored twice.
    std::uint8_t IncomingFrameNumber = 0;
    int LastAcceptedFrame = -1;
};

// The port as the engine sees it: bytes waiting, a read of at most n of them, a write.
class LinkTransport {
public:
    virtual ~LinkTransport();
    virtual std::uint32_t BytesWaiting() = 0;
    virtual std::uint32_t Read(char* buffer, std::uint32_t n) = 0;
    virtual std::uint32_t Write(const char* buffer, std::uint32_t n) = 0;
    // How long an answer may take to start coming beyond a serial line's own pause, in ms: a
    // network's round trip and its jitter. The engine waits at least this long before it asks
    // for a frame again or takes the line as quiet.
    virtual std::uint32_t AnswerAllowanceMs() { return 0; }
};

// The serial port as a transport.
class ComSocketTransport final : public LinkTransport {
public:
    explicit ComSocketTransport(TCOMSocket& port) : port_(port) {}
    std::uint32_t BytesWaiting() override;
    std::uint32_t Read(char* buffer, std::uint32_t n) override;
    std::uint32_t Write(const char* buffer, std::uint32_t n) override;
    std::uint32_t AnswerAllowanceMs() override;

private:
    TCOMSocket& port_;
};

// Why a download was not stored; the windows word it in the interface language.
enum class Refusal : std::uint8_t {
    None,
    NotAFileName,
    NameTooLong,
    ControlCharacter,
    SameStoredName, // takenBy: the listed name already stored under the same name
    DeviceSilent,   // the recorder stopped in the middle of the file; the run was abandoned
    NotAskedFor,    // the run was abandoned before this file's turn

    MoreThanAnnounced, // expected: the size announced
    FrameLost,         // got: the frame that came, expected: the last one stored
    Incomplete,        // got bytes of expected
    NotWritten,        // path: where it was to be stored
    NoTransfer,
};

// How a download ended: stored (where, how many bytes), or not stored and why (error: the reason
// in English for the command line; refusal with its figures for the windows).
struct DownloadOutcome {
    bool stored = false;
    QString name;
    QString path;
    qint64 size = 0;
    QString error;
    QString cause; // NotWritten: why the save failed, in the interface language
    // Stopped with "B" right after its header (see StopAtHeader): size is what the header
    // announced, nothing was stored.
    bool headerOnly = false;
    Refusal refusal = Refusal::None;
    QString takenBy;
    qint64 got = 0;
    qint64 expected = 0;
};

// What the engine tells the windows (or a command line); every hook does nothing unless overridden.
class LinkEvents {
public:
    virtual ~LinkEvents();
    // A diagnostic line of the link log.
    virtual void LogLine(const QString& text);
    // A text line of a command reply (a file name in the answer to the list request).
    virtual void FileListLine(const QByteArray& line);
    // The reply's end byte 0x15.
    virtual void ReplyEnded();
    virtual void FileProgress(int percent);
    // A download completed (stored or refused), or a request was refused before it went out.
    virtual void DownloadEnded(const DownloadOutcome& outcome);
    // A download was abandoned with "B" on request.
    virtual void DownloadAborted();
    virtual void UploadFinished();
    // Upload diagnostics shown on the main window: the error count and a retransmission notice.
    virtual void ShowErrorCount(const QString& text);
    virtual void ShowRetransmission(const QString& text);
    // The base name of the file chosen for upload.
    virtual void ShowUploadFile(const QString& name);
};

// The link engine: one LinkTick per 2 ms timer event sends what the upload needs, drains the
// port and parses what came in; requests and transfers start from the calls below.
class LinkEngine {
public:
    static constexpr std::uint32_t IdleRunsBeforeResend = 20;

    LinkEngine(LinkTransport& transport, LinkEvents& events);

    LinkState& State() { return state_; }
    const LinkState& State() const { return state_; }

    void LinkTick();

    // Logs "wyslano (dlugosc n)" and writes the bytes; true when any byte was written.
    bool SendRaw(const char* bytes, int n);
    // The list request (code 0x05) with the given text; the link expects a command reply.
    void SendCommand(const QByteArray& text);

    // Starts a download of the name's 8.3 request argument. A name that could only be stored as a
    // folder ("", ".", "..") or is longer than a request holds is refused: nothing is sent, the
    // refusal is logged and reported through DownloadEnded, and false is returned.
    bool RequestFile(const QByteArray& name);
    // Asks the recorder to delete the file; false when the name is longer than a request holds.
    bool RequestDelete(const QByteArray& name);
    // The folder the upload file choice opens in: that of the last transferred file.
    QString UploadStartFolder() const;
    // Shows the chosen file's name and arms its upload; raises FileError when it cannot be read
    // (nothing is armed then).
    void StartUpload(const QString& path);
    // Arms the upload of a file; raises FileError when it cannot be read.
    void ArmUpload(const QString& path);

    // The user cancelled: the download in progress ends with "B" at its next frame or idle timeout.
    void RequestAbort() { state_.AbortRequested = true; }
    // Drops a cancel that no download carried out, so it cannot stop the next one.
    void ClearAbortRequest() { state_.AbortRequested = false; }

    // For the download just requested: when its header announces `size` (any size when empty),
    // answer "B" at once, drop whatever of the file is still under way until the line has been
    // quiet for IdleRunsBeforeResend runs, and only then report a headerOnly outcome, so the
    // next request never meets the stopped file's bytes. RequestFile disarms it.
    void StopAtHeader(std::optional<std::int32_t> size);

    // Where downloaded files are stored (created on the first save).
    void SetDownloadFolder(const QString& folder) { downloadFolder_ = folder; }
    const QString& DownloadFolder() const { return downloadFolder_; }

    // The 1 ms pause after each complete download frame (off for fuzzing).
    void SetFramePause(bool on) { framePause_ = on; }

    // Counters for watchdogs: bytes received; downloads requested plus file headers and frames
    // stored plus upload frames accepted (it moves whenever a transfer makes progress or a new one
    // starts); command replies that began with a good header (a recorder, not just any talker).
    quint64 BytesReceived() const { return bytesReceived_; }
    quint64 ProgressCount() const { return progressCount_; }
    quint64 RepliesHeard() const { return repliesHeard_; }

    // Stops an upload in progress without waiting for its answers (the caller gave it up).
    void AbandonUpload();
    // Ends the download in progress at once with "B" (the caller gave it up); nothing is stored
    // and nothing is reported.
    void AbandonDownload();

private:
    // IdleRunsBeforeResend, or more runs when the transport needs longer for an answer.
    std::uint32_t QuietRunsNeeded();
    void UploadTransmitStep();
    void SendFrameBuffer(bool selfTest);
    void Drain();
    qsizetype ParseUpload();
    void ParseCommand(qsizetype from);
    void CommandByte(std::uint8_t b);
    void ParseDownload();
    void HeaderByte(std::uint8_t b);
    void FrameByte(std::uint8_t b);
    void FrameComplete();
    void IdleHandling();
    void Log(const QString& text);
    void SendAnswer(char answer);

    void PayloadAccepted(int length);
    void HeaderAccepted();
    void DownloadComplete();
    void UploadFinished();
    void AbortCarriedOut();
    void StopReceiving();
    bool StopAfterHeader();
    void DiscardHandling();

    LinkTransport& transport_;
    LinkEvents& events_;
    LinkState state_;
    QString downloadFolder_;
    QElapsedTimer durationClock_;
    bool framePause_ = true;
    quint64 bytesReceived_ = 0;
    quint64 progressCount_ = 0;
    quint64 repliesHeard_ = 0;
    bool headerStopArmed_ = false;
    std::optional<std::int32_t> headerStopSize_;
    bool discarding_ = false;
    std::uint32_t quietRuns_ = 0;
    DownloadOutcome stopped_;
};

// A name's request argument is refused when its base name is "", "." or "..", it is too long, or
// it holds a control character (a CR would end the request inside the name).
bool IsStorableArgument(const QByteArray& argument);

// True when the bytes hold a control character (0x00-0x1F or 0x7F).
bool HasControlCharacter(const QByteArray& bytes);

// The name a listed file is stored under: the base name of its request argument.
QString StoredNameOf(const QByteArray& listed);

} // namespace qtx
