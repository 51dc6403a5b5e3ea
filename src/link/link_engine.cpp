#include "link/link_engine.h"

#include "base/paths.h"
#include "base/text_file.h"
#include "link/com_socket.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace qtx {

LinkTransport::~LinkTransport() = default;

std::uint32_t ComSocketTransport::BytesWaiting()
{
    return port_.BytesWaiting();
}

std::uint32_t ComSocketTransport::Read(char* buffer, std::uint32_t n)
{
    return port_.Read(buffer, n);
}

std::uint32_t ComSocketTransport::Write(const char* buffer, std::uint32_t n)
{
    return port_.Write(buffer, n);
}

std::uint32_t ComSocketTransport::AnswerAllowanceMs()
{
    return port_.AnswerAllowanceMs();
}

std::uint32_t LinkEngine::QuietRunsNeeded()
{
    return std::max(IdleRunsBeforeResend, transport_.AnswerAllowanceMs() / 2);
}

LinkEvents::~LinkEvents() = default;
void LinkEvents::LogLine(const QString&)
{
}
void LinkEvents::FileListLine(const QByteArray&)
{
}
void LinkEvents::ReplyEnded()
{
}
void LinkEvents::FileProgress(int)
{
}
void LinkEvents::DownloadEnded(const DownloadOutcome&)
{
}
void LinkEvents::DownloadAborted()
{
}
void LinkEvents::UploadFinished()
{
}
void LinkEvents::ShowErrorCount(const QString&)
{
}
void LinkEvents::ShowRetransmission(const QString&)
{
}
void LinkEvents::ShowUploadFile(const QString&)
{
}

namespace {

QString Number(qint64 value)
{
    return QString::number(value);
}

} // namespace

LinkEngine::LinkEngine(LinkTransport& transport, LinkEvents& events) : transport_(transport), events_(events)
{
}

void LinkEngine::Log(const QString& text)
{
    events_.LogLine(text);
}

bool LinkEngine::SendRaw(const char* bytes, int n)
{
    Log(QStringLiteral("wyslano (dlugosc ") + Number(n) + QLatin1Char(')'));
    if (bytes == nullptr || n <= 0)
        return false;
    return transport_.Write(bytes, static_cast<std::uint32_t>(n)) > 0;
}

void LinkEngine::SendAnswer(char answer)
{
    SendRaw(&answer, 1);
}

void LinkEngine::SendCommand(const QByteArray& text)
{
    state_.LinkMode = LinkModes::Command;
    const QByteArray frame = wire::RequestFrame(text.left(wire::MaxRequestText), wire::CodeList);
    SendRaw(frame.constData(), int(frame.size()));
}

void LinkEngine::LinkTick()
{
    LinkState& s = state_;
    UploadTransmitStep();
    Drain();
    if (!s.TickBytes.isEmpty()) {
        qsizetype commandFrom = 0;
        if (s.LinkMode == LinkModes::Upload)
            commandFrom = ParseUpload();
        if (s.LinkMode == LinkModes::Command)
            ParseCommand(commandFrom);
        if (s.LinkMode == LinkModes::Download)
            ParseDownload();
    }
    IdleHandling();
    DiscardHandling();
    // A header announcing 0 bytes completes at once: the recorder sends no frame for an empty file.
    if (s.Receiving && s.FramePhase == 1 && s.BytesDone == s.FileSize)
        DownloadComplete();
    s.TickBytes.clear();
}

void LinkEngine::UploadTransmitStep()
{
    LinkState& s = state_;
    if (s.UploadState == UploadStates::Start) {
        s.FrameNumber = 0;
        s.FramesSent = 0;
        s.ErrorCount = 0;
        s.BytesDone = 0;
        s.SelfTestDone = false;
        s.FileSize = s.TransferBuffer ? static_cast<std::int32_t>(s.TransferBuffer->size()) : 0;
        s.BytesLeft = s.FileSize;
        s.UploadState = UploadStates::Sending;
        const QByteArray name = ToCp1250(BaseNameOfPath(s.TransferFileName));
        const QByteArray header = wire::UploadHeader(name.left(wire::FrameBufferSize - 10), s.FileSize);
        std::copy(header.begin(), header.end(), s.FrameBuffer.begin());
        s.FrameLength = static_cast<std::int32_t>(header.size());
        Log(QStringLiteral("numer ramki = ") + Number(s.FrameNumber));
        Log(QStringLiteral("Rozmiar ramki = ") + Number(s.FrameLength));
        Log(QStringLiteral("rozmiar pliku = ") + Number(s.FileSize));
        Log(QStringLiteral("Wyslano danych = ") + Number(s.BytesDone));
        events_.ShowErrorCount(QStringLiteral("Ilosc bledow = ") + Number(s.ErrorCount));
        SendFrameBuffer(false);
        s.AckState = AckWaiting;
        return;
    }
    if (s.UploadState != UploadStates::Sending)
        return;
    if (s.AckState == AckAccepted && s.BytesLeft > 0) {
        const std::int32_t chunk = std::min<std::int32_t>(s.BytesLeft, wire::MaxUploadPayload);
        s.BytesLeft -= chunk;
        const QByteArray payload = s.TransferBuffer ? s.TransferBuffer->mid(s.BytesDone, chunk) : QByteArray();
        const QByteArray frame = wire::UploadFrame(s.FrameNumber, payload.leftJustified(chunk, '\0'));
        std::copy(frame.begin(), frame.end(), s.FrameBuffer.begin());
        s.FrameNumber = static_cast<std::uint8_t>(s.FrameNumber + 1);
        s.BytesDone += chunk;
        s.FrameLength = chunk + wire::UploadFrameOverhead;
        Log(QStringLiteral("numer ramki = ") + Number(s.FrameNumber));
        Log(QStringLiteral("Rozmiar ramki = ") + Number(s.FrameLength));
        Log(QStringLiteral("Wyslano danych danych = ") + Number(s.BytesDone));
        // The fourth data frame goes out once with a wrong length byte: the recorder must answer
        // "d", which proves that retransmission works before the bulk of the file is sent.
        const bool selfTest = s.FramesSent == 3 && !s.SelfTestDone;
        if (selfTest)
            s.SelfTestDone = true;
        SendFrameBuffer(selfTest);
        s.FramesSent += 1;
    } else if (s.AckState == AckRejected) {
        s.ErrorCount = static_cast<std::uint16_t>(s.ErrorCount + 1);
        events_.ShowRetransmission(QStringLiteral("o jakas retransmisja ") + Number(s.ErrorCount));
        SendFrameBuffer(false);
        Log(QStringLiteral("Ilosc bledow = ") + Number(s.ErrorCount));
    }
    s.AckState = AckWaiting;
}

void LinkEngine::SendFrameBuffer(bool selfTest)
{
    LinkState& s = state_;
    if (selfTest)
        s.FrameBuffer[2] = static_cast<char>(s.FrameBuffer[2] + 1);
    SendRaw(s.FrameBuffer.data(), s.FrameLength);
    if (selfTest)
        s.FrameBuffer[2] = static_cast<char>(s.FrameBuffer[2] - 1);
}

void LinkEngine::Drain()
{
    char chunk[wire::FrameBufferSize];
    for (;;) {
        const std::uint32_t waiting = transport_.BytesWaiting();
        if (waiting == 0)
            break;
        const std::uint32_t got = transport_.Read(chunk, std::min<std::uint32_t>(waiting, sizeof chunk));
        if (got == 0)
            break;
        state_.TickBytes.append(chunk, got);
        bytesReceived_ += got;
    }
}

qsizetype LinkEngine::ParseUpload()
{
    LinkState& s = state_;
    const QByteArray& bytes = s.TickBytes;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == wire::Accepted) {
            s.AckState = AckAccepted;
            progressCount_ += 1;
            if (s.BytesLeft == 0) {
                UploadFinished();
                // The bytes after the final "{" belong to whatever the recorder says next.
                return i + 1;
            }
        } else if (bytes[i] == wire::SendAgain) {
            s.AckState = AckRejected;
        }
    }
    return bytes.size();
}

void LinkEngine::ParseCommand(qsizetype from)
{
    const QByteArray& bytes = state_.TickBytes;
    for (qsizetype i = from; i < bytes.size(); ++i)
        CommandByte(static_cast<std::uint8_t>(bytes[i]));
}

void LinkEngine::CommandByte(std::uint8_t b)
{
    LinkState& s = state_;
    std::int32_t& r = s.ReplyIndex;
    if (b == 0xFF && r == 0) {
        // start of a reply
    } else if (b == 0xFF && r > 3) {
        r = 0;
    } else if (r == 1) {
        s.DeviceId = b;
    } else if (r == 2) {
        s.PasswordAccepted = b;
    } else if (r == 3) {
        const char idAndFlag[2] = {static_cast<char>(s.DeviceId), static_cast<char>(s.PasswordAccepted)};
        if (b == wire::OffsetCheck(idAndFlag, 2)) {
            repliesHeard_ += 1;
            Log(s.PasswordAccepted != 0 ? QStringLiteral("haslo prawidlowe") : QStringLiteral("haslo błędne"));
            Log(QStringLiteral("Device ID =  ") + Number(s.DeviceId));
        }
    } else {
        if (s.LineLength < wire::LineBufferSize)
            s.LineBuffer[s.LineLength++] = static_cast<char>(b);
        if (b == 0x0A) {
            // Cut the CR LF; a line longer than the buffer loses its last two stored characters.
            s.LineLength = s.LineLength < 2 ? 0 : s.LineLength - 2;
            QByteArray line(s.LineBuffer.data(), s.LineLength);
            const qsizetype zero = line.indexOf('\0');
            if (zero >= 0)
                line.truncate(zero);
            s.LineLength = 0;
            events_.FileListLine(line);
        }
        if (b == static_cast<std::uint8_t>(wire::ReplyEnd)) {
            s.LineLength = 0;
            r = -1;
            events_.ReplyEnded();
        }
    }
    r += 1;
}

void LinkEngine::ParseDownload()
{
    LinkState& s = state_;
    Log(Number(s.TickBytes.size()));
    Log(QStringLiteral("Odebrano danych = ") + Number(s.BytesDone));
    if (discarding_)
        return;
    for (const char c : std::as_const(s.TickBytes)) {
        if (discarding_)
            break;
        s.IdleTicks = 0;
        if (s.FramePhase == 0)
            HeaderByte(static_cast<std::uint8_t>(c));
        else
            FrameByte(static_cast<std::uint8_t>(c));
    }
}

void LinkEngine::HeaderByte(std::uint8_t b)
{
    LinkState& s = state_;
    std::int32_t& i = s.FrameIndex;
    if (i >= 1 && i <= 4) {
        const int shift = 8 * (i - 1);
        const std::uint32_t size =
            (static_cast<std::uint32_t>(s.FileSize) & ~(0xFFu << shift)) | (std::uint32_t(b) << shift);
        s.FileSize = static_cast<std::int32_t>(size);
    } else if (i == 5) {
        s.DeviceId = b;
    } else if (i == 6) {
        s.PasswordAccepted = b;
    } else if (i == 7) {
        char checked[6];
        wire::PutLe32(checked, static_cast<std::uint32_t>(s.FileSize));
        checked[4] = static_cast<char>(s.DeviceId);
        checked[5] = static_cast<char>(s.PasswordAccepted);
        if (b == wire::OffsetCheck(checked, 6)) {
            s.FramePhase = 1;
            i = -1;
            s.ErrorCount = 0;
            Log(QStringLiteral("Ilosc bledow = ") + Number(0));
            Log(QStringLiteral("rozmiar pliku = ") + Number(s.FileSize));
            Log(s.PasswordAccepted != 0 ? QStringLiteral("haslo prawidlowe") : QStringLiteral("haslo błędne"));
            HeaderAccepted();
            if (StopAfterHeader())
                return;
        }
    }
    // After a header that failed its check the index runs on (bytes ignored) until the idle timeout.
    if (i <= 7)
        i += 1;
}

void LinkEngine::FrameByte(std::uint8_t b)
{
    LinkState& s = state_;
    std::int32_t& i = s.FrameIndex;
    if (i == 0) {
        s.IncomingFrameNumber = b;
        Log(QStringLiteral("numer ramki = ") + Number(b));
        s.Checksum = b;
        i = 1;
    } else if (i == 1) {
        s.FrameLength = b;
        s.Checksum = static_cast<std::uint16_t>(s.Checksum + b);
        i = 2;
    } else if (i == 2) {
        s.FrameLength += 256 * b;
        Log(QStringLiteral("Rozmiar ramki = ") + Number(s.FrameLength));
        s.Checksum = static_cast<std::uint16_t>(s.Checksum + b);
        i = 3;
    } else if (i == 3) {
        // A frame announcing more than the frame buffer holds is a bad frame like one whose
        // header check fails: its bytes are skipped, never stored.
        if ((s.Checksum & 0xFF) != b || s.FrameLength > wire::FrameBufferSize) {
            if (s.FrameLength > wire::MaxUploadPayload)
                s.FrameLength = wire::MaxUploadPayload;
            s.FrameError = true;
            s.ErrorCount = static_cast<std::uint16_t>(s.ErrorCount + 1);
            Log(QStringLiteral("Ilosc bledow = ") + Number(s.ErrorCount));
        }
        i = 4;
        s.Checksum = 0;
    } else if (i < s.FrameLength + 4) {
        s.Checksum = static_cast<std::uint16_t>(s.Checksum + b);
        s.FrameBuffer[static_cast<std::size_t>(i - 4)] = static_cast<char>(b);
        i += 1;
    } else if (i == s.FrameLength + 4) {
        s.ReceivedChecksum = b;
        i += 1;
    } else {
        s.ReceivedChecksum = static_cast<std::uint16_t>(s.ReceivedChecksum + 256 * b);
        i = 0;
        FrameComplete();
    }
}

void LinkEngine::FrameComplete()
{
    LinkState& s = state_;
    const bool good = !s.FrameError && s.ReceivedChecksum == s.Checksum;
    if (framePause_)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    if (!good)
        return; // no answer: the idle timeout asks for the frame again
    const bool duplicate = s.IncomingFrameNumber == s.LastAcceptedFrame;
    // A frame that skips a number means one was lost for good: the recorder resends only its last.
    // The first frame after the header is number 0, so a lost first frame is a gap too.
    const bool gap = !duplicate && s.IncomingFrameNumber != static_cast<std::uint8_t>(s.LastAcceptedFrame + 1);
    // The header's size is unsigned on the wire: 0xFFFFFFFF announces 4 GiB, not -1.
    const qint64 announced = static_cast<std::uint32_t>(s.FileSize);
    const bool overrun = !duplicate && !gap && qint64(s.BytesDone) + s.FrameLength > announced;
    if (!duplicate && !gap && !overrun) {
        PayloadAccepted(s.FrameLength);
        s.LastAcceptedFrame = s.IncomingFrameNumber;
    }
    if (s.AbortRequested) {
        s.AbortRequested = false;
        StopReceiving();
        AbortCarriedOut();
        SendAnswer(wire::Abort);
        events_.DownloadAborted();
    } else if (overrun || gap) {
        // The file can never be complete: more data than the header announced, or a lost frame.
        DownloadOutcome outcome;
        outcome.name = s.TransferFileName;
        if (overrun) {
            outcome.refusal = Refusal::MoreThanAnnounced;
            outcome.expected = announced;
            outcome.error = QStringLiteral("the recorder sent more bytes than the %1 it announced").arg(announced);
        } else {
            outcome.refusal = Refusal::FrameLost;
            outcome.got = s.IncomingFrameNumber;
            outcome.expected = s.LastAcceptedFrame;
            outcome.error = s.LastAcceptedFrame < 0
                                ? QStringLiteral("frame %1 came right after the file header").arg(s.IncomingFrameNumber)
                                : QStringLiteral("frame %1 came after frame %2")
                                      .arg(s.IncomingFrameNumber)
                                      .arg(s.LastAcceptedFrame);
        }
        StopReceiving();
        s.TransferBuffer.reset();
        SendAnswer(wire::Abort);
        events_.DownloadEnded(outcome);
    } else {
        SendAnswer(wire::Accepted);
    }
}

void LinkEngine::StopReceiving()
{
    state_.Receiving = false;
    state_.FramePhase = 0;
    state_.IdleTicks = 0;
}

void LinkEngine::IdleHandling()
{
    LinkState& s = state_;
    if (s.Receiving) {
        s.IdleTicks += 1;
    } else {
        s.FrameIndex = 0;
        s.FramePhase = 0;
    }
    if (s.IdleTicks <= QuietRunsNeeded())
        return;
    char answer = wire::SendAgain;
    const bool abort = s.AbortRequested;
    if (abort) {
        s.AbortRequested = false;
        s.Receiving = false;
        answer = wire::Abort;
        AbortCarriedOut();
    }
    SendAnswer(answer);
    s.FrameError = false;
    s.IdleTicks = 0;
    s.FrameIndex = 0;
    if (abort)
        events_.DownloadAborted();
}

} // namespace qtx
