#include "link/wire_format.h"

namespace qtx::wire {

std::uint8_t OffsetCheck(const char* bytes, int count)
{
    unsigned sum = CheckOffset;
    for (int i = 0; i < count; ++i)
        sum += static_cast<std::uint8_t>(bytes[i]);
    return static_cast<std::uint8_t>(sum);
}

std::uint16_t Sum16(const char* bytes, int count)
{
    unsigned sum = 0;
    for (int i = 0; i < count; ++i)
        sum += static_cast<std::uint8_t>(bytes[i]);
    return static_cast<std::uint16_t>(sum);
}

QByteArray RequestFrame(const QByteArray& text, char code, const QByteArray& argument)
{
    QByteArray frame;
    frame.reserve(4 + text.size() + argument.size());
    frame.append(StartByte);
    frame.append(text);
    frame.append('\0');
    frame.append(code);
    frame.append(argument);
    frame.append(RequestEnd);
    return frame;
}

QByteArray RequestArgument(const QByteArray& name)
{
    const qsizetype dot = name.indexOf('.');
    return name.left(dot + 1 + 3);
}

void PutLe16(char* at, std::uint16_t value)
{
    at[0] = static_cast<char>(value & 0xFF);
    at[1] = static_cast<char>(value >> 8);
}

void PutLe32(char* at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        at[i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

QByteArray UploadHeader(const QByteArray& baseName, std::int32_t size)
{
    QByteArray header = RequestFrame({}, CodeUpload, baseName);
    header.back() = '\0';
    const qsizetype sizeAt = header.size();
    header.resize(sizeAt + 6);
    PutLe32(header.data() + sizeAt, static_cast<std::uint32_t>(size));
    PutLe16(header.data() + sizeAt + 4, Sum16(header.constData(), int(sizeAt + 4)));
    return header;
}

QByteArray UploadFrame(std::uint8_t number, const QByteArray& payload)
{
    QByteArray frame(4, '\0');
    frame[0] = static_cast<char>(number);
    PutLe16(frame.data() + 1, static_cast<std::uint16_t>(payload.size()));
    frame[3] = static_cast<char>(OffsetCheck(frame.constData(), 3));
    frame.append(payload);
    frame.resize(frame.size() + 2);
    PutLe16(frame.data() + frame.size() - 2, Sum16(payload.constData(), int(payload.size())));
    return frame;
}

} // namespace qtx::wire
