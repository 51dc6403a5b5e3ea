#include "fake_recorder.h"

namespace qtx::test {

namespace {

std::uint8_t Sum8(const QByteArray& bytes, int offset = 0)
{
    unsigned sum = unsigned(offset);
    for (char c : bytes)
        sum += std::uint8_t(c);
    return std::uint8_t(sum);
}

unsigned Sum16(const QByteArray& bytes)
{
    unsigned sum = 0;
    for (char c : bytes)
        sum += std::uint8_t(c);
    return sum & 0xFFFF;
}

QByteArray Le(quint64 value, int count)
{
    QByteArray bytes;
    for (int i = 0; i < count; ++i)
        bytes.append(char((value >> (8 * i)) & 0xFF));
    return bytes;
}

quint64 FromLe(const QByteArray& bytes)
{
    quint64 value = 0;
    for (qsizetype i = bytes.size(); i-- > 0;)
        value = (value << 8) | std::uint8_t(bytes[i]);
    return value;
}

} // namespace

QByteArray ReplyBytes(std::uint8_t id, std::uint8_t flag, const QList<QByteArray>& lines)
{
    QByteArray idFlag;
    idFlag.append(char(id));
    idFlag.append(char(flag));
    QByteArray reply = "\xFF" + idFlag;
    reply.append(char(Sum8(idFlag, 0x37)));
    for (const QByteArray& line : lines)
        reply += line + "\r\n";
    reply.append('\x15');
    return reply;
}

QByteArray FileHeaderBytes(std::int32_t size, std::uint8_t id, std::uint8_t flag)
{
    QByteArray checked = Le(quint32(size), 4);
    checked.append(char(id));
    checked.append(char(flag));
    return "\xFF" + checked + char(Sum8(checked, 0x37));
}

QByteArray DataFrameBytes(std::uint8_t number, const QByteArray& payload)
{
    QByteArray head;
    head.append(char(number));
    head += Le(quint64(payload.size()), 2);
    head.append(char(Sum8(head)));
    return head + payload + Le(Sum16(payload), 2);
}

void FakeRecorder::AddFile(const QByteArray& name, const QByteArray& content)
{
    names.append(name);
    files.insert(name, content);
}

QByteArray FakeRecorder::Receive(const QByteArray& bytes)
{
    received += bytes;
    QByteArray out;
    skipChunk_ = false;
    for (char c : bytes) {
        if (skipChunk_)
            break;
        Byte(std::uint8_t(c), out);
    }
    return silent ? QByteArray() : out;
}

void FakeRecorder::Byte(std::uint8_t b, QByteArray& out)
{
    switch (state_) {
    case State::Sending:
        if (b == '{') {
            if (lostAcks.contains(acks_++))
                return;
            if (stalled_)
                return;
            if (sendOffset_ >= sending_.size()) {
                state_ = State::Idle;
                return;
            }
            SendFrame(out, true);
            return;
        }
        if (b == 'd') {
            resendRequests += 1;
            if (!stalled_ && !lastFrame_.isEmpty())
                out += lastFrame_;
            return;
        }
        if (b == 'B') {
            aborts += 1;
            state_ = State::Idle;
            return;
        }
        if (b != 0xFF)
            return;
        [[fallthrough]];
    case State::Idle:
        if (b == 'B')
            aborts += 1;
        if (b == 0xFF) {
            request_ = QByteArray(1, char(0xFF));
            state_ = State::Request;
        }
        return;
    case State::Request:
        request_.append(char(b));
        // FF 00 code argument 0D; the upload header is FF 00 09 name 00 size(4) sum(2).
        if (request_.size() >= 3 && request_[2] == 0x09) {
            const qsizetype zero = request_.indexOf('\0', 3);
            if (zero >= 0 && request_.size() == zero + 7)
                RequestComplete(out);
        } else if (request_.size() >= 4 && b == 0x0D) {
            RequestComplete(out);
        }
        return;
    case State::UploadFrames:
        UploadFrameByte(b, out);
        return;
    }
}

void FakeRecorder::RequestComplete(QByteArray& out)
{
    const char code = request_[2];
    state_ = State::Idle;
    if (code == 0x05) {
        requests.append("list");
        out += ReplyBytes(deviceId, password, names);
    } else if (code == 0x03) {
        const QByteArray name = request_.mid(3, request_.size() - 4);
        requests.append("get " + name);
        sending_ = files.value(name);
        sendOffset_ = 0;
        sendNumber_ = 0;
        lastFrame_.clear();
        stalled_ = false;
        stallThis_ = stallAfterFirstFrame || stallNames.contains(name);
        out += FileHeaderBytes(std::int32_t(sending_.size() + sizeError), deviceId, password);
        if (!sending_.isEmpty()) {
            state_ = State::Sending;
            SendFrame(out, true);
        }
    } else if (code == 0x0B) {
        const QByteArray name = request_.mid(3, request_.size() - 4);
        requests.append("delete " + name);
        if (ignoreDeletes)
            return;
        names.removeAll(name);
        files.remove(name);
    } else if (code == 0x09) {
        const qsizetype zero = request_.indexOf('\0', 3);
        uploadName_ = request_.mid(3, zero - 3);
        uploadSize_ = qint64(FromLe(request_.mid(zero + 1, 4)));
        const unsigned sum = unsigned(FromLe(request_.mid(zero + 5, 2)));
        requests.append("upload " + uploadName_);
        if (sum != Sum16(request_.left(zero + 5))) {
            out += 'd';
            return;
        }
        uploadData_.clear();
        frame_.clear();
        out += '{';
        if (uploadSize_ == 0)
            Stored(uploadName_, {});
        else
            state_ = State::UploadFrames;
    }
}

void FakeRecorder::SendFrame(QByteArray& out, bool fresh)
{
    const QByteArray payload = sending_.mid(sendOffset_, 512);
    sendOffset_ += payload.size();
    lastFrame_ = DataFrameBytes(std::uint8_t(sendNumber_++), payload);
    const int ordinal = framesSent_++;
    QByteArray wire = lastFrame_;
    if (fresh && corruptFrames.contains(ordinal))
        wire[wire.size() / 2] = char(wire[wire.size() / 2] ^ 0x5A);
    out += wire;
    if (duplicateFrames.contains(ordinal))
        out += lastFrame_;
    if (stallThis_)
        stalled_ = true;
}

void FakeRecorder::UploadFrameByte(std::uint8_t b, QByteArray& out)
{
    frame_.append(char(b));
    if (frame_.size() == 4) {
        const QByteArray head = frame_.left(3);
        if (Sum8(head, 0x37) != b || FromLe(head.mid(1, 2)) > 512) {
            // A bad frame header: reject it and drop the rest of what the manager sent with it.
            rejectedUploadFrames += 1;
            frame_.clear();
            skipChunk_ = true;
            out += 'd';
        }
        return;
    }
    if (frame_.size() < 4)
        return;
    const qsizetype length = qsizetype(FromLe(frame_.mid(1, 2)));
    if (frame_.size() < length + 6)
        return;
    const QByteArray payload = frame_.mid(4, length);
    const bool good = FromLe(frame_.mid(4 + length, 2)) == Sum16(payload);
    frame_.clear();
    if (!good) {
        rejectedUploadFrames += 1;
        out += 'd';
        return;
    }
    uploadData_ += payload;
    out += '{';
    if (uploadData_.size() >= uploadSize_) {
        Stored(uploadName_, uploadData_);
        state_ = State::Idle;
    }
}

// A whole upload lands on the card like any other file.
void FakeRecorder::Stored(const QByteArray& name, const QByteArray& data)
{
    uploads.insert(name, data);
    if (!names.contains(name))
        names.append(name);
    files.insert(name, data);
}

} // namespace qtx::test
