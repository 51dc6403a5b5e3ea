// A month's report of a busy site's card as qtxctl report makes it: the year (365 files of 5,000
// lines, 200 users) on disk, then July's figures read the way the report used to read them
// (every file of the folder) and the way it reads them now (the month's files and the day
// before), side by side.

#include "archive/event_store.h"
#include "archive/statistics.h"
#include "busy_year.h"

#include <QCoreApplication>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

using namespace bench;
const qtx::PortNames Ports{Entrance, Exit};

// The year's files as the recorder writes them, in a folder that lives as long as the run.
const QString& TheCard()
{
    static QTemporaryDir dir;
    static const bool written = [] {
        QRandomGenerator random(2021);
        for (int d = 0; d < Days; ++d) {
            const QDate date = FirstDay().addDays(d);
            QFile file(dir.filePath(date.toString(QStringLiteral("yyyyMMdd")) + QStringLiteral(".csv")));
            if (!file.open(QIODevice::WriteOnly) || file.write(BusyDayFile(date, random)) < 0)
                qFatal("cannot write the busy year");
        }
        return true;
    }();
    static const QString path = written ? dir.path() : QString();
    return path;
}

// How the report read a month before: the whole folder.
void BM_MonthReportReadingEveryFile(benchmark::State& state)
{
    for (auto _ : state) {
        qtx::EventStore store;
        qtx::LoadEventFolder(store, TheCard());
        benchmark::DoNotOptimize(
            qtx::ComputeMonthFigures(store, 2021, 7, qtx::UserFilter::All(), qtx::CountingMode::Daily, Ports).seconds);
    }
}
BENCHMARK(BM_MonthReportReadingEveryFile)->Unit(benchmark::kMillisecond)->Iterations(3);

// How it reads it now: the month's files and the day before the first.
void BM_MonthReportReadingTheMonth(benchmark::State& state)
{
    for (auto _ : state) {
        qtx::EventStore store;
        qtx::LoadEventFolderDays(store, TheCard(), QDate(2021, 6, 30), QDate(2021, 7, 31), {});
        benchmark::DoNotOptimize(
            qtx::ComputeMonthFigures(store, 2021, 7, qtx::UserFilter::All(), qtx::CountingMode::Daily, Ports).seconds);
    }
}
BENCHMARK(BM_MonthReportReadingTheMonth)->Unit(benchmark::kMillisecond)->Iterations(10);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    TheCard();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
