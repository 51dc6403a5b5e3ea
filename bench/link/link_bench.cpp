// Download throughput over the simulated recorder paced at 115200 bit/s, as a share of the line's
// 11,520 bytes per second (a 200 kB file, and the demo card through the task sequencer), and a run
// of downloads under injected line faults that counts stored files that differ from the card's.
// The link runs on the same 2 ms and 100 ms timers as the program.

#include "link/link_controller.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
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

// qtx-recorder-sim serving a card folder on a pseudo-terminal reached as QTX_COM<n>.
class Simulator {
public:
    Simulator(const QString& card, const QStringList& extra)
    {
        process_.start(QStringLiteral(QTX_RECORDER_SIM),
                       QStringList{"--card", card, "--baud-pace", "115200", "--com", "98"} + extra);
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < 10000 && port_.isEmpty()) {
            process_.waitForReadyRead(200);
            while (process_.canReadLine()) {
                const QByteArray line = process_.readLine().trimmed();
                if (line.startsWith("QTX_COM")) {
                    const qsizetype eq = line.indexOf('=');
                    qputenv(line.left(eq).constData(), line.mid(eq + 1));
                    port_ = QString::fromLatin1(line.left(eq).mid(4));
                }
            }
        }
    }
    ~Simulator()
    {
        process_.terminate();
        if (!process_.waitForFinished(3000))
            process_.kill();
        process_.waitForFinished();
    }
    const QString& Port() const { return port_; }

private:
    QProcess process_;
    QString port_;
};

// The link with its timers until done() holds.
void Run(qtx::LinkController& link, const std::function<bool()>& done, bool sequencer)
{
    link.RunTimersUntil(done, [] {}, sequencer);
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
    int group = 0;
    int step = 0;
    int index = 0;
    qtx::LinkController controller{view, group, step, index};
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
        Run(link.controller, [&] { return !link.view.outcomes.isEmpty(); }, false);
        seconds = clock.nsecsElapsed() / 1e9;
        state.SetIterationTime(seconds);
        if (!link.view.outcomes.first().stored || ReadFile(store.filePath("BIG.BIN")) != content)
            state.SkipWithError("the file was not stored intact");
    }
    state.counters["bytes_per_s"] = content.size() / seconds;
    state.counters["share_of_line_pct"] = 100.0 * content.size() / seconds / LineBytesPerSecond;
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
        Run(link.controller, [&] { return link.view.finished || !link.controller.Tasks().Running(); }, true);
        seconds = clock.nsecsElapsed() / 1e9;
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
    state.counters["bytes_per_s"] = bytes / seconds;
    state.counters["share_of_line_pct"] = 100.0 * bytes / seconds / LineBytesPerSecond;
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
            Run(link.controller, [&] { return !link.view.outcomes.isEmpty() || one.elapsed() > 120000; }, false);
            if (link.view.outcomes.isEmpty() || !link.view.outcomes.first().stored) {
                notStored += 1;
                if (link.view.outcomes.isEmpty()) {
                    link.controller.Engine().RequestAbort();
                    Run(link.controller, [&] { return !link.controller.Engine().State().Receiving; }, false);
                }
                continue;
            }
            ReadFile(store.filePath("FAULTS.BIN")) == content ? ++identical : ++corrupted;
        }
        seconds = clock.nsecsElapsed() / 1e9;
        state.SetIterationTime(seconds);
    }
    state.counters["downloads"] = Downloads;
    state.counters["identical"] = identical;
    state.counters["stored_corrupted"] = corrupted;
    state.counters["not_stored"] = notStored;
    state.counters["share_of_line_pct"] = 100.0 * Downloads * content.size() / seconds / LineBytesPerSecond;
}
BENCHMARK(BM_DownloadsUnderFaults)->UseManualTime()->Iterations(1)->Unit(benchmark::kSecond);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
