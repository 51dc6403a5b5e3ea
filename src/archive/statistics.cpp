#include "archive/statistics.h"

#include <algorithm>

namespace qtx {

namespace {

// The user number as a value that sorts as its bytes do: the bytes big-endian, shorter first
// among equal leading bytes (a missing byte sorts before any byte).
using UserOrder = std::uint64_t;
UserOrder UserOrderOf(const CEvent& e)
{
    UserOrder v = 0;
    for (int i = 0; i < 4; ++i)
        v = (v << 9) | (i < e.userNumberLength ? 0x100u | static_cast<unsigned char>(e.userNumberBytes[i]) : 0u);
    return v;
}

// The time of one user's events under the mode.
std::int64_t ModeTime(WorkList& work, CountingMode mode)
{
    switch (mode) {
    case CountingMode::Daily:
        return DailyTime(std::move(work));
    case CountingMode::DayNight:
        return DayNightTime(std::move(work));
    case CountingMode::DailyIgnoreIoType:
        return SpanTime(work);
    }
    return 0;
}

} // namespace

std::optional<CountingMode> CountingModeAt(int index)
{
    if (index < 0 || index > 2)
        return std::nullopt;
    return static_cast<CountingMode>(index);
}

UserFilter UserFilter::Number(QByteArrayView filterText)
{
    UserFilter f;
    f.all = false;
    f.userNumber = filterText.first(std::min<qsizetype>(filterText.size(), 4)).toByteArray();
    return f;
}

void CollapseRepeats(WorkList& work)
{
    if (work.size() < 2)
        return;
    // One pass that gives what looking at neighbouring pairs and removing gives: a kept event is
    // only ever compared with the one that follows it.
    std::size_t last = 0;
    for (std::size_t i = 1; i < work.size(); ++i) {
        const Passage& e = work[i];
        if (work[last].entrance && e.entrance)
            continue;
        if (work[last].exit && e.exit)
            work[last] = e;
        else
            work[++last] = e;
    }
    work.resize(last + 1);
}

std::int64_t PairedTime(const WorkList& work)
{
    if (work.size() % 2 != 0)
        return 0;
    std::int64_t t = 0;
    for (std::size_t i = 0; i < work.size(); i += 2)
        t += std::int64_t(work[i + 1].seconds) - work[i].seconds;
    return t;
}

std::int64_t DailyTime(WorkList work)
{
    CollapseRepeats(work);
    if (!work.empty() && work.front().exit)
        work.erase(work.begin());
    if (work.empty())
        return 0;
    if (work.back().entrance)
        work.pop_back();
    if (work.empty())
        return 0;
    return PairedTime(work);
}

std::int64_t DayNightTime(WorkList work)
{
    CollapseRepeats(work);
    std::int64_t t = 0;
    if (!work.empty() && work.front().exit) {
        t += work.front().seconds;
        work.erase(work.begin());
    }
    if (work.empty())
        return t;
    if (work.back().entrance) {
        t += 86400 - std::int64_t(work.back().seconds);
        work.pop_back();
    }
    if (work.empty())
        return t;
    return t + PairedTime(work);
}

std::int64_t SpanTime(const WorkList& work)
{
    if (work.size() < 2)
        return 0;
    return std::int64_t(work.back().seconds) - work.front().seconds;
}

std::vector<const CEvent*> SelectDayEvents(const EventStore& store, QDate date, const UserFilter& filter)
{
    std::vector<const CEvent*> events;
    if (!date.isValid())
        return events;
    store.ForEachOfDay(static_cast<std::int32_t>(date.toJulianDay()), [&](const CEvent& e) {
        if (e.accepted && filter.Passes(e))
            events.push_back(&e);
    });
    return events;
}

int CountUsers(const std::vector<const CEvent*>& events)
{
    std::vector<UserOrder> keys;
    keys.reserve(events.size());
    for (const CEvent* e : events)
        keys.push_back(UserOrderOf(*e));
    std::sort(keys.begin(), keys.end());
    return static_cast<int>(std::unique(keys.begin(), keys.end()) - keys.begin());
}

void ForEachUserTime(const std::vector<const CEvent*>& events, CountingMode mode, const PortNames& ports,
                     const TextPool& texts, const std::function<void(const CEvent&, std::int64_t)>& f)
{
    std::vector<TextPool::Id> entrances{texts.Find(ports.entrance)};
    std::vector<TextPool::Id> exits{texts.Find(ports.exit)};
    for (const QByteArray& name : ports.moreEntrances)
        entrances.push_back(texts.Find(name));
    for (const QByteArray& name : ports.moreExits)
        exits.push_back(texts.Find(name));
    const auto isOneOf = [](TextPool::Id id, const std::vector<TextPool::Id>& ids) {
        return std::find(ids.begin(), ids.end(), id) != ids.end();
    };
    // Each user's events in their order: sort by user, then by position in the day's list. A day
    // of fewer than 2^28 events packs both into one number, which sorts faster than a pair.
    const bool packed = events.size() < (std::size_t(1) << 28);
    std::vector<std::pair<UserOrder, std::uint32_t>> order;
    order.reserve(events.size());
    if (packed) {
        std::vector<std::uint64_t> keys;
        keys.reserve(events.size());
        for (std::size_t i = 0; i < events.size(); ++i)
            keys.push_back((UserOrderOf(*events[i]) << 28) | i);
        std::sort(keys.begin(), keys.end());
        for (const std::uint64_t key : keys)
            order.emplace_back(key >> 28, static_cast<std::uint32_t>(key & ((1u << 28) - 1)));
    } else {
        for (std::size_t i = 0; i < events.size(); ++i)
            order.emplace_back(UserOrderOf(*events[i]), static_cast<std::uint32_t>(i));
        std::sort(order.begin(), order.end());
    }

    WorkList work;
    for (std::size_t i = 0; i < order.size();) {
        work.clear();
        std::size_t j = i;
        for (; j < order.size() && order[j].first == order[i].first; ++j) {
            const CEvent& e = *events[order[j].second];
            work.push_back({e.SecondsOfDay(), isOneOf(e.portName, entrances), isOneOf(e.portName, exits)});
        }
        f(*events[order[i].second], ModeTime(work, mode));
        i = j;
    }
}

std::int64_t DayTime(const std::vector<const CEvent*>& events, CountingMode mode, const PortNames& ports,
                     const TextPool& texts)
{
    std::int64_t total = 0;
    ForEachUserTime(events, mode, ports, texts, [&total](const CEvent&, std::int64_t seconds) { total += seconds; });
    return total;
}

QString FormatDuration(std::int64_t seconds)
{
    const std::int64_t h = seconds / 3600;
    const std::int64_t m = (seconds % 3600) / 60;
    QString text;
    if (h != 0)
        text = QString::number(h) + QStringLiteral("h, ");
    return text + QString::number(m) + QStringLiteral("min");
}

DayFigures ComputeDayFigures(const EventStore& store, QDate date, const UserFilter& filter,
                             std::optional<CountingMode> mode, const PortNames& ports)
{
    const std::vector<const CEvent*> events = SelectDayEvents(store, date, filter);
    DayFigures f;
    f.hits = static_cast<int>(events.size());
    f.users = CountUsers(events);
    f.seconds = mode ? DayTime(events, *mode, ports, store.Texts()) : 0;
    return f;
}

MonthFigures ComputeMonthFigures(const EventStore& store, int year, int month, const UserFilter& filter,
                                 std::optional<CountingMode> mode, const PortNames& ports)
{
    MonthFigures m;
    m.year = year;
    m.month = month;
    const QDate first(year, month, 1);
    m.days = first.daysInMonth();
    for (int d = 1; d <= m.days; ++d) {
        const DayFigures f = ComputeDayFigures(store, first.addDays(d - 1), filter, mode, ports);
        m.day[static_cast<std::size_t>(d - 1)] = f;
        m.hits += f.hits;
        m.seconds += f.seconds;
    }
    return m;
}

const MonthFigures& MonthFiguresCache::Get(const EventStore& store, int year, int month, const UserFilter& filter,
                                           std::optional<CountingMode> mode, const PortNames& ports)
{
    Key key{&store, store.Generation(), year, month, filter, mode, ports};
    if (!key_ || !(*key_ == key)) {
        figures_ = ComputeMonthFigures(store, year, month, filter, mode, ports);
        key_ = std::move(key);
        ++computations_;
    }
    return figures_;
}

} // namespace qtx
