#include "users/card_number.h"

#include "base/text_file.h"

#include <algorithm>

namespace qtx {

QString ShowFullCardNumber(std::int64_t value)
{
    const auto v = std::min(static_cast<std::uint64_t>(value), static_cast<std::uint64_t>(MaxFullCardNumber));
    const QString digits = QString::number(v);
    return digits.rightJustified(digits.size() <= 10 ? 10 : 13, QLatin1Char('0'));
}

QString ShowFacility(std::int64_t value)
{
    return QString::number(std::clamp<std::int64_t>(value, 0, MaxFacility)).rightJustified(3, QLatin1Char('0'));
}

QString ShowShortNumber(std::int64_t value)
{
    return QString::number(std::clamp<std::int64_t>(value, 0, MaxShortNumber)).rightJustified(5, QLatin1Char('0'));
}

QString ShowCardHex(std::int64_t value)
{
    const auto v = static_cast<std::uint64_t>(value);
    QString text;
    for (int shift = 56; shift >= 0; shift -= 8) {
        if (!text.isEmpty())
            text += QStringLiteral("  ");
        text += QStringLiteral("%1").arg((v >> shift) & 0xFF, 2, 16, QLatin1Char('0')).toUpper();
    }
    return text;
}

std::int64_t ReadNumberField(QStringView text)
{
    bool ok = false;
    const qlonglong v = text.toLongLong(&ok, 10);
    return ok ? v : 0;
}

std::int64_t WithFacility(std::int64_t card, std::int64_t facility)
{
    return (card & ~FacilityMask) | (std::clamp<std::int64_t>(facility, 0, MaxFacility) << FacilityShift);
}

std::int64_t WithShortNumber(std::int64_t card, std::int64_t shortNumber)
{
    return (card & ~ShortNumberMask) | std::clamp<std::int64_t>(shortNumber, 0, MaxShortNumber);
}

bool PinRuleHolds(QStringView pin)
{
    if (pin.size() > 7)
        return false;
    return std::all_of(pin.begin(), pin.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

bool IdIsValid(QStringView id)
{
    if (id.size() != 4 || !std::all_of(id.begin(), id.end(), [](QChar c) { return c >= u'0' && c <= u'9'; }))
        return false;
    return id.toInt() >= 1;
}

QByteArray NameFromInput(const QString& text)
{
    return AsOneLine(ToCp1250(text));
}

QString PaddedId(const QString& id)
{
    return id.rightJustified(4, QLatin1Char('0'));
}

} // namespace qtx
