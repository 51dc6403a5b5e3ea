#pragma once
// The bytes spoken with the recorder: request frames, upload header and frames, check bytes.
// Numbers on the wire are little-endian; sums are of unsigned bytes.

#include <QByteArray>
#include <cstdint>

namespace qtx::wire {

constexpr char StartByte = char(0xFF);
constexpr char RequestEnd = 0x0D;
constexpr int CheckOffset = 0x37;

constexpr char CodeList = 0x05;
constexpr char CodeGetFile = 0x03;
constexpr char CodeDelete = 0x0B;
constexpr char CodeUpload = 0x09;

constexpr char ReplyEnd = 0x15;
constexpr char Accepted = '{';
constexpr char SendAgain = 'd';
constexpr char Abort = 'B';

constexpr int FrameBufferSize = 1024;
constexpr int LineBufferSize = 240;
constexpr int MaxUploadPayload = 512;
constexpr int UploadFrameOverhead = 6;
// The list request is built in a 20-byte area, file requests in a 26-byte one.
constexpr int MaxRequestText = 16;
constexpr int MaxRequestArgument = 22;

// (sum of the bytes + 0x37) mod 256.
std::uint8_t OffsetCheck(const char* bytes, int count);

// Sum of the bytes mod 65536.
std::uint16_t Sum16(const char* bytes, int count);

// FF, text, 00, code, argument, 0D. The list request with an empty text is FF 00 05 0D.
QByteArray RequestFrame(const QByteArray& text, char code, const QByteArray& argument = {});

// The name's characters up to and including its first ".", then the next three (an 8.3 name);
// a name without "." gives its first three characters.
QByteArray RequestArgument(const QByteArray& name);

// FF 00 09, the base name, 00, the size (4 bytes), the sum of all the bytes before (2 bytes).
QByteArray UploadHeader(const QByteArray& baseName, std::int32_t size);

// Number, length (2), offset check over those three, payload, payload sum (2).
QByteArray UploadFrame(std::uint8_t number, const QByteArray& payload);

// Writes a little-endian value into bytes.
void PutLe16(char* at, std::uint16_t value);
void PutLe32(char* at, std::uint32_t value);

} // namespace qtx::wire
