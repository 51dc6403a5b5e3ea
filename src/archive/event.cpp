#include "archive/event.h"

#include "base/errors.h"
#include "base/paths.h"
#include "base/text_file.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <string_view>

namespace qtx {

namespace {

std::size_t HashOf(QByteArrayView text)
{
    return std::hash<std::string_view>{}(std::string_view(text.data(), static_cast<std::size_t>(text.size())));
}

// What is left of the line copy after removing n characters from its front.
QByteArrayView Drop(QByteArrayView s, qsizetype n)
{
    return n >= s.size() ? QByteArrayView() : s.sliced(n);
}

QByteArrayView Take(QByteArrayView s, qsizetype n)
{
    return n >= s.size() ? s : s.first(n);
}

int CodeOf(char c)
{
    return static_cast<unsigned char>(c);
}

int CodeOf(QChar c)
{
    return c.unicode();
}

template <class View>
int NumberOf(View field)
{
    qsizetype i = 0;
    const qsizetype n = field.size();
    while (i < n && CodeOf(field[i]) == ' ')
        ++i;
    bool negative = false;
    if (i < n && (CodeOf(field[i]) == '+' || CodeOf(field[i]) == '-')) {
        negative = CodeOf(field[i]) == '-';
        ++i;
    }
    if (i == n)
        return 0;
    long long value = 0;
    for (; i < n; ++i) {
        const int c = CodeOf(field[i]);
        if (c < '0' || c > '9')
            return 0;
        value = value * 10 + (c - '0');
        if (value > 0x7FFFFFFF)
            return 0;
    }
    return static_cast<int>(negative ? -value : value);
}

QString TwoDigits(int value)
{
    return QString::number(value).rightJustified(2, QLatin1Char('0'));
}

} // namespace

TextPool::TextPool()
{
    Clear();
}

void TextPool::Clear()
{
    arena_.clear();
    starts_.assign(2, 0); // id 0, the empty text
    slots_.assign(64, 0);
    slots_[Slot(QByteArrayView(), HashOf(QByteArrayView()))] = EmptyText + 1;
}

std::size_t TextPool::Slot(QByteArrayView text, std::size_t hash) const
{
    const std::size_t mask = slots_.size() - 1;
    std::size_t i = hash & mask;
    while (slots_[i] != 0 && Text(slots_[i] - 1) != text)
        i = (i + 1) & mask;
    return i;
}

void TextPool::Grow()
{
    std::vector<Id> old(slots_.size() * 2, 0);
    old.swap(slots_);
    for (Id id = 0; id < Count(); ++id)
        slots_[Slot(Text(id), HashOf(Text(id)))] = id + 1;
}

TextPool::Id TextPool::Intern(QByteArrayView text)
{
    const std::size_t slot = Slot(text, HashOf(text));
    if (slots_[slot] != 0)
        return slots_[slot] - 1;
    if (arena_.size() + static_cast<std::size_t>(text.size()) > 0xFFFFFFFFu || Count() >= NoText - 1)
        throw std::length_error("text pool full");
    const Id id = static_cast<Id>(Count());
    arena_.append(text.data(), static_cast<std::size_t>(text.size()));
    starts_.push_back(static_cast<std::uint32_t>(arena_.size()));
    slots_[slot] = id + 1;
    if (Count() * 2 > slots_.size())
        Grow();
    return id;
}

TextPool::Id TextPool::Find(QByteArrayView text) const
{
    const std::size_t slot = Slot(text, HashOf(text));
    return slots_[slot] == 0 ? NoText : slots_[slot] - 1;
}

QByteArrayView TextPool::Text(Id id) const
{
    return QByteArrayView(arena_.data() + starts_[id], starts_[id + 1] - starts_[id]);
}

std::size_t TextPool::MemoryBytes() const
{
    return arena_.capacity() + starts_.capacity() * sizeof(std::uint32_t) + slots_.capacity() * sizeof(Id);
}

void CEvent::SetUserNumber(QByteArrayView number)
{
    userNumberLength = static_cast<std::uint8_t>(std::min<qsizetype>(number.size(), 4));
    std::memset(userNumberBytes, 0, sizeof userNumberBytes);
    if (userNumberLength > 0)
        std::memcpy(userNumberBytes, number.data(), userNumberLength);
}

int FieldNumber(QByteArrayView field)
{
    return NumberOf(field);
}

int FieldNumber(QStringView field)
{
    return NumberOf(field);
}

QDate ParseEventFileName(const QString& path)
{
    const QString name = BaseNameOfPath(path);
    const int year = FieldNumber(QStringView(name).mid(0, 4));
    const int month = FieldNumber(QStringView(name).mid(4, 2));
    const int day = FieldNumber(QStringView(name).mid(6, 2));
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > QDate(year, month, 1).daysInMonth())
        throw FormatError(QStringLiteral("Invalid argument to date encode"));
    return QDate(year, month, day);
}

CEvent ParseEventLine(QByteArrayView line, std::int32_t day, TextPool& texts)
{
    CEvent e;
    e.day = day;
    QByteArrayView s = line;
    e.SetUserNumber(Take(s, 4));
    s = Drop(s, 6 + 12); // the user number with its separator, the line's own date with its separator
    e.hour = static_cast<std::int8_t>(FieldNumber(Take(s, 2)));
    s = Drop(s, 3);
    e.minute = static_cast<std::int8_t>(FieldNumber(Take(s, 2)));
    s = Drop(s, 3);
    e.second = static_cast<std::int8_t>(FieldNumber(Take(s, 2)));
    s = Drop(s, 4);
    e.accepted = !s.isEmpty() && s[0] == '1';
    s = Drop(s, 1);
    e.byCard = !s.isEmpty() && s[0] == 'k';
    s = Drop(s, 3);
    const qsizetype p = s.indexOf(',') + 1; // 1-based, 0 when there is no comma
    e.detail = p > 1 ? texts.Intern(s.first(p - 1)) : TextPool::EmptyText;
    s = Drop(s, p + 1);
    e.portName = s.size() > 1 ? texts.Intern(s.first(s.size() - 1)) : TextPool::EmptyText;
    return e;
}

qsizetype CountLines(QByteArrayView data)
{
    qsizetype n = 0;
    ForEachLine(data, [&n](QByteArrayView) { ++n; });
    return n;
}

qsizetype EventCountOfData(QByteArrayView data)
{
    return std::max<qsizetype>(CountLines(data) - 1, 0);
}

QString FormatEventLine(const CEvent& event, const TextPool& texts, const EventLineTexts& words)
{
    QString line = TwoDigits(event.hour) + QLatin1Char(':') + TwoDigits(event.minute) + QLatin1Char(':')
                   + TwoDigits(event.second) + QLatin1Char(' ');
    line += (event.accepted ? words.accepted : words.denied) + QLatin1Char(' ');
    line += event.byCard ? words.card + QLatin1Char(' ') : QStringLiteral("PIN ");
    line += FromCp1250(event.userNumber().toByteArray()) + QStringLiteral(" (")
            + FromCp1250(texts.Text(event.detail).toByteArray()) + QStringLiteral(") ");
    line += words.on + QLatin1Char(' ') + FromCp1250(texts.Text(event.portName).toByteArray());
    return line;
}

} // namespace qtx
