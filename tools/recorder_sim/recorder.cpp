#include "recorder.h"

#include "base/errors.h"

#include <algorithm>

namespace qtx::sim {

namespace {

constexpr quint8 kStart = 0xFF;
constexpr quint8 kEndOfRequest = 0x0D;
constexpr quint8 kEndOfReply = 0x15;
constexpr quint8 kCheckOffset = 0x37;
constexpr quint8 kListCode = 0x05;
constexpr quint8 kGetCode = 0x03;
constexpr quint8 kDeleteCode = 0x0B;
constexpr quint8 kUploadCode = 0x09;
constexpr char kAccept = '{';
constexpr char kAgain = 'd';
constexpr char kStop = 'B';
// Longest request text or file name the recorder reads before it takes the frame for noise.
constexpr qsizetype kMaxField = 64;
// Largest file the header's size field carries without the manager's signed count going wrong.
constexpr qsizetype kMaxFileSize = 0x7FFFFFFF;

quint8 At(const QByteArray& bytes, qsizetype i)
{
    return static_cast<quint8>(bytes[i]);
}

// (sum of the bytes + 0x37) mod 256: the check byte of replies, headers and upload frames.
char OffsetCheck(const QByteArray& bytes)
{
    unsigned sum = kCheckOffset;
    for (char c : bytes)
        sum += static_cast<quint8>(c);
    return static_cast<char>(sum & 0xFF);
}

unsigned Sum(QByteArrayView bytes)
{
    unsigned sum = 0;
    for (char c : bytes)
        sum += static_cast<quint8>(c);
    return sum;
}

void AppendLe16(QByteArray& out, unsigned value)
{
    out.append(static_cast<char>(value & 0xFF));
    out.append(static_cast<char>((value >> 8) & 0xFF));
}

void AppendLe32(QByteArray& out, quint32 value)
{
    AppendLe16(out, value & 0xFFFF);
    AppendLe16(out, value >> 16);
}

QString Printable(const QByteArray& name)
{
    QString shown;
    for (char c : name) {
        const auto b = static_cast<quint8>(c);
        shown +=
            (b >= 0x20 && b < 0x7F) ? QString(QLatin1Char(c)) : QStringLiteral("\\x%1").arg(b, 2, 16, QLatin1Char('0'));
    }
    return QLatin1Char('"') + shown + QLatin1Char('"');
}

QString ByteName(quint8 b)
{
    return (b >= 0x20 && b < 0x7F) ? QStringLiteral("\"%1\"").arg(QLatin1Char(static_cast<char>(b)))
                                   : QStringLiteral("0x%1").arg(b, 2, 16, QLatin1Char('0'));
}

} // namespace

Recorder::Recorder(CardFolder card, const RecorderSettings& settings, LogSink log)
    : card_(std::move(card)),
      settings_(settings),
      faults_(settings.faults),
      log_(std::move(log))
{
}

void Recorder::Log(const QString& line) const
{
    if (log_)
        log_(line);
}

qint64 Recorder::NsPerByte() const
{
    return 10'000'000'000LL / settings_.bitsPerSecond;
}

void Recorder::Receive(QByteArrayView bytes, qint64 nowMs)
{
    if (!bytes.isEmpty())
        inbox_.push_back(Chunk{bytes.toByteArray(), nowMs, 0});
    Advance(nowMs);
}

void Recorder::Advance(qint64 nowMs)
{
    // On a paced line the manager's bytes too take their 10 bit times each to come in.
    while (!inbox_.empty()) {
        Chunk& chunk = inbox_.front();
        qint64 atMs = chunk.dueMs;
        if (settings_.bitsPerSecond > 0) {
            const qint64 atNs = std::max(inboxLineFreeNs_, chunk.dueMs * 1'000'000) + NsPerByte();
            if (atNs > nowMs * 1'000'000)
                break;
            inboxLineFreeNs_ = atNs;
            atMs = atNs / 1'000'000;
        }
        CheckTimeouts(atMs);
        lastByteMs_ = nowMs_;
        const auto byte = static_cast<quint8>(chunk.bytes[chunk.taken]);
        if (++chunk.taken == chunk.bytes.size())
            inbox_.pop_front();
        Feed(byte);
    }
    CheckTimeouts(nowMs);
}

qsizetype Recorder::BytesComingIn() const
{
    qsizetype count = 0;
    for (const Chunk& chunk : inbox_)
        count += chunk.bytes.size() - chunk.taken;
    return count;
}

void Recorder::CheckTimeouts(qint64 nowMs)
{
    nowMs_ = std::max(nowMs_, nowMs);
    const qint64 quiet = nowMs_ - lastByteMs_;
    switch (input_) {
    case Input::Idle:
        break;
    case Input::Request:
        if (quiet >= kFrameGapMs)
            DropRequest(QStringLiteral("cut short"));
        break;
    case Input::UploadFrame:
        if (!frame_.isEmpty() && quiet >= kFrameGapMs) {
            Log(QStringLiteral("upload frame cut short after %1 bytes: asking again").arg(frame_.size()));
            frame_.clear();
            RefuseUploadFrame();
        } else if (frame_.isEmpty() && quiet >= kUploadIdleMs) {
            Log(QStringLiteral("upload of %1 given up: no frame for %2 ms").arg(Printable(upload_->name)).arg(quiet));
            upload_.reset();
            input_ = Input::Idle;
        }
        break;
    case Input::UploadDiscard:
        // The length of a frame with a bad header is unknown: its end is where the line goes quiet.
        if (quiet >= kFrameGapMs) {
            input_ = Input::UploadFrame;
            RefuseUploadFrame();
        }
        break;
    }
}

void Recorder::Feed(quint8 byte)
{
    switch (input_) {
    case Input::Idle:
        if (byte == static_cast<quint8>(kStop))
            ++tally_.stops;
        if (byte == kStart) {
            input_ = Input::Request;
            frame_ = QByteArray(1, static_cast<char>(byte));
        } else if (download_) {
            OnDownloadAnswer(byte);
        } else {
            Log(QStringLiteral("ignored %1").arg(ByteName(byte)));
        }
        break;
    case Input::Request:
        frame_.append(static_cast<char>(byte));
        CheckRequest();
        break;
    case Input::UploadFrame:
        frame_.append(static_cast<char>(byte));
        CheckUploadFrame();
        break;
    case Input::UploadDiscard:
        break;
    }
}

void Recorder::DropRequest(const QString& why)
{
    Log(QStringLiteral("request dropped (%1): %2 bytes").arg(why).arg(frame_.size()));
    frame_.clear();
    input_ = Input::Idle;
}

// A request is 0xFF, a text ended by 0x00, a code, then an argument ended by 0x0D; the upload
// header has its name ended by 0x00 and the size and checksum after it instead.
void Recorder::CheckRequest()
{
    const qsizetype textEnd = frame_.indexOf('\0', 1);
    if (textEnd < 0) {
        if (frame_.size() > 1 + kMaxField)
            DropRequest(QStringLiteral("text too long"));
        return;
    }
    const qsizetype argumentStart = textEnd + 2;
    if (frame_.size() < argumentStart)
        return;
    const quint8 code = At(frame_, textEnd + 1);
    if (code == kUploadCode) {
        const qsizetype nameEnd = frame_.indexOf('\0', argumentStart);
        if (nameEnd < 0) {
            if (frame_.size() - argumentStart > kMaxField)
                DropRequest(QStringLiteral("name too long"));
        } else if (frame_.size() == nameEnd + 7) {
            OnUploadHeader(argumentStart, nameEnd);
        }
        return;
    }
    if (frame_.size() == argumentStart || At(frame_, frame_.size() - 1) != kEndOfRequest) {
        if (frame_.size() - argumentStart > kMaxField)
            DropRequest(QStringLiteral("argument too long"));
        return;
    }
    const QByteArray text = frame_.mid(1, textEnd - 1);
    const QByteArray argument = frame_.mid(argumentStart, frame_.size() - 1 - argumentStart);
    frame_.clear();
    input_ = Input::Idle;
    OnRequest(code, text, argument);
}

void Recorder::OnRequest(quint8 code, const QByteArray& text, const QByteArray& argument)
{
    EndDownload(QStringLiteral("a new request came"));
    if (!text.isEmpty())
        Log(QStringLiteral("request text %1").arg(Printable(text)));
    switch (code) {
    case kListCode:
        tally_.requests.append("list");
        SendList();
        break;
    case kGetCode:
        tally_.requests.append("get " + argument);
        StartDownload(argument);
        break;
    case kDeleteCode:
        tally_.requests.append("delete " + argument);
        DeleteFile(argument);
        break;
    default:
        Log(QStringLiteral("unknown request code 0x%1 ignored").arg(code, 2, 16, QLatin1Char('0')));
        break;
    }
}

void Recorder::SendList()
{
    QList<QByteArray> names;
    try {
        names = card_.FileNames();
    } catch (const FileError& error) {
        // An empty list would tell the manager the card is empty; saying nothing is the truth.
        Log(QStringLiteral("list: %1; no answer").arg(error.message()));
        return;
    }
    names += settings_.listedOnly;
    std::sort(names.begin(), names.end());
    QByteArray reply;
    reply.append(static_cast<char>(kStart));
    reply.append(static_cast<char>(settings_.deviceId));
    reply.append(static_cast<char>(settings_.passwordOk ? 1 : 0));
    reply.append(OffsetCheck(reply.mid(1)));
    for (const QByteArray& name : names)
        reply.append(name).append("\r\n");
    reply.append(static_cast<char>(kEndOfReply));
    Log(QStringLiteral("list: %1 names").arg(names.size()));
    Enqueue(reply, nowMs_, 0);
}

void Recorder::StartDownload(const QByteArray& name)
{
    if (!CardFolder::IsPlainName(name)) {
        Log(QStringLiteral("get %1 refused: not a plain file name; no answer").arg(Printable(name)));
        return;
    }
    const auto file = card_.Find(name);
    if (!file) {
        Log(QStringLiteral("get %1: no such file; no answer").arg(Printable(name)));
        return;
    }
    QByteArray data;
    try {
        data = card_.Read(*file);
    } catch (const FileError& error) {
        Log(QStringLiteral("get %1: %2; no answer").arg(Printable(name), error.message()));
        return;
    }
    if (data.size() > kMaxFileSize) {
        Log(QStringLiteral("get %1: %2 bytes is too large to send; no answer").arg(Printable(name)).arg(data.size()));
        return;
    }
    QByteArray header(1, static_cast<char>(kStart));
    AppendLe32(header, static_cast<quint32>(data.size() + settings_.sizeError));
    header.append(static_cast<char>(settings_.deviceId));
    header.append(static_cast<char>(settings_.passwordOk ? 1 : 0));
    header.append(OffsetCheck(header.mid(1)));
    Log(QStringLiteral("get %1: %2 bytes").arg(Printable(name)).arg(data.size()));

    download_ = Download{};
    download_->name = name;
    download_->data = data;
    download_->frame = header;
    // The header itself is never faulted: the manager has no way back from a lost header.
    download_->tag = ++lastTag_;
    Enqueue(header, nowMs_, download_->tag);
    // An empty file is the header alone, announcing 0 bytes; "d" sends the header again.
    if (!data.isEmpty())
        SendNextFrame();
}

void Recorder::SendNextFrame()
{
    Download& d = *download_;
    if (!d.headerOnly && settings_.stallingFiles.contains(d.name)) {
        Log(QStringLiteral("fault: %1 stalls after frame %2").arg(Printable(d.name)).arg(d.number));
        d.stalled = true;
        return;
    }
    if (!d.headerOnly)
        d.number = static_cast<quint8>(d.number + 1);
    d.headerOnly = false;
    // A skipped frame counts as sent but never goes out: the manager can never have it.
    if (d.data.size() - d.sent > kMaxPayload && faults_.SkipNext()) {
        Log(QStringLiteral("fault: frame %1 skipped").arg(d.number));
        d.sent += kMaxPayload;
        d.number = static_cast<quint8>(d.number + 1);
    }
    const QByteArray payload = d.data.mid(d.sent, kMaxPayload);
    QByteArray frame(1, static_cast<char>(d.number));
    AppendLe16(frame, static_cast<unsigned>(payload.size()));
    // The header check of a download frame is the only check byte without the 0x37 offset.
    frame.append(static_cast<char>(Sum(frame) & 0xFF));
    frame.append(payload);
    AppendLe16(frame, Sum(payload) & 0xFFFF);
    d.frame = frame;
    d.sent += payload.size();
    Log(QStringLiteral("frame %1: %2 bytes (%3 of %4)")
            .arg(d.number)
            .arg(payload.size())
            .arg(d.sent)
            .arg(d.data.size()));
    Transmit();
}

void Recorder::Transmit()
{
    Download& d = *download_;
    QByteArray bytes = d.frame;
    qint64 due = nowMs_;
    d.extraAcks = 0;
    d.tag = ++lastTag_;
    if (d.headerOnly) {
        Enqueue(bytes, due, d.tag);
        return;
    }
    if (faults_.CorruptNext()) {
        faults_.Corrupt(bytes);
        Log(QStringLiteral("fault: frame %1 goes out corrupted").arg(d.number));
    }
    if (faults_.SilenceBeforeNext()) {
        due += faults_.Plan().silenceMs;
        Log(QStringLiteral("fault: frame %1 held back %2 ms").arg(d.number).arg(faults_.Plan().silenceMs));
    }
    Enqueue(bytes, due, d.tag);
    // The last frame is never doubled: the manager is done with the file after the first copy
    // and may already have asked for the next one, whose header the second copy would garble.
    if (faults_.DuplicateNext() && d.sent < d.data.size()) {
        // A manager that takes both copies answers both; the second "{" is not for the next frame.
        Enqueue(bytes, due, d.tag);
        d.extraAcks = 1;
        Log(QStringLiteral("fault: frame %1 goes out twice").arg(d.number));
    }
}

void Recorder::OnDownloadAnswer(quint8 byte)
{
    Download& d = *download_;
    switch (byte) {
    case kAccept:
        if (d.stalled)
            return;
        if (faults_.LoseNextAck()) {
            Log(QStringLiteral("fault: \"{\" for frame %1 ignored").arg(d.number));
            return;
        }
        if (d.extraAcks > 0) {
            --d.extraAcks;
            return;
        }
        if (d.sent == d.data.size()) {
            Log(QStringLiteral("get %1 done").arg(Printable(d.name)));
            download_.reset();
            return;
        }
        SendNextFrame();
        return;
    case kAgain:
        ++tally_.resendRequests;
        if (d.stalled)
            return;
        // A "d" that crosses a frame on the line is answered by that frame: sending it again
        // would put a stray copy on the line, one the manager may take for the next file's header.
        if (FramePending()) {
            Log(QStringLiteral("\"d\" while frame %1 is still going out: nothing more sent").arg(d.number));
            return;
        }
        if (nowMs_ - d.outAtMs < kCrossingMs) {
            Log(QStringLiteral("\"d\" %1 ms after frame %2 went out crossed it: nothing more sent")
                    .arg(nowMs_ - d.outAtMs)
                    .arg(d.number));
            return;
        }
        Log(d.headerOnly ? QStringLiteral("\"d\": file header again")
                         : QStringLiteral("\"d\": frame %1 again").arg(d.number));
        Transmit();
        return;
    case kStop:
        EndDownload(QStringLiteral("\"B\""));
        return;
    default:
        Log(QStringLiteral("ignored %1 during a download").arg(ByteName(byte)));
        return;
    }
}

void Recorder::EndDownload(const QString& why)
{
    if (!download_)
        return;
    Log(QStringLiteral("get %1 stopped by %2 after %3 of %4 bytes")
            .arg(Printable(download_->name), why)
            .arg(download_->sent)
            .arg(download_->data.size()));
    download_.reset();
    std::erase_if(queue_, [](const Chunk& chunk) { return chunk.tag != 0; });
}

bool Recorder::FramePending() const
{
    return std::any_of(queue_.begin(), queue_.end(), [&](const Chunk& chunk) { return chunk.tag == download_->tag; });
}

void Recorder::DeleteFile(const QByteArray& name)
{
    if (!CardFolder::IsPlainName(name)) {
        Log(QStringLiteral("delete %1 refused: not a plain file name").arg(Printable(name)));
        return;
    }
    const auto file = card_.Find(name);
    if (!file) {
        Log(QStringLiteral("delete %1: no such file").arg(Printable(name)));
        return;
    }
    if (settings_.writeProtected) {
        Log(QStringLiteral("delete %1 refused: the card is write-protected").arg(Printable(name)));
        return;
    }
    try {
        card_.Delete(*file);
        Log(QStringLiteral("deleted %1").arg(Printable(name)));
    } catch (const FileError& error) {
        Log(QStringLiteral("delete %1: %2").arg(Printable(name), error.message()));
    }
}

void Recorder::OnUploadHeader(qsizetype argumentStart, qsizetype nameEnd)
{
    const QByteArray header = frame_;
    frame_.clear();
    input_ = Input::Idle;
    EndDownload(QStringLiteral("an upload header"));
    upload_.reset();

    const QByteArray name = header.mid(argumentStart, nameEnd - argumentStart);
    const quint32 size =
        static_cast<quint32>(At(header, nameEnd + 1) | At(header, nameEnd + 2) << 8 | At(header, nameEnd + 3) << 16)
        | static_cast<quint32>(At(header, nameEnd + 4)) << 24;
    const auto checksum = static_cast<unsigned>(At(header, nameEnd + 5) | At(header, nameEnd + 6) << 8);
    tally_.requests.append("upload " + name);
    if ((Sum(QByteArrayView(header).first(nameEnd + 5)) & 0xFFFF) != checksum) {
        Log(QStringLiteral("upload header with a wrong checksum: asking again"));
        Answer(kAgain);
        return;
    }
    // "d" is the recorder's only refusal; the manager shows its retransmissions climbing.
    if (!CardFolder::IsPlainName(name)) {
        Log(QStringLiteral("upload %1 refused: not a plain file name").arg(Printable(name)));
        Answer(kAgain);
        return;
    }
    if (settings_.writeProtected) {
        Log(QStringLiteral("upload %1 refused: the card is write-protected").arg(Printable(name)));
        Answer(kAgain);
        return;
    }
    Log(QStringLiteral("upload %1: %2 bytes").arg(Printable(name)).arg(size));
    upload_ = Upload{};
    upload_->name = name;
    upload_->size = size;
    if (size == 0) {
        Answer(StoreUpload({}) ? kAccept : kAgain);
        return;
    }
    input_ = Input::UploadFrame;
    Answer(kAccept);
}

void Recorder::CheckUploadFrame()
{
    if (frame_.size() < 4)
        return;
    const quint8 number = At(frame_, 0);
    const int length = At(frame_, 1) | At(frame_, 2) << 8;
    if (frame_.size() == 4) {
        const bool checkOk = static_cast<char>(frame_[3]) == OffsetCheck(frame_.first(3));
        if (!checkOk || length == 0 || length > kMaxPayload) {
            Log(QStringLiteral("upload frame header %1 %2 bad: dropping bytes until the line is quiet")
                    .arg(number)
                    .arg(length));
            frame_.clear();
            input_ = Input::UploadDiscard;
        }
        return;
    }
    if (frame_.size() < length + 6)
        return;
    const QByteArray payload = frame_.mid(4, length);
    const auto checksum = static_cast<unsigned>(At(frame_, length + 4) | At(frame_, length + 5) << 8);
    frame_.clear();
    Upload& u = *upload_;
    if ((Sum(payload) & 0xFFFF) != checksum) {
        Log(QStringLiteral("upload frame %1: wrong checksum, asking again").arg(number));
        RefuseUploadFrame();
        return;
    }
    if (faults_.CorruptNext()) {
        Log(QStringLiteral("fault: upload frame %1 taken as corrupted").arg(number));
        RefuseUploadFrame();
        return;
    }
    if (u.anyAccepted && number == static_cast<quint8>(u.expected - 1)) {
        Log(QStringLiteral("upload frame %1 again: accepted once already").arg(number));
        Answer(kAccept);
        return;
    }
    if (number != u.expected) {
        Log(QStringLiteral("upload frame %1 out of order (expected %2): asking again").arg(number).arg(u.expected));
        RefuseUploadFrame();
        return;
    }
    const qint64 total = u.data.size() + payload.size();
    if (total > u.size) {
        Log(QStringLiteral("upload frame %1 runs past the announced %2 bytes: asking again").arg(number).arg(u.size));
        RefuseUploadFrame();
        return;
    }
    if (total == u.size) {
        // The last frame is accepted only once the file is safely on the card.
        Answer(StoreUpload(u.data + payload) ? kAccept : kAgain);
        return;
    }
    u.data.append(payload);
    u.expected = static_cast<quint8>(u.expected + 1);
    u.anyAccepted = true;
    Log(QStringLiteral("upload frame %1: %2 bytes (%3 of %4)").arg(number).arg(length).arg(u.data.size()).arg(u.size));
    Answer(kAccept);
}

bool Recorder::StoreUpload(const QByteArray& whole)
{
    try {
        card_.Store(upload_->name, whole);
    } catch (const FileError& error) {
        Log(QStringLiteral("upload %1 not stored: %2; asking again").arg(Printable(upload_->name), error.message()));
        return false;
    }
    Log(QStringLiteral("upload %1 stored: %2 bytes").arg(Printable(upload_->name)).arg(whole.size()));
    upload_.reset();
    input_ = Input::Idle;
    return true;
}

void Recorder::LineDropped()
{
    if (download_ || upload_ || input_ != Input::Idle || !queue_.empty() || !inbox_.empty())
        Log(QStringLiteral("line dropped: transfer and unsent bytes forgotten"));
    download_.reset();
    upload_.reset();
    input_ = Input::Idle;
    frame_.clear();
    queue_.clear();
    inbox_.clear();
}

void Recorder::RefuseUploadFrame()
{
    ++tally_.refusedUploadFrames;
    Answer(kAgain);
}

void Recorder::Answer(char byte)
{
    Enqueue(QByteArray(1, byte), nowMs_, 0);
}

void Recorder::Enqueue(const QByteArray& bytes, qint64 dueMs, quint64 tag)
{
    queue_.push_back(Chunk{bytes, dueMs, tag});
}

QByteArray Recorder::TakeOutput(qint64 nowMs)
{
    nowMs_ = std::max(nowMs_, nowMs);
    const qint64 nowNs = nowMs_ * 1'000'000;
    QByteArray out;
    while (!queue_.empty() && queue_.front().dueMs <= nowMs_) {
        Chunk& chunk = queue_.front();
        qsizetype n = chunk.bytes.size();
        if (settings_.bitsPerSecond > 0) {
            // Each byte takes 10 bit times on the line; a byte starts when the line is free
            // and its chunk is due, so idle time is never saved up for a burst.
            const qint64 nsPerByte = NsPerByte();
            const qint64 start = std::max(lineFreeNs_, chunk.dueMs * 1'000'000);
            if (start > nowNs)
                break;
            n = std::min<qint64>(n, (nowNs - start) / nsPerByte + 1);
            lineFreeNs_ = start + n * nsPerByte;
        }
        out.append(chunk.bytes.first(n));
        if (n < chunk.bytes.size()) {
            chunk.bytes.remove(0, n);
            break;
        }
        if (download_ && chunk.tag == download_->tag)
            download_->outAtMs = nowMs_;
        queue_.pop_front();
    }
    return out;
}

std::optional<qint64> Recorder::NextDueMs() const
{
    std::optional<qint64> due;
    const auto consider = [&](qint64 at) { due = due ? std::min(*due, at) : at; };
    if (!inbox_.empty())
        consider(settings_.bitsPerSecond > 0
                     ? (std::max(inboxLineFreeNs_, inbox_.front().dueMs * 1'000'000) + NsPerByte() + 999'999)
                           / 1'000'000
                     : inbox_.front().dueMs);
    if (!queue_.empty()) {
        qint64 at = queue_.front().dueMs;
        if (settings_.bitsPerSecond > 0)
            at = std::max(at, (lineFreeNs_ + 999'999) / 1'000'000);
        consider(at);
    }
    switch (input_) {
    case Input::Idle:
        break;
    case Input::Request:
    case Input::UploadDiscard:
        consider(lastByteMs_ + kFrameGapMs);
        break;
    case Input::UploadFrame:
        consider(lastByteMs_ + (frame_.isEmpty() ? kUploadIdleMs : kFrameGapMs));
        break;
    }
    return due;
}

} // namespace qtx::sim
