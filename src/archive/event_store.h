#pragma once
// The loaded events: the store with its day index, the event file reader, the folder lister and
// the user list as the archive's filter reads it.

#include "archive/event.h"

#include <QList>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

namespace qtx {

// Events of the loaded files in load order, their texts, and an index of where each day's
// events lie, so a day is found by binary search instead of a walk through the store.
class EventStore {
public:
    // A stretch of the store whose events all have one day.
    struct Run {
        std::int32_t day;
        std::uint32_t begin;
        std::uint32_t end;
    };

    void Clear();
    void Append(const CEvent& event);
    // Parses one line of a file of the given day and appends it.
    void AppendLine(QByteArrayView line, std::int32_t day) { Append(ParseEventLine(line, day, texts_)); }

    bool IsEmpty() const { return events_.empty(); }
    std::size_t Size() const { return events_.size(); }
    const CEvent& operator[](std::size_t i) const { return events_[i]; }
    std::vector<CEvent>::const_iterator begin() const { return events_.begin(); }
    std::vector<CEvent>::const_iterator end() const { return events_.end(); }

    TextPool& Texts() { return texts_; }
    const TextPool& Texts() const { return texts_; }
    QByteArrayView Detail(const CEvent& e) const { return texts_.Text(e.detail); }
    QByteArrayView PortName(const CEvent& e) const { return texts_.Text(e.portName); }

    // Changes with every change of the events; cached figures compare it.
    std::uint64_t Generation() const { return generation_; }

    // The runs of one day in store order (several when files of one date were loaded apart).
    std::span<const Run> RunsOfDay(std::int32_t day) const;

    // Calls f(event) for every event of the day, in store order.
    template <class F>
    void ForEachOfDay(std::int32_t day, F&& f) const
    {
        for (const Run& run : RunsOfDay(day))
            for (std::uint32_t i = run.begin; i < run.end; ++i)
                f(events_[i]);
    }

    std::size_t MemoryBytes() const;

private:
    std::vector<CEvent> events_;
    TextPool texts_;
    std::vector<Run> runs_;
    bool runsInDayOrder_ = true;
    mutable std::vector<Run> sortedRuns_;
    mutable std::uint64_t sortedGeneration_ = ~std::uint64_t(0);
    std::uint64_t generation_ = 0;
};

// Reports the line progress of a file in percent, only when the percentage changes.
using PercentCallback = std::function<void(int)>;

// Appends the events of one file's contents: the date comes from the name (FormatError when it
// is not a date), the header line is skipped, every further line is an event.
// startPercent is the line bar's position before the file.
void AppendEventFileData(EventStore& store, const QString& path, QByteArrayView data, int startPercent = 0,
                         const PercentCallback& percent = {});

// Reads a file (FileError when it cannot) and appends its events as above.
void LoadEventFile(EventStore& store, const QString& path, int startPercent = 0, const PercentCallback& percent = {});

// The event files of a folder: names ending in ".csv" in any case, hidden (dot) files left out,
// sorted alphabetically without regard to case.
QStringList ListEventFiles(const QString& folder);

// Loads every event file of a folder in list order; a file whose name is not a date stops the
// load with an error that names it.
void LoadEventFolder(EventStore& store, const QString& folder);

// Loads the event files of a folder whose names stand for a day from first to last, in list
// order, without reading the others: a month's report reads its month, not the card's years. A
// name that is not a date is passed to skipped instead of stopping the load.
void LoadEventFolderDays(EventStore& store, const QString& folder, QDate first, QDate last,
                         const std::function<void(const QString& name)>& skipped);

// One entry of the archive's user filter, taken from a user list file.
struct UserFilterEntry {
    QByteArray userNumber;
    QByteArray name;
};

// Reads the user numbers and names of a user list file's bytes; a record cut short by the end
// of the data is left out.
QList<UserFilterEntry> ReadUserFilterEntries(QByteArrayView data);

} // namespace qtx
