// The month timesheet of a busy site: a year (365 days of 5,000 lines, 200 users) loaded
// through the event reader, then one month's timesheet in each counting mode, and its export.

#include "archive/event_store.h"
#include "archive/timesheet.h"
#include "archive/timesheet_export.h"
#include "base/text_file.h"
#include "busy_year.h"

#include <QCoreApplication>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstdio>

namespace {

using namespace bench;
const qtx::PortNames Ports{Entrance, Exit};

struct LoadedYear {
    qtx::EventStore store;
    qtx::UserNames names;
};

// The year's files as the recorder writes them, read into a store.
const LoadedYear& TheYear()
{
    static const LoadedYear year = [] {
        LoadedYear y;
        QList<qtx::UserFilterEntry> entries;
        for (int u = 1; u <= Users; ++u)
            entries.append({QByteArray::number(u).rightJustified(4, '0'), "Pracownik " + QByteArray::number(u)});
        y.names = qtx::UserNames(entries);
        QRandomGenerator random(2021);
        const QDate first = FirstDay();
        for (int d = 0; d < Days; ++d) {
            const QDate date = first.addDays(d);
            const QByteArray file = BusyDayFile(date, random);
            qtx::AppendEventFileData(y.store, date.toString(QStringLiteral("yyyyMMdd")) + QStringLiteral(".csv"), file);
        }
        return y;
    }();
    return year;
}

void BM_TimesheetMonth(benchmark::State& state)
{
    const LoadedYear& year = TheYear();
    const auto mode = static_cast<qtx::CountingMode>(state.range(0));
    std::size_t rows = 0;
    for (auto _ : state) {
        const qtx::Timesheet sheet = qtx::ComputeTimesheet(year.store, 2021, 7, mode, Ports, year.names);
        rows = sheet.rows.size();
        benchmark::DoNotOptimize(sheet.total);
    }
    state.counters["rows"] = static_cast<double>(rows);
}
BENCHMARK(BM_TimesheetMonth)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);

void BM_TimesheetCsv(benchmark::State& state)
{
    const LoadedYear& year = TheYear();
    const qtx::Timesheet sheet =
        qtx::ComputeTimesheet(year.store, 2021, 7, qtx::CountingMode::Daily, Ports, year.names);
    for (auto _ : state)
        benchmark::DoNotOptimize(qtx::TimesheetCsv(sheet, false));
}
BENCHMARK(BM_TimesheetCsv)->Unit(benchmark::kMillisecond);

// The workbook of a month: the timesheet and its 155,000 events.
void BM_TimesheetXlsx(benchmark::State& state)
{
    const LoadedYear& year = TheYear();
    const qtx::Timesheet sheet =
        qtx::ComputeTimesheet(year.store, 2021, 7, qtx::CountingMode::Daily, Ports, year.names);
    QTemporaryDir dir;
    const qtx::TimesheetTexts texts{"ID",   "Name", "Total",  "Timesheet", "Events", "Date", "Time",
                                    "User", "Port", "Status", "accepted",  "denied", "",     "",
                                    "",     "",     "",       "",          "",       ""};
    for (auto _ : state)
        qtx::WriteTimesheetXlsx(dir.filePath(QStringLiteral("month.xlsx")), sheet, year.store, qtx::UserFilter::All(),
                                year.names, texts, {});
}
BENCHMARK(BM_TimesheetXlsx)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    TheYear();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
