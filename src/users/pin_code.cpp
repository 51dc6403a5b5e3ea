#include "users/pin_code.h"

#include <QRandomGenerator>
#include <vector>

namespace qtx {

namespace {

constexpr std::array<std::uint8_t, 256> MakePinCodeTable()
{
    std::array<std::uint8_t, 256> table{};
    for (std::size_t b = 1; b < 256; ++b)
        table[b] = static_cast<std::uint8_t>((b * 7 + 3) % 10); // each digit 25 or 26 times
    return table;
}

} // namespace

const std::array<std::uint8_t, 256> PinCodeTable = MakePinCodeTable();

std::uint8_t EncodePinDigit(std::uint8_t digit)
{
    if (digit > 9)
        return 0;
    // Drawing from the bytes that stand for the digit gives each of them the same chance as
    // drawing from 1..255 until one matches, without the repeated draws.
    static const auto bytesOfDigit = [] {
        std::array<std::vector<std::uint8_t>, 10> bytes;
        for (std::size_t b = 1; b < 256; ++b)
            bytes[PinCodeTable[b]].push_back(static_cast<std::uint8_t>(b));
        return bytes;
    }();
    const std::vector<std::uint8_t>& candidates = bytesOfDigit[digit];
    return candidates[QRandomGenerator::global()->bounded(static_cast<quint32>(candidates.size()))];
}

std::uint8_t DecodePinByte(std::uint8_t byte)
{
    return PinCodeTable[byte];
}

QByteArray DefaultUserFileBytes()
{
    QByteArray bytes(8, '\0');
    bytes += "0001";
    bytes += 'a';
    bytes += '\0';
    bytes += QByteArray(6, static_cast<char>(DefaultPinByte));
    bytes += '\0';
    bytes += "admin";
    bytes += "\r\n";
    return bytes;
}

} // namespace qtx
