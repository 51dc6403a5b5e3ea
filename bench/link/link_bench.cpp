// Download throughput over the simulated recorder paced at 115200 bit/s, as a share of the line's
// 11,520 bytes per second (a 200 kB file, and the demo card through the task sequencer), a run
// of downloads under injected line faults that counts stored files that differ from the card's,
// and the automatic download through the program's own windows against the same download without
// them. The link runs on the same 2 ms and 100 ms timers as the program.

#include "app/forms.h"
#include "app/main_window.h"
#include "base/paths.h"
#include "base/widgets/application.h"
#include "link/com_socket.h"
#include "link/link_controller.h"
#include "link/port_chooser_window.h"
#include "support/recorder_sim_process.h"
#include "workspace/access_mode_window.h"

#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTimer>
#include <benchmark/benchmark.h>
#include <functional>

namespace {

constexpr double LineBytesPerSecond = 11520.0;

// What the benchmark's link shows: the file list and the ends of downloads.
class BenchView final : public qtx::LinkView {
public:
    QString port;
    QList<QByteArray> files;
    QList<qtx::DownloadOutcome> outcomes;
    bool finished = false;

    void AddFileListLine(const QByteArray& line) override { files.append(line); }
    void ClearFileList() override { files.clear(); }
    int FileListCount() const override { return int(files.size()); }
    QByteArray FileListLine(int index) const override { return files.value(index); }
    QString ChosenPortName() const override { return port; }
    void DownloadsFinished(const QString&) override { finished = true; }
    void DownloadEnded(const qtx::DownloadOutcome& outcome) override { outcomes.append(outcome); }
};

// qtx-recorder-sim serving a card folder at the cable's speed, reached as COM98.
class Simulator : public qtx::test::RecorderSimProcess {
public:
    Simulator(const QString& card, const QStringList& extra)
        : RecorderSimProcess(QStringLiteral(QTX_RECORDER_SIM), card, 98, QStringList{"--baud-pace", "115200"} + extra)
    {
    }
};

// The link with its timers until done() holds.
void Run(qtx::LinkController& link, const std::function<bool()>& done, bool sequencer)
{
    link.RunTimersUntil(
        done, [] {}, sequencer);
}

QByteArray RandomBytes(int size)
{
    QByteArray bytes(size, '\0');
    QRandomGenerator generator(2025);
    for (char& c : bytes)
        c = char(generator.generate() & 0xFF);
    return bytes;
}

void WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

QByteArray ReadFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

struct Link {
    BenchView view;
    qtx::LinkController controller{view};
};

void BM_DownloadLargeFile(benchmark::State& state)
{
    QTemporaryDir card;
    QTemporaryDir store;
    const QByteArray content = RandomBytes(200 * 1000);
    WriteFile(card.filePath("BIG.BIN"), content);
    Simulator sim(card.path(), {});
    Link link;
    if (sim.Port().isEmpty() || !link.controller.OpenLink(sim.Port(), 1)) {
        state.SkipWithError("the simulated recorder did not start");
        return;
    }
    link.controller.Engine().SetDownloadFolder(store.path());
    double seconds = 0;
    for (auto _ : state) {
        link.view.outcomes.clear();
        QElapsedTimer clock;
        clock.start();
        link.controller.Engine().RequestFile("BIG.BIN");
        Run(
            link.controller, [&] { return !link.view.outcomes.isEmpty(); }, false);
        seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;
        state.SetIterationTime(seconds);
        if (!link.view.outcomes.first().stored || ReadFile(store.filePath("BIG.BIN")) != content)
            state.SkipWithError("the file was not stored intact");
    }
    state.counters["bytes_per_s"] = static_cast<double>(content.size()) / seconds;
    state.counters["share_of_line_pct"] = 100.0 * static_cast<double>(content.size()) / seconds / LineBytesPerSecond;
}
BENCHMARK(BM_DownloadLargeFile)->UseManualTime()->Iterations(2)->Unit(benchmark::kSecond);

void BM_DownloadDemoCard(benchmark::State& state)
{
    QTemporaryDir store;
    Simulator sim(QStringLiteral(QTX_DEMO_CARD), {});
    qint64 bytes = 0;
    double seconds = 0;
    int files = 0;
    for (auto _ : state) {
        Link link;
        link.view.port = sim.Port();
        link.controller.Engine().SetDownloadFolder(store.path());
        QElapsedTimer clock;
        clock.start();
        link.controller.Tasks().Start();
        Run(
            link.controller, [&] { return link.view.finished || !link.controller.Tasks().Running(); }, true);
        seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;
        state.SetIterationTime(seconds);
        bytes = 0;
        files = 0;
        for (const qtx::DownloadOutcome& outcome : std::as_const(link.view.outcomes)) {
            if (!outcome.stored
                || ReadFile(outcome.path) != ReadFile(QStringLiteral(QTX_DEMO_CARD) + '/' + outcome.name))
                state.SkipWithError("a file was not stored intact");
            bytes += outcome.size;
            files += 1;
        }
        if (!link.view.finished)
            state.SkipWithError("the download did not finish");
    }
    state.counters["files"] = files;
    state.counters["bytes"] = double(bytes);
    state.counters["bytes_per_s"] = static_cast<double>(bytes) / seconds;
    state.counters["share_of_line_pct"] = 100.0 * static_cast<double>(bytes) / seconds / LineBytesPerSecond;
}
BENCHMARK(BM_DownloadDemoCard)->UseManualTime()->Iterations(1)->Unit(benchmark::kSecond);

// 50 downloads of a 100 kB file in a row with 1 corrupted frame in 50, 1 lost "{" in 50, duplicated
// frames and 100 ms silences: every stored file must equal the card's.
void BM_DownloadsUnderFaults(benchmark::State& state)
{
    constexpr int Downloads = 50;
    QTemporaryDir card;
    QTemporaryDir store;
    const QByteArray content = RandomBytes(100 * 1000);
    WriteFile(card.filePath("FAULTS.BIN"), content);
    Simulator sim(card.path(), {"--fault", "corrupt=50,lose-ack=50,duplicate=100,silence=100,silence-ms=100"});
    Link link;
    if (sim.Port().isEmpty() || !link.controller.OpenLink(sim.Port(), 1)) {
        state.SkipWithError("the simulated recorder did not start");
        return;
    }
    link.controller.Engine().SetDownloadFolder(store.path());
    int identical = 0;
    int corrupted = 0;
    int notStored = 0;
    double seconds = 0;
    for (auto _ : state) {
        QElapsedTimer clock;
        clock.start();
        for (int i = 0; i < Downloads; ++i) {
            QFile::remove(store.filePath("FAULTS.BIN"));
            link.view.outcomes.clear();
            link.controller.Engine().RequestFile("FAULTS.BIN");
            QElapsedTimer one;
            one.start();
            Run(
                link.controller, [&] { return !link.view.outcomes.isEmpty() || one.elapsed() > 120000; }, false);
            if (link.view.outcomes.isEmpty() || !link.view.outcomes.first().stored) {
                notStored += 1;
                if (link.view.outcomes.isEmpty()) {
                    link.controller.Engine().RequestAbort();
                    Run(
                        link.controller, [&] { return !link.controller.Engine().State().Receiving; }, false);
                }
                continue;
            }
            ReadFile(store.filePath("FAULTS.BIN")) == content ? ++identical : ++corrupted;
        }
        seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;
        state.SetIterationTime(seconds);
    }
    state.counters["downloads"] = Downloads;
    state.counters["identical"] = identical;
    state.counters["stored_corrupted"] = corrupted;
    state.counters["not_stored"] = notStored;
    state.counters["share_of_line_pct"] =
        100.0 * Downloads * static_cast<double>(content.size()) / seconds / LineBytesPerSecond;
}
BENCHMARK(BM_DownloadsUnderFaults)->UseManualTime()->Iterations(1)->Unit(benchmark::kSecond);

// The automatic download of a card as the program runs it: the windows created by CreateForms,
// the COM port chooser answered with the simulator's port, the progress window shown, the raw
// console hidden, the main window's own timers. Seconds from the choice to the card opened.
double WindowsDownload(const QString& port)
{
    QDir(qtx::DownloadDir()).removeRecursively();
    Form1->Card.Close();
    QTimer answer;
    answer.setInterval(5);
    QObject::connect(&answer, &QTimer::timeout, [&] {
        if (QApplication::activeModalWidget() != Form14)
            return;
        answer.stop();
        // Each line shows the name, then the device: pick the line whose first word is the port.
        for (int i = 0; i < Form14->ComboBox1->count(); ++i) {
            if (qtx::PortNameOfLabel(Form14->ComboBox1->itemText(i)) == port)
                Form14->ComboBox1->setCurrentIndex(i);
        }
        Form14->Button1->click();
    });
    answer.start();
    QElapsedTimer clock;
    clock.start();
    Form1->RunAccessMode(TForm11::ConnectRs232);
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (Form1->Card.IsOpen() || (Form1->Link->Tasks().TaskGroup() == 0 && clock.elapsed() > 1000))
            loop.quit();
    });
    poll.start(1);
    loop.exec();
    return Form1->Card.IsOpen() ? static_cast<double>(clock.nsecsElapsed()) / 1e9 : 0.0;
}

// The same automatic download without windows: the link controller, its task sequencer (one file
// per 100 ms step, as in the windows) and its timer loop. qtxctl's own download fetches without
// that step, so it would measure the step, not the windows.
double CommandLineDownload(const QString& port, const QString& folder)
{
    Link link;
    link.view.port = port;
    link.controller.Engine().SetDownloadFolder(folder);
    QElapsedTimer clock;
    clock.start();
    link.controller.Tasks().Start();
    Run(
        link.controller, [&] { return link.view.finished || !link.controller.Tasks().Running(); }, true);
    return link.view.finished ? static_cast<double>(clock.nsecsElapsed()) / 1e9 : 0.0;
}

qint64 FolderBytes(const QString& folder)
{
    qint64 bytes = 0;
    for (const QFileInfo& info : QDir(folder).entryInfoList(QDir::Files))
        bytes += info.size();
    return bytes;
}

// Every file of the card arrived intact (opening the folder may add default files beside them).
bool HoldsCard(const QString& folder, const QString& card)
{
    for (const QFileInfo& info : QDir(card).entryInfoList(QDir::Files))
        if (ReadFile(folder + '/' + info.fileName()) != ReadFile(info.filePath()))
            return false;
    return true;
}

// Three downloads of a card through the windows, each against one without windows in the same run: each windows run as a share of the command line's throughput, and the third
// run's time against the first's (the log must not slow later runs down).
void WindowsAgainstCommandLine(benchmark::State& state, const QString& card)
{
    Simulator sim(card, {});
    if (sim.Port().isEmpty()) {
        state.SkipWithError("the simulated recorder did not start");
        return;
    }
    const qint64 bytes = FolderBytes(card);
    QTemporaryDir store;
    if (!qtx::CreateForms(false)) {
        state.SkipWithError("another copy of the program holds the single-instance guard");
        return;
    }
    Form1->FirstStart();
    Form1->show();
    double gui[3] = {};
    double cli[3] = {};
    for (auto _ : state) {
        for (int run = 0; run < 3; ++run) {
            cli[run] = CommandLineDownload(sim.Port(), store.path());
            gui[run] = WindowsDownload(sim.Port());
            if (cli[run] == 0 || gui[run] == 0 || !HoldsCard(qtx::DownloadDir(), card)
                || !HoldsCard(store.path(), card))
                state.SkipWithError("a download did not finish intact");
        }
        state.SetIterationTime(gui[0] + gui[1] + gui[2]);
    }
    qtx::DestroyForms();
    QDir(qtx::DownloadDir()).removeRecursively();
    state.counters["bytes"] = double(bytes);
    for (int run = 0; run < 3; ++run) {
        const std::string n = std::to_string(run + 1);
        state.counters["cli" + n + "_s"] = cli[run];
        state.counters["gui" + n + "_s"] = gui[run];
        state.counters["gui" + n + "_pct_of_cli"] = gui[run] > 0 ? 100.0 * cli[run] / gui[run] : 0;
    }
    state.counters["gui3_time_pct_of_gui1"] = gui[0] > 0 ? 100.0 * gui[2] / gui[0] : 0;
    state.counters["gui_share_of_line_pct"] =
        gui[2] > 0 ? 100.0 * static_cast<double>(bytes) / gui[2] / LineBytesPerSecond : 0;
}

void BM_WindowsDownloadDemoCard(benchmark::State& state)
{
    WindowsAgainstCommandLine(state, QStringLiteral(QTX_DEMO_CARD));
}
BENCHMARK(BM_WindowsDownloadDemoCard)->UseManualTime()->Iterations(1)->Unit(benchmark::kSecond);

void BM_WindowsDownloadLargeFile(benchmark::State& state)
{
    QTemporaryDir card;
    WriteFile(card.filePath("BIG.BIN"), RandomBytes(200 * 1000));
    WindowsAgainstCommandLine(state, card.path());
}
BENCHMARK(BM_WindowsDownloadLargeFile)->UseManualTime()->Iterations(1)->Unit(benchmark::kSecond);

} // namespace

int main(int argc, char** argv)
{
    // The windows need a platform; without a display they run offscreen, as the window tests do.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM") && !qEnvironmentVariableIsSet("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qtx::QtxApplication app(argc, argv);
    app.setAttribute(Qt::AA_Use96Dpi, true);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
