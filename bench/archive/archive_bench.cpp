// A year of a busy site (365 event files of 5,000 lines, 200 users): reading it through the core,
// loading it through the archive window with its progress bars, the memory each event takes,
// and redrawing the calendar on a mouse move.
// Headless by default; under an X server (scripts/with-xvfb.sh) the window benchmarks run on the
// real platform, and BM_WindowLoadYearClickToCalendar times the operator's wait.

#include "archive/archive_window.h"
#include "archive/event_store.h"
#include "archive/statistics.h"
#include "base/text_file.h"
#include "busy_year.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMouseEvent>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <unistd.h>

namespace {

using namespace bench;

// The year's files, written once into a scratch folder.
class Year {
public:
    Year()
    {
        QRandomGenerator random(2021);
        const QDate first = FirstDay();
        QByteArray users;
        for (int u = 1; u <= Users; ++u)
            users += QByteArray(8, '\0') + QByteArray::number(u).rightJustified(4, '0') + "u" + '\0' + "\x31" + '\0'
                     + "Pracownik " + QByteArray::number(u) + "\r\n";
        qtx::WriteWholeFile(dir_.filePath(QStringLiteral("USERS.txt")), users);
        for (int d = 0; d < Days; ++d) {
            const QDate date = first.addDays(d);
            const QByteArray file = BusyDayFile(date, random);
            const QString name = date.toString(QStringLiteral("yyyyMMdd")) + QStringLiteral(".csv");
            qtx::WriteWholeFile(dir_.filePath(name), file);
            paths_ << dir_.filePath(name);
        }
    }
    QString Folder() const { return dir_.path(); }
    const QStringList& Paths() const { return paths_; }

private:
    QTemporaryDir dir_;
    QStringList paths_;
};

const Year& TheYear()
{
    static const Year year;
    return year;
}

long ResidentBytes()
{
    long pages = 0;
    long resident = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(f);
    }
    return resident * sysconf(_SC_PAGESIZE);
}

void BM_CoreReaderYear(benchmark::State& state)
{
    const Year& year = TheYear();
    qtx::EventStore store;
    for (auto _ : state) {
        store.Clear();
        for (const QString& path : year.Paths())
            qtx::LoadEventFile(store, path);
        benchmark::DoNotOptimize(store.Size());
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * Days * LinesPerFile);
    state.counters["events"] = static_cast<double>(store.Size());
    state.counters["store_bytes_per_event"] =
        static_cast<double>(store.MemoryBytes()) / static_cast<double>(store.Size());
}
BENCHMARK(BM_CoreReaderYear)->Unit(benchmark::kMillisecond)->MinTime(3.0);

// Resident memory the process gains by loading the year, per event (includes the allocator's
// own slack; the file being read is freed after each file).
void BM_ResidentMemoryPerEvent(benchmark::State& state)
{
    const Year& year = TheYear();
    for (auto _ : state) {
        const long before = ResidentBytes();
        auto* store = new qtx::EventStore;
        for (const QString& path : year.Paths())
            qtx::LoadEventFile(*store, path);
        const long after = ResidentBytes();
        state.counters["resident_bytes_per_event"] =
            static_cast<double>(after - before) / static_cast<double>(store->Size());
        delete store;
    }
}
BENCHMARK(BM_ResidentMemoryPerEvent)->Iterations(1)->Unit(benchmark::kMillisecond);

// The archive window as the operator sees it: shown, every file marked, progress bars repainted.
TForm5& Archive()
{
    static TForm5* form = [] {
        auto* f = new TForm5;
        f->SetPortNames(qtx::FromCp1250(Entrance), qtx::FromCp1250(Exit));
        f->OpenFolder(TheYear().Folder() + QLatin1Char('/'));
        f->show();
        QApplication::processEvents();
        return f;
    }();
    return *form;
}

void BM_WindowLoadFilesYear(benchmark::State& state)
{
    TForm5& form = Archive();
    for (auto _ : state) {
        form.OpenFolder(TheYear().Folder() + QLatin1Char('/'));
        QApplication::processEvents();
        form.LoadFiles();
        benchmark::DoNotOptimize(form.EventStore.Size());
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * Days * LinesPerFile);
    state.counters["events"] = static_cast<double>(form.EventStore.Size());
}
BENCHMARK(BM_WindowLoadFilesYear)->Unit(benchmark::kMillisecond)->MinTime(3.0);

// Counts the paints of a widget, so a benchmark knows when the calendar reached the screen.
class PaintCounter final : public QObject {
public:
    using QObject::QObject;
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

// Wall time from the click on "load files" to the calendar painted in the window, with both bars
// moving meanwhile; the figure the operator waits for. On the real platform only.
void BM_WindowLoadYearClickToCalendar(benchmark::State& state)
{
    if (QGuiApplication::platformName() != QLatin1String("xcb")) {
        state.SkipWithError("needs an X server: run under scripts/with-xvfb.sh");
        return;
    }
    TForm5& form = Archive();
    PaintCounter counter;
    PaintCounter bar;
    form.Image1->installEventFilter(&counter);
    form.ProgressBar1->installEventFilter(&bar);
    for (auto _ : state) {
        form.OpenFolder(TheYear().Folder() + QLatin1Char('/'));
        // Back to the file panel, as each opening of the window starts: its bars are visible.
        form.Panel1->show();
        QApplication::processEvents();
        QElapsedTimer wall;
        wall.start();
        counter.paints = 0;
        bar.paints = 0;
        form.Button2->click();
        while (counter.paints == 0)
            QApplication::processEvents(QEventLoop::WaitForMoreEvents);
        QGuiApplication::sync();
        state.SetIterationTime(static_cast<double>(wall.nsecsElapsed()) / 1e9);
    }
    form.Image1->removeEventFilter(&counter);
    form.ProgressBar1->removeEventFilter(&bar);
    state.counters["events"] = static_cast<double>(form.EventStore.Size());
    state.counters["line_bar_paints"] = bar.paints;
}
BENCHMARK(BM_WindowLoadYearClickToCalendar)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

void MoveMouse(QWidget* widget, QPoint p)
{
    QMouseEvent move(QEvent::MouseMove, p, widget->mapToGlobal(p), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &move);
}

void LoadedMidYear()
{
    TForm5& form = Archive();
    if (form.EventStore.Size() != static_cast<std::size_t>(Days) * LinesPerFile)
        form.LoadFiles();
    form.shownMonth = QDate(2021, 7, 1);
    form.ComboBox1->setCurrentIndex(0);
    form.ComboBox2->setCurrentIndex(1);
    form.DrawCalendar();
}

// A mouse move over the picture: the whole calendar redrawn (month figures cached).
void BM_MouseMoveRedraw(benchmark::State& state)
{
    LoadedMidYear();
    TForm5& form = Archive();
    const QPoint a(400, 200);
    const QPoint b(700, 330);
    int i = 0;
    for (auto _ : state)
        MoveMouse(form.Image1, (++i & 1) ? a : b);
    state.counters["picture_w"] = form.Picture.width();
    state.counters["picture_h"] = form.Picture.height();
}
BENCHMARK(BM_MouseMoveRedraw)->Unit(benchmark::kMillisecond);

// The same with the widget painted on screen before the next move.
void BM_MouseMoveRedrawAndPaint(benchmark::State& state)
{
    LoadedMidYear();
    TForm5& form = Archive();
    int i = 0;
    for (auto _ : state) {
        MoveMouse(form.Image1, (++i & 1) ? QPoint(400, 200) : QPoint(700, 330));
        form.Image1->repaint();
    }
}
BENCHMARK(BM_MouseMoveRedrawAndPaint)->Unit(benchmark::kMillisecond);

// A month step: the month's figures computed anew from the store, then drawn.
void BM_RedrawNewMonth(benchmark::State& state)
{
    LoadedMidYear();
    TForm5& form = Archive();
    int i = 0;
    for (auto _ : state) {
        form.shownMonth = QDate(2021, (++i & 1) ? 6 : 7, 1);
        form.DrawCalendar();
    }
}
BENCHMARK(BM_RedrawNewMonth)->Unit(benchmark::kMillisecond);

// The figures of one busy month alone, every counting mode.
void BM_MonthFigures(benchmark::State& state)
{
    LoadedMidYear();
    const TForm5& form = Archive();
    const auto mode = qtx::CountingModeAt(static_cast<int>(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(
            qtx::ComputeMonthFigures(form.EventStore, 2021, 7, qtx::UserFilter::All(), mode, form.Ports()).seconds);
}
BENCHMARK(BM_MonthFigures)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    TheYear();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
