#pragma once
// The month timesheet: each user's presence time per day, as the calendar shows it with the
// user filter set to that user, and the month's events for the event listing of an export.

#include "archive/event_store.h"
#include "archive/statistics.h"

#include <QByteArray>
#include <QHash>
#include <array>
#include <cstdint>
#include <vector>

namespace qtx {

// User numbers and their names: the first record of a user list with that number.
class UserNames {
public:
    UserNames() = default;
    explicit UserNames(const QList<UserFilterEntry>& entries);
    // The name, empty when no record has the number.
    QByteArray NameOf(QByteArrayView userNumber) const;
    // Every listed user number once, in list order.
    const QList<QByteArray>& Numbers() const { return numbers_; }

private:
    QHash<QByteArray, QByteArray> names_;
    QList<QByteArray> numbers_;
};

// Reads USERS.txt of a workspace folder; a missing or unreadable list gives no names, because a
// timesheet without names is still a timesheet.
UserNames ReadWorkspaceUserNames(const QString& folder);

struct TimesheetRow {
    QByteArray userNumber;
    QByteArray name;
    std::array<std::int64_t, 31> seconds{}; // day d at index d - 1
    std::int64_t total = 0;
};

struct Timesheet {
    int year = 0;
    int month = 0;
    int days = 0;
    // One row per user number with an accepted event in the month (and, when asked for, per listed
    // user without one), in ascending user-number bytes.
    std::vector<TimesheetRow> rows;
    std::array<std::int64_t, 31> dayTotals{};
    std::int64_t total = 0;
};

// Whose rows a timesheet has: the users with an accepted event in the month, or also every user
// of the user list, so that a clerk sees nobody is missing.
enum class TimesheetRows { Active, EveryListedUser };

// The timesheet of a month; the filter narrows it to one user. One pass over each day's events
// groups them by user.
Timesheet ComputeTimesheet(const EventStore& store, int year, int month, CountingMode mode, const PortNames& ports,
                           const UserNames& names, const UserFilter& filter = UserFilter::All(),
                           TimesheetRows which = TimesheetRows::Active);

// The timesheet as its H:MM forms show it: each user's day rounded to the nearest minute (half a
// minute away from zero, so a negative day keeps its sign), and every total the sum of the shown
// days, so that the shown parts always add up to the shown totals. Rounding rather than cutting
// keeps a month's total within minutes of the exact time instead of half a minute a day short.
Timesheet InWholeMinutes(const Timesheet& sheet);

// Calls f(event) for every event of the month, accepted or denied, that passes the filter: day
// by day, each day in store order (the order of its file's lines).
template <class F>
void ForEachEventOfMonth(const EventStore& store, int year, int month, const UserFilter& filter, F&& f)
{
    const QDate first(year, month, 1);
    if (!first.isValid())
        return;
    const auto firstDay = static_cast<std::int32_t>(first.toJulianDay());
    for (std::int32_t day = firstDay; day < firstDay + first.daysInMonth(); ++day)
        store.ForEachOfDay(day, [&](const CEvent& e) {
            if (filter.Passes(e))
                f(e);
        });
}

// A duration as hours without limit and floored minutes: "0:00", "8:05", "173:40"; a negative
// one (from out-of-order times in a file) keeps its sign: "-0:05".
QString FormatHoursMinutes(std::int64_t seconds);

} // namespace qtx
