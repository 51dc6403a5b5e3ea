#include "archive/timesheet.h"

#include "base/errors.h"
#include "base/paths.h"
#include "base/text_file.h"
#include "users/user.h"

#include <QFileInfo>
#include <algorithm>

namespace qtx {

UserNames::UserNames(const QList<UserFilterEntry>& entries)
{
    for (const UserFilterEntry& entry : entries)
        if (!names_.contains(entry.userNumber)) {
            names_.insert(entry.userNumber, entry.name);
            numbers_.append(entry.userNumber);
        }
}

QByteArray UserNames::NameOf(QByteArrayView userNumber) const
{
    return names_.value(userNumber.toByteArray());
}

UserNames ReadWorkspaceUserNames(const QString& folder)
{
    const QString path = WithTrailingChar(folder, QLatin1Char('/')) + UserFileName;
    if (!QFileInfo::exists(path))
        return {};
    try {
        return UserNames(ReadUserFilterEntries(ReadWholeFile(path)));
    } catch (const FileError&) {
        return {};
    }
}

Timesheet ComputeTimesheet(const EventStore& store, int year, int month, CountingMode mode, const PortNames& ports,
                           const UserNames& names, const UserFilter& filter, TimesheetRows which)
{
    Timesheet sheet;
    sheet.year = year;
    sheet.month = month;
    const QDate first(year, month, 1);
    if (!first.isValid())
        return sheet;
    sheet.days = first.daysInMonth();

    // Each day's users arrive in ascending order, so a row is found by binary search and most
    // days add no row.
    const auto rowOf = [&sheet](QByteArrayView number) -> TimesheetRow& {
        auto it = std::lower_bound(sheet.rows.begin(), sheet.rows.end(), number,
                                   [](const TimesheetRow& r, QByteArrayView n) { return r.userNumber < n; });
        if (it == sheet.rows.end() || it->userNumber != number) {
            TimesheetRow row;
            row.userNumber = number.toByteArray();
            it = sheet.rows.insert(it, std::move(row));
        }
        return *it;
    };
    for (int d = 1; d <= sheet.days; ++d) {
        const auto i = static_cast<std::size_t>(d - 1);
        const std::vector<const CEvent*> events = SelectDayEvents(store, first.addDays(d - 1), filter);
        ForEachUserTime(events, mode, ports, store.Texts(), [&](const CEvent& e, std::int64_t seconds) {
            TimesheetRow& row = rowOf(e.userNumber());
            row.seconds[i] += seconds;
            row.total += seconds;
            sheet.dayTotals[i] += seconds;
            sheet.total += seconds;
        });
    }
    if (which == TimesheetRows::EveryListedUser)
        for (const QByteArray& number : names.Numbers())
            if (filter.all || number == filter.userNumber)
                rowOf(number);
    for (TimesheetRow& row : sheet.rows)
        row.name = names.NameOf(row.userNumber);
    return sheet;
}

Timesheet InWholeMinutes(const Timesheet& sheet)
{
    Timesheet shown = sheet;
    shown.dayTotals = {};
    shown.total = 0;
    for (TimesheetRow& row : shown.rows) {
        row.total = 0;
        for (std::size_t i = 0; i < row.seconds.size(); ++i) {
            // To the nearest minute, half a minute away from zero (C++ division cuts toward zero).
            const std::int64_t s = row.seconds[i];
            row.seconds[i] = (s < 0 ? -((-s + 30) / 60) : (s + 30) / 60) * 60;
            row.total += row.seconds[i];
            shown.dayTotals[i] += row.seconds[i];
        }
        shown.total += row.total;
    }
    return shown;
}

QString FormatHoursMinutes(std::int64_t seconds)
{
    const std::int64_t magnitude = seconds < 0 ? -seconds : seconds;
    const std::int64_t minutes = magnitude / 60;
    return (seconds < 0 ? QStringLiteral("-") : QString()) + QString::number(minutes / 60) + QLatin1Char(':')
           + QString::number(minutes % 60).rightJustified(2, QLatin1Char('0'));
}

} // namespace qtx
