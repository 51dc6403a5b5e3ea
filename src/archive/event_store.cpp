#include "archive/event_store.h"

#include "base/errors.h"
#include "base/paths.h"
#include "base/text_file.h"

#include <QDir>
#include <algorithm>

namespace qtx {

void EventStore::Clear()
{
    events_.clear();
    events_.shrink_to_fit();
    texts_.Clear();
    runs_.clear();
    runsInDayOrder_ = true;
    sortedRuns_.clear();
    ++generation_;
}

void EventStore::Append(const CEvent& event)
{
    if (events_.size() >= 0xFFFFFFFFu)
        throw std::length_error("event store full");
    const auto index = static_cast<std::uint32_t>(events_.size());
    events_.push_back(event);
    if (!runs_.empty() && runs_.back().day == event.day && runs_.back().end == index) {
        runs_.back().end = index + 1;
    } else {
        if (!runs_.empty() && event.day < runs_.back().day)
            runsInDayOrder_ = false;
        runs_.push_back({event.day, index, index + 1});
    }
    ++generation_;
}

std::span<const EventStore::Run> EventStore::RunsOfDay(std::int32_t day) const
{
    const std::vector<Run>* runs = &runs_;
    if (!runsInDayOrder_) {
        if (sortedGeneration_ != generation_) {
            sortedRuns_ = runs_;
            std::stable_sort(sortedRuns_.begin(), sortedRuns_.end(),
                             [](const Run& a, const Run& b) { return a.day < b.day; });
            sortedGeneration_ = generation_;
        }
        runs = &sortedRuns_;
    }
    const auto first =
        std::lower_bound(runs->begin(), runs->end(), day, [](const Run& r, std::int32_t d) { return r.day < d; });
    auto last = first;
    while (last != runs->end() && last->day == day)
        ++last;
    return {first, last};
}

std::size_t EventStore::MemoryBytes() const
{
    return events_.capacity() * sizeof(CEvent) + texts_.MemoryBytes()
           + (runs_.capacity() + sortedRuns_.capacity()) * sizeof(Run);
}

void AppendEventFileData(EventStore& store, const QString& path, QByteArrayView data, int startPercent,
                         const PercentCallback& percent)
{
    const std::int32_t day = static_cast<std::int32_t>(ParseEventFileName(path).toJulianDay());
    const qsizetype n = EventCountOfData(data);
    if (n == 0)
        return;
    int shown = startPercent;
    qsizetype r = -1; // -1: the header line
    ForEachLine(data, [&](QByteArrayView line) {
        if (r >= 0) {
            const int p = static_cast<int>((static_cast<long long>(r) + 1) * 100 / n);
            if (p != shown && percent) {
                shown = p;
                percent(p);
            }
            store.AppendLine(line, day);
        }
        ++r;
    });
}

void LoadEventFile(EventStore& store, const QString& path, int startPercent, const PercentCallback& percent)
{
    const QByteArray data = ReadWholeFile(path);
    AppendEventFileData(store, path, data, startPercent, percent);
}

QStringList ListEventFiles(const QString& folder)
{
    QStringList names;
    const QDir dir(folder);
    const QStringList all = dir.entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::NoSort);
    // Hidden files are no event files: a card that has been in a Mac carries "._20210511.csv"
    // beside every file, and it would stop the load.
    for (const QString& name : all)
        if (name.endsWith(QLatin1String(".csv"), Qt::CaseInsensitive) && !name.startsWith(QLatin1Char('.')))
            names.append(name);
    std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        const int c = a.compare(b, Qt::CaseInsensitive);
        return c != 0 ? c < 0 : a < b;
    });
    return names;
}

void LoadEventFolder(EventStore& store, const QString& folder)
{
    const QString prefix = WithTrailingChar(folder, QLatin1Char('/'));
    for (const QString& name : ListEventFiles(folder)) {
        try {
            LoadEventFile(store, prefix + name);
        } catch (const FormatError& e) {
            throw FormatError(prefix + name + QStringLiteral(": ") + e.message());
        }
    }
}

void LoadEventFolderDays(EventStore& store, const QString& folder, QDate first, QDate last,
                         const std::function<void(const QString& name)>& skipped)
{
    const QString prefix = WithTrailingChar(folder, QLatin1Char('/'));
    for (const QString& name : ListEventFiles(folder)) {
        QDate date;
        try {
            date = ParseEventFileName(name);
        } catch (const FormatError&) {
            if (skipped)
                skipped(name);
            continue;
        }
        if (first <= date && date <= last)
            LoadEventFile(store, prefix + name);
    }
}

QList<UserFilterEntry> ReadUserFilterEntries(QByteArrayView data)
{
    QList<UserFilterEntry> entries;
    const qsizetype n = data.size();
    qsizetype pos = 0;
    while (pos < n) {
        pos += 8; // the card number
        if (pos + 4 > n)
            break;
        UserFilterEntry entry;
        entry.userNumber = data.sliced(pos, 4).toByteArray();
        pos += 4 + 2; // the ID, the kind byte and the separator
        if (pos >= n)
            break;
        const qsizetype pinEnd = data.sliced(pos).indexOf('\0');
        if (pinEnd < 0)
            break;
        pos += pinEnd + 1;
        const qsizetype nameEnd = pos < n ? data.sliced(pos).indexOf('\r') : -1;
        if (nameEnd < 0)
            break;
        entry.name = data.sliced(pos, nameEnd).toByteArray();
        pos += nameEnd + 2; // the carriage return and the line feed after it
        entries.append(entry);
    }
    return entries;
}

} // namespace qtx
