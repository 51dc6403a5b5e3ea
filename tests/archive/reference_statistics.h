#pragma once
// The presence rules written the slow, literal way (neighbouring pairs, removal from the list),
// to check the archive's one-pass versions against.

#include "archive/statistics.h"

#include <algorithm>

namespace qtx::test {

inline void LiteralCollapseRepeats(WorkList& work)
{
    if (work.size() < 2)
        return;
    std::size_t i = 0;
    while (i + 1 < work.size()) {
        if (work[i].entrance && work[i + 1].entrance)
            work.erase(work.begin() + static_cast<std::ptrdiff_t>(i) + 1);
        else if (work[i].exit && work[i + 1].exit)
            work.erase(work.begin() + static_cast<std::ptrdiff_t>(i));
        else
            ++i;
    }
}

// Hits, users and time of a day by walking the whole store and taking one user at a time.
inline DayFigures LiteralDayFigures(const EventStore& store, QDate date, const UserFilter& filter,
                                    std::optional<CountingMode> mode, const PortNames& ports)
{
    std::vector<const CEvent*> day;
    for (const CEvent& e : store)
        if (e.day == date.toJulianDay() && e.accepted && filter.Passes(e))
            day.push_back(&e);
    std::vector<QByteArray> users;
    for (const CEvent* e : day)
        if (std::find(users.begin(), users.end(), e->userNumber().toByteArray()) == users.end())
            users.push_back(e->userNumber().toByteArray());
    DayFigures f;
    f.hits = static_cast<int>(day.size());
    f.users = static_cast<int>(users.size());
    if (!mode)
        return f;
    for (const QByteArray& user : users) {
        WorkList work;
        for (const CEvent* e : day) {
            if (e->userNumber() != QByteArrayView(user))
                continue;
            const QByteArrayView port = store.PortName(*e);
            work.push_back(
                {e->SecondsOfDay(), port == QByteArrayView(ports.entrance), port == QByteArrayView(ports.exit)});
        }
        if (*mode == CountingMode::DailyIgnoreIoType) {
            f.seconds += SpanTime(work);
            continue;
        }
        LiteralCollapseRepeats(work);
        std::int64_t t = 0;
        if (!work.empty() && work.front().exit) {
            if (*mode == CountingMode::DayNight)
                t += work.front().seconds;
            work.erase(work.begin());
        }
        if (!work.empty() && work.back().entrance) {
            if (*mode == CountingMode::DayNight)
                t += 86400 - std::int64_t(work.back().seconds);
            work.pop_back();
        }
        f.seconds += t + (work.empty() ? 0 : PairedTime(work));
    }
    return f;
}

} // namespace qtx::test
