#pragma once
// The recorder's event files: file names that carry the date, the positional line reader and
// the compact event record.

#include <QByteArray>
#include <QByteArrayView>
#include <QDate>
#include <QString>
#include <cstdint>
#include <string>
#include <vector>

namespace qtx {

// Interned byte texts: equal texts get the same number, so a loaded year of events stores each
// port name and detail text once and compares port names as numbers.
class TextPool {
public:
    using Id = std::uint32_t;
    static constexpr Id EmptyText = 0;
    static constexpr Id NoText = 0xFFFFFFFFu;

    TextPool();
    Id Intern(QByteArrayView text);
    // The number of a text already in the pool, NoText when it is not.
    Id Find(QByteArrayView text) const;
    QByteArrayView Text(Id id) const;
    std::size_t Count() const { return starts_.size() - 1; }
    void Clear();
    std::size_t MemoryBytes() const;

private:
    std::size_t Slot(QByteArrayView text, std::size_t hash) const;
    void Grow();

    std::string arena_;
    std::vector<std::uint32_t> starts_;
    std::vector<Id> slots_; // id + 1, 0 = free
};

// One event line. The two-digit fields of a line read as -9 ... 99, so they fit a byte; the
// texts are numbers in the TextPool of the store that holds the event.
class CEvent {
public:
    char userNumberBytes[4] = {};
    std::uint8_t userNumberLength = 0;
    std::int8_t hour = 0;
    std::int8_t minute = 0;
    std::int8_t second = 0;
    bool accepted = false;
    bool byCard = false;
    std::int32_t day = 0; // Julian day number of the file's date
    TextPool::Id detail = TextPool::EmptyText;
    TextPool::Id portName = TextPool::EmptyText;

    QByteArrayView userNumber() const { return QByteArrayView(userNumberBytes, userNumberLength); }
    void SetUserNumber(QByteArrayView number);
    QDate Date() const { return QDate::fromJulianDay(day); }
    std::int32_t SecondsOfDay() const { return hour * 3600 + minute * 60 + second; }
};

// The date of every event of a file: the first eight characters after the last "/" or "\" as
// YYYYMMDD. Raises FormatError ("Invalid argument to date encode") when they are not a date.
QDate ParseEventFileName(const QString& path);

// One event line, taken apart at fixed columns; never fails (short lines give empty fields).
CEvent ParseEventLine(QByteArrayView line, std::int32_t day, TextPool& texts);

// A two-character field as the recorder's reader takes it: optional blanks, an optional sign,
// decimal digits and nothing else; anything else is 0.
int FieldNumber(QByteArrayView field);
int FieldNumber(QStringView field);

// Calls f(line) for every line of the data: lines end at CR, LF or CR LF; a last line without
// an ending counts, an ending at the very end adds no empty line.
template <class F>
void ForEachLine(QByteArrayView data, F&& f)
{
    const char* p = data.data();
    const char* const end = p + data.size();
    while (p < end) {
        const char* q = p;
        while (q < end && *q != '\r' && *q != '\n')
            ++q;
        f(QByteArrayView(p, q - p));
        if (q < end && *q == '\r' && q + 1 < end && q[1] == '\n')
            ++q;
        p = q + 1;
    }
}

qsizetype CountLines(QByteArrayView data);

// The event count of a file shown in the file information: its lines less the header, 0 for
// fewer than two lines.
qsizetype EventCountOfData(QByteArrayView data);

// The words of a day-list line in the current language.
struct EventLineTexts {
    QString accepted;
    QString denied;
    QString card;
    QString on;
};

// "08:05:12 accepted card 0012 (detail) on Entrance": one line of the day event list.
QString FormatEventLine(const CEvent& event, const TextPool& texts, const EventLineTexts& words);

} // namespace qtx
