// The month timesheet against the per-user figures of the calendar.

#include "archive/timesheet.h"
#include "archive/timesheet_export.h"
#include "archive_test_data.h"

#include <QRandomGenerator>
#include <QTest>
#include <cstdlib>
#include <set>

using namespace qtx;
using namespace qtx::test;

Q_DECLARE_METATYPE(qtx::CountingMode)

namespace {

const PortNames InOut{"IN", "OUT"};

void Add(EventStore& store, QDate date, const QByteArray& user, int h, int m, int s, const QByteArray& port,
         bool accepted = true)
{
    store.AppendLine(EventLine(user, h, m, s, accepted, true, "d", port),
                     static_cast<std::int32_t>(date.toJulianDay()));
}

// March 2021 with a night shift over midnight, repeated entrances, a user with only denied
// events, a user missing from the user list, neighbouring months, and random days.
EventStore MakeMarch()
{
    EventStore store;
    Add(store, QDate(2021, 2, 28), "0009", 8, 0, 0, "IN");
    Add(store, QDate(2021, 2, 28), "0001", 23, 0, 0, "IN");
    Add(store, QDate(2021, 3, 1), "0001", 6, 0, 0, "OUT");
    Add(store, QDate(2021, 3, 1), "0002", 8, 0, 0, "IN");
    Add(store, QDate(2021, 3, 1), "0003", 8, 1, 0, "IN", false);
    Add(store, QDate(2021, 3, 1), "0002", 8, 5, 0, "IN");
    Add(store, QDate(2021, 3, 1), "0004", 9, 0, 0, "IN");
    Add(store, QDate(2021, 3, 1), "0002", 16, 10, 30, "OUT");
    Add(store, QDate(2021, 3, 1), "0004", 11, 30, 59, "OUT");
    Add(store, QDate(2021, 3, 1), "0001", 22, 0, 0, "IN");
    Add(store, QDate(2021, 3, 2), "0001", 6, 0, 0, "OUT");
    Add(store, QDate(2021, 3, 2), "0003", 9, 0, 0, "OUT", false);
    Add(store, QDate(2021, 3, 31), "0001", 21, 0, 0, "IN");
    Add(store, QDate(2021, 4, 1), "0001", 5, 0, 0, "OUT");
    Add(store, QDate(2021, 4, 1), "0009", 8, 0, 0, "IN");
    QRandomGenerator random(11);
    const QByteArray ports[] = {"IN", "OUT", "BELL"};
    const QByteArray users[] = {"0001", "0002", "0005", "0006", "0010"};
    for (int d = 3; d <= 30; ++d)
        for (int i = 0; i < 40; ++i)
            Add(store, QDate(2021, 3, d), users[random.bounded(5)], random.bounded(24), random.bounded(60),
                random.bounded(60), ports[random.bounded(3)], random.bounded(10) != 0);
    return store;
}

QByteArray Record(const QByteArray& id, const QByteArray& name)
{
    return QByteArray(8, '\0') + id + 'u' + '\0' + "12" + '\0' + name + "\r\n";
}

} // namespace

class TimesheetTest : public QObject {
    Q_OBJECT

private slots:
    void agreesWithTheCalendarPerUser_data()
    {
        QTest::addColumn<CountingMode>("mode");
        QTest::newRow("daily") << CountingMode::Daily;
        QTest::newRow("day/night") << CountingMode::DayNight;
        QTest::newRow("span") << CountingMode::DailyIgnoreIoType;
    }

    void agreesWithTheCalendarPerUser()
    {
        QFETCH(CountingMode, mode);
        const EventStore store = MakeMarch();
        const UserNames names(ReadUserFilterEntries(Record("0002", "Anna") + Record("0001", "Piotr")
                                                    + Record("0002", "second record") + Record("0003", "Denied")));
        const Timesheet sheet = ComputeTimesheet(store, 2021, 3, mode, InOut, names);
        QCOMPARE(sheet.days, 31);

        // Exactly the users with an accepted event in the month, ascending.
        std::set<QByteArray> expected;
        for (const CEvent& e : store)
            if (e.accepted && e.Date().month() == 3)
                expected.insert(e.userNumber().toByteArray());
        QVERIFY(expected.count("0003") == 0 && expected.count("0004") == 1);
        QCOMPARE(sheet.rows.size(), expected.size());
        auto next = expected.begin();
        for (const TimesheetRow& row : sheet.rows)
            QCOMPARE(row.userNumber, *next++);

        std::int64_t total = 0;
        for (const TimesheetRow& row : sheet.rows) {
            std::int64_t rowTotal = 0;
            for (int d = 1; d <= 31; ++d) {
                const DayFigures f =
                    ComputeDayFigures(store, QDate(2021, 3, d), UserFilter::Number(row.userNumber), mode, InOut);
                QCOMPARE(row.seconds[static_cast<std::size_t>(d - 1)], f.seconds);
                rowTotal += f.seconds;
            }
            QCOMPARE(row.total, rowTotal);
            total += rowTotal;
        }
        const MonthFigures month = ComputeMonthFigures(store, 2021, 3, UserFilter::All(), mode, InOut);
        QCOMPARE(sheet.total, total);
        QCOMPARE(sheet.total, month.seconds);
        for (int d = 1; d <= 31; ++d)
            QCOMPARE(sheet.dayTotals[static_cast<std::size_t>(d - 1)],
                     month.day[static_cast<std::size_t>(d - 1)].seconds);

        // The first record of a number names it; a number without a record has no name.
        QCOMPARE(sheet.rows[0].name, QByteArray("Piotr"));
        QCOMPARE(sheet.rows[1].name, QByteArray("Anna"));
        QCOMPARE(sheet.rows[2].name, QByteArray());
        if (mode == CountingMode::DayNight) {
            // The night shift: from midnight to 06:00 on the 1st and 2nd, from 22:00 on the 1st.
            QCOMPARE(sheet.rows[0].seconds[0], 6 * 3600 + 2 * 3600);
            QCOMPARE(sheet.rows[0].seconds[1], 6 * 3600);
        }

        // The filter narrows the sheet to one user with the same figures.
        const Timesheet one = ComputeTimesheet(store, 2021, 3, mode, InOut, names, UserFilter::Number("0002"));
        QCOMPARE(one.rows.size(), std::size_t(1));
        QCOMPARE(one.rows[0].seconds, sheet.rows[1].seconds);
        QCOMPARE(one.total, sheet.rows[1].total);

        // Every listed user gets a row when asked, 0003 with only denied events too; the filter
        // still narrows to one.
        const Timesheet everyone =
            ComputeTimesheet(store, 2021, 3, mode, InOut, names, UserFilter::All(), TimesheetRows::EveryListedUser);
        QCOMPARE(everyone.rows.size(), sheet.rows.size() + 1);
        QCOMPARE(everyone.rows[2].userNumber, QByteArray("0003"));
        QCOMPARE(everyone.rows[2].name, QByteArray("Denied"));
        QCOMPARE(everyone.rows[2].total, 0);
        QCOMPARE(everyone.total, sheet.total);
        QCOMPARE(ComputeTimesheet(store, 2021, 3, mode, InOut, names, UserFilter::Number("0003"),
                                  TimesheetRows::EveryListedUser)
                     .rows.size(),
                 std::size_t(1));
    }

    // The H:MM forms show rounded minutes, and what they show adds up: each row's days to its total
    // in the CSV, and the days and rows to the sheet's totals, negative days included.
    void shownPartsAddUp()
    {
        const EventStore store = MakeMarch();
        for (const CountingMode mode : {CountingMode::Daily, CountingMode::DayNight, CountingMode::DailyIgnoreIoType}) {
            const Timesheet exact = ComputeTimesheet(store, 2021, 3, mode, InOut, {});
            const Timesheet shown = InWholeMinutes(exact);
            QVERIFY(shown.total != exact.total); // the random days carry seconds
            const QList<QByteArray> lines = TimesheetCsv(exact, false).split('\n');
            QCOMPARE(lines.size(), static_cast<qsizetype>(exact.rows.size()) + 2);
            bool negative = false;
            std::array<std::int64_t, 31> columns{};
            std::int64_t all = 0;
            for (std::size_t r = 0; r < exact.rows.size(); ++r) {
                const QList<QByteArray> fields = lines[static_cast<qsizetype>(r) + 1].trimmed().split(',');
                const auto minutes = [](const QByteArray& hm) {
                    const QList<QByteArray> parts = hm.split(':');
                    const std::int64_t m = std::abs(parts[0].toLongLong()) * 60 + parts[1].toLongLong();
                    return hm.startsWith('-') ? -m : m;
                };
                std::int64_t sum = 0;
                for (int d = 0; d < 31; ++d) {
                    const std::int64_t m = minutes(fields[d + 2]);
                    QCOMPARE(m * 60, shown.rows[r].seconds[static_cast<std::size_t>(d)]);
                    QVERIFY(std::abs(m * 60 - exact.rows[r].seconds[static_cast<std::size_t>(d)]) <= 30);
                    negative = negative || m < 0;
                    sum += m;
                    columns[static_cast<std::size_t>(d)] += m * 60;
                }
                QCOMPARE(minutes(fields[33]), sum);
                QCOMPARE(shown.rows[r].total, sum * 60);
                all += sum * 60;
            }
            QCOMPARE(shown.dayTotals, columns);
            QCOMPARE(shown.total, all);
            QVERIFY(negative); // the random days' lines are out of time order
        }
    }
};

QTEST_GUILESS_MAIN(TimesheetTest)
#include "timesheet_test.moc"
