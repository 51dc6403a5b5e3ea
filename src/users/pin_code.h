#pragma once
// PIN coding of USERS.txt: each PIN digit is stored as a random byte whose table entry is that digit.

#include <QByteArray>
#include <array>
#include <cstdint>

namespace qtx {

// Entry b is the digit that byte b stands for; entry 0 is never used (byte 0 ends a PIN).
// The recorder decodes PINs with the same table.
extern const std::array<std::uint8_t, 256> PinCodeTable;

// A random byte in 1..255 whose table entry is the digit; 0 for a value above 9.
std::uint8_t EncodePinDigit(std::uint8_t digit);

// The digit a stored byte stands for.
std::uint8_t DecodePinByte(std::uint8_t byte);

// The byte written six times as the default administrator's PIN, and the digit it stands for.
constexpr std::uint8_t DefaultPinByte = 0x9C;

// The 28-byte user list written into a workspace that has none: one administrator "admin",
// ID "0001", no card, a PIN of six equal digits.
QByteArray DefaultUserFileBytes();

} // namespace qtx
