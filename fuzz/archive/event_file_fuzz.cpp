// Arbitrary bytes as an event file name and an event file: the name parser, the line reader,
// the store, the statistics of every counting mode (checked against the literal rules), the day
// list lines, calendar presses and the user filter's reading of a user list.
//
// Input: one length byte n, n bytes of file name (UTF-8), the rest the file's contents.

#include "archive/calendar.h"
#include "archive/event_store.h"
#include "archive/statistics.h"
#include "base/errors.h"
#include "reference_statistics.h"

#include <cstdint>
#include <cstdlib>

namespace {

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

void CheckMonth(const qtx::EventStore& store, QDate date, const qtx::UserFilter& filter,
                std::optional<qtx::CountingMode> mode, const qtx::PortNames& ports)
{
    const qtx::MonthFigures m = qtx::ComputeMonthFigures(store, date.year(), date.month(), filter, mode, ports);
    std::int64_t hits = 0;
    std::int64_t seconds = 0;
    for (int d = 1; d <= m.days; ++d) {
        hits += m.day[static_cast<std::size_t>(d - 1)].hits;
        seconds += m.day[static_cast<std::size_t>(d - 1)].seconds;
    }
    Check(hits == m.hits && seconds == m.seconds);
    const qtx::DayFigures expected = qtx::test::LiteralDayFigures(store, date, filter, mode, ports);
    const qtx::DayFigures& got = m.day[static_cast<std::size_t>(date.day() - 1)];
    Check(got.hits == expected.hits && got.users == expected.users && got.seconds == expected.seconds);
    Check(!qtx::FormatDuration(m.seconds).isEmpty());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const std::size_t nameLength = std::min<std::size_t>(data[0], size - 1);
    const QString name = QString::fromUtf8(reinterpret_cast<const char*>(data + 1), static_cast<qsizetype>(nameLength));
    const QByteArrayView file(reinterpret_cast<const char*>(data + 1 + nameLength),
                              static_cast<qsizetype>(size - 1 - nameLength));

    qtx::EventStore store;
    QList<QDate> dates{QDate(2021, 5, 11)};
    qtx::AppendEventFileData(store, QStringLiteral("20210511.csv"), file);
    Check(store.Size() == static_cast<std::size_t>(qtx::EventCountOfData(file)));
    try {
        const QDate date = qtx::ParseEventFileName(name);
        Check(date.isValid());
        int last = 0;
        qtx::AppendEventFileData(store, name, file, 0, [&last](int p) {
            Check(p > last && p <= 100);
            last = p;
        });
        dates << date;
    } catch (const qtx::FormatError&) {
    }

    if (!store.IsEmpty()) {
        const qtx::CEvent& first = store[0];
        const qtx::CEvent& last = store[store.Size() - 1];
        const qtx::PortNames ports{store.PortName(first).toByteArray(), store.PortName(last).toByteArray()};
        const qtx::PortNames same{ports.entrance, ports.entrance};
        for (const QDate& date : dates) {
            for (const qtx::UserFilter& filter :
                 {qtx::UserFilter::All(), qtx::UserFilter::Number(first.userNumber())}) {
                CheckMonth(store, date, filter, std::nullopt, ports);
                for (int mode = 0; mode < 3; ++mode) {
                    CheckMonth(store, date, filter, qtx::CountingModeAt(mode), ports);
                    CheckMonth(store, date, filter, qtx::CountingModeAt(mode), same);
                }
            }
        }
        const qtx::EventLineTexts words{QStringLiteral("accepted"), QStringLiteral("denied"), QStringLiteral("card"),
                                        QStringLiteral("on")};
        for (std::size_t i = 0; i < std::min<std::size_t>(store.Size(), 64); ++i)
            Check(!qtx::FormatEventLine(store[i], store.Texts(), words).isEmpty());
    }

    // Presses anywhere on pictures of any size, in the months of the file.
    if (file.size() >= 6) {
        const auto word = [&file](int i) { return static_cast<int>(static_cast<std::uint8_t>(file[i])) * 8 - 64; };
        for (const QDate& date : dates) {
            const qtx::CalendarHit hit = qtx::HitTestCalendar(word(0), word(1), word(2), word(3), date);
            Check(hit.shownMonth.isValid());
            Check(hit.day >= 0 && hit.day <= qtx::DaysInMonth(hit.shownMonth.month(), hit.shownMonth.year()));
        }
    }

    for (const qtx::UserFilterEntry& entry : qtx::ReadUserFilterEntries(file))
        Check(entry.userNumber.size() == 4);
    return 0;
}
