// The month timesheet of a busy site: a year (365 days of 5,000 lines, 200 users) loaded
// through the event reader, then one month's timesheet in each counting mode, and its export.

#include "app/text_file.h"
#include "archive/event_store.h"
#include "archive/timesheet.h"
#include "archive/timesheet_export.h"

#include <QCoreApplication>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstdio>

namespace {

constexpr int Days = 365;
constexpr int LinesPerFile = 5000;
constexpr int Users = 200;
const QByteArray Entrance = qtx::ToCp1250(QStringLiteral("Wejście główne"));
const QByteArray Exit = qtx::ToCp1250(QStringLiteral("Wyjście główne"));
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
        const QDate first(2021, 1, 1);
        for (int d = 0; d < Days; ++d) {
            const QDate date = first.addDays(d);
            QByteArray file = "ID, DATA, CZAS, WYNIK, OPIS, PORT,\r\n";
            file.reserve(LinesPerFile * 72);
            bool inside[Users + 1] = {};
            const QByteArray day = date.toString(QStringLiteral("yyyy-MM-dd")).toLatin1();
            for (int k = 0; k < LinesPerFile; ++k) {
                const int u = 1 + static_cast<int>(random.bounded(Users));
                const int t = k * 86400 / LinesPerFile;
                const bool accepted = random.bounded(40) != 0;
                if (accepted)
                    inside[u] = !inside[u];
                char line[160];
                const int n = std::snprintf(line, sizeof line, "%04d, %s, %02d:%02d:%02d, %dk, Pracownik %d, %s,\r\n",
                                            u, day.constData(), t / 3600, t / 60 % 60, t % 60, accepted ? 1 : 0, u,
                                            (inside[u] ? Entrance : Exit).constData());
                file.append(line, n);
            }
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
    const qtx::Timesheet sheet = qtx::ComputeTimesheet(year.store, 2021, 7, qtx::CountingMode::Daily, Ports, year.names);
    for (auto _ : state)
        benchmark::DoNotOptimize(qtx::TimesheetCsv(sheet, false));
}
BENCHMARK(BM_TimesheetCsv)->Unit(benchmark::kMillisecond);

// The workbook of a month: the timesheet and its 155,000 events.
void BM_TimesheetXlsx(benchmark::State& state)
{
    const LoadedYear& year = TheYear();
    const qtx::Timesheet sheet = qtx::ComputeTimesheet(year.store, 2021, 7, qtx::CountingMode::Daily, Ports, year.names);
    QTemporaryDir dir;
    const qtx::TimesheetTexts texts{"ID", "Name", "Total", "Timesheet", "Events", "Date", "Time",
                                    "User", "Port", "Status", "accepted", "denied"};
    for (auto _ : state)
        qtx::WriteTimesheetXlsx(dir.filePath(QStringLiteral("month.xlsx")), sheet, year.store,
                                qtx::UserFilter::All(), year.names, texts);
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
