#pragma once
// The editor's forms of a card number (full decimal, facility code, short number, hex bytes),
// the reading of its number fields, and the rules for PINs and IDs.

#include <QByteArray>
#include <QString>
#include <QStringView>
#include <cstdint>

namespace qtx {

// A card number's parts: the facility code is bits 16 to 23, the short number bits 0 to 15.
inline constexpr std::int64_t FacilityMask = 0xFF0000;
inline constexpr int FacilityShift = 16;
inline constexpr std::int64_t ShortNumberMask = 0xFFFF;
inline constexpr int MaxFacility = 255;
inline constexpr int MaxShortNumber = 65535;

constexpr int CardFacility(std::int64_t card)
{
    return static_cast<int>((card & FacilityMask) >> FacilityShift);
}
constexpr int CardShortNumber(std::int64_t card)
{
    return static_cast<int>(card & ShortNumberMask);
}

// The largest full card number an operator can enter: 13 decimal digits.
inline constexpr std::int64_t MaxFullCardNumber = 9999999999999;

// Decimal, 10 digits (13 when longer); values above the 13-digit limit, negative ones included
// (taken as unsigned), show as 9999999999999.
QString ShowFullCardNumber(std::int64_t value);
// Held to 0..255, 3 digits.
QString ShowFacility(std::int64_t value);
// Held to 0..65535, 5 digits.
QString ShowShortNumber(std::int64_t value);
// The eight bytes, most significant first, as upper-case hex pairs two spaces apart.
QString ShowCardHex(std::int64_t value);

// A number field as the editor reads it: decimal, 0 when the text is not a number.
std::int64_t ReadNumberField(QStringView text);

// The card after typing into one of the part fields: the facility code or short number,
// held to its range, replaces its bits of the full number.
std::int64_t WithFacility(std::int64_t card, std::int64_t facility);
std::int64_t WithShortNumber(std::int64_t card, std::int64_t shortNumber);

// Empty, or 1 to 7 characters that are all decimal digits.
bool PinRuleHolds(QStringView pin);

// Exactly 4 decimal digits with a value of 1 or more.
bool IdIsValid(QStringView id);

// A typed or pasted name as stored: line breaks at the ends dropped and inner ones made a blank,
// since a CR LF inside a name would end its record in USERS.txt; then code page 1250.
QByteArray NameFromInput(const QString& text);

// The ID as the editor's ID field shows it after leaving: padded on the left with "0" to 4 characters.
QString PaddedId(const QString& id);

} // namespace qtx
