#pragma once
// Hits, users and presence time per day: the user filter, the three counting modes and the
// month figures the calendar and the report show.

#include "archive/event_store.h"

#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace qtx {

enum class CountingMode { Daily = 0, DayNight = 1, DailyIgnoreIoType = 2 };

// The mode at a position of the counting-mode list; none for no selection or another position.
std::optional<CountingMode> CountingModeAt(int index);

// All users, or the events whose user number equals the first four characters of the filter text.
struct UserFilter {
    bool all = true;
    QByteArray userNumber;

    static UserFilter All() { return {}; }
    static UserFilter Number(QByteArrayView filterText);
    bool Passes(const CEvent& e) const { return all || e.userNumber() == QByteArrayView(userNumber); }
    bool operator==(const UserFilter&) const = default;
};

// The entrance and exit names, as raw bytes compared exactly with an event's port name.
struct PortNames {
    QByteArray entrance;
    QByteArray exit;
    // Further doors' names, for events gathered from several recorders: a port is an entrance
    // when it has any door's entrance name, an exit likewise.
    QList<QByteArray> moreEntrances = {};
    QList<QByteArray> moreExits = {};
    bool operator==(const PortNames&) const = default;
};

// One event as the presence rules see it: its time and whether its port is the entrance, the
// exit (both when the two names are equal) or neither.
struct Passage {
    std::int32_t seconds = 0;
    bool entrance = false;
    bool exit = false;
};
using WorkList = std::vector<Passage>;

// Keeps the first of consecutive entrances and the last of consecutive exits.
void CollapseRepeats(WorkList& work);
// Sum of second minus first over the position pairs; 0 for an odd count.
std::int64_t PairedTime(const WorkList& work);
// Entrance-to-exit time within the day; an unpaired leading exit and trailing entrance are dropped.
std::int64_t DailyTime(WorkList work);
// As DailyTime, but a leading exit counts from midnight and a trailing entrance up to midnight.
std::int64_t DayNightTime(WorkList work);
// Last event minus first, whatever the ports.
std::int64_t SpanTime(const WorkList& work);

// The accepted events of a day that pass the filter, in store order.
std::vector<const CEvent*> SelectDayEvents(const EventStore& store, QDate date, const UserFilter& filter);
// Number of distinct user numbers.
int CountUsers(const std::vector<const CEvent*>& events);
// Each user's presence time among a day's events: the user's events in order through the mode's
// rule. f(first event of the user, seconds) runs once per user, in ascending user-number bytes.
void ForEachUserTime(const std::vector<const CEvent*>& events, CountingMode mode, const PortNames& ports,
                     const TextPool& texts, const std::function<void(const CEvent&, std::int64_t)>& f);
// Presence time of a day's events: the users' times summed.
std::int64_t DayTime(const std::vector<const CEvent*>& events, CountingMode mode, const PortNames& ports,
                     const TextPool& texts);

// "25h, 1min": whole hours when not 0, then minutes; seconds are not shown.
QString FormatDuration(std::int64_t seconds);

struct DayFigures {
    int hits = 0;
    int users = 0;
    std::int64_t seconds = 0;
};

// The figures of one day; time is 0 without a mode.
DayFigures ComputeDayFigures(const EventStore& store, QDate date, const UserFilter& filter,
                             std::optional<CountingMode> mode, const PortNames& ports);

struct MonthFigures {
    int year = 0;
    int month = 0;
    int days = 0;
    std::array<DayFigures, 31> day{}; // day d at index d - 1
    std::int64_t hits = 0;
    std::int64_t seconds = 0;
};

MonthFigures ComputeMonthFigures(const EventStore& store, int year, int month, const UserFilter& filter,
                                 std::optional<CountingMode> mode, const PortNames& ports);

// The figures of the month last asked for, recomputed only when the month, the filter, the mode,
// the port names or the store changed.
class MonthFiguresCache {
public:
    const MonthFigures& Get(const EventStore& store, int year, int month, const UserFilter& filter,
                            std::optional<CountingMode> mode, const PortNames& ports);
    int Computations() const { return computations_; }

private:
    struct Key {
        const EventStore* store = nullptr;
        std::uint64_t generation = 0;
        int year = 0;
        int month = 0;
        UserFilter filter;
        std::optional<CountingMode> mode;
        PortNames ports;
        bool operator==(const Key&) const = default;
    };
    std::optional<Key> key_;
    MonthFigures figures_;
    int computations_ = 0;
};

} // namespace qtx
