// A nightly sync against a full download of the same card, over the simulated recorder paced at
// 115200 bit/s: a year of daily event files of 5 kB plus KONFOUT.TXT, USERS.txt and konfig.txt,
// with a local copy that lacks the newest day and holds a shorter copy of the day before. The
// sync must store exactly those two files, byte for byte; both times and their ratio are printed.

#include "link/sync.h"
#include "support/recorder_sim_process.h"

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

constexpr int Days = 365;
constexpr int DayFileBytes = 5000;

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

// One day of events, about DayFileBytes long.
QByteArray DayFile(const QDate& date)
{
    static const char* const names[] = {"Anna Kowalska", "Piotr Nowak", "Marta Wisniewska", "Tomasz Zielinski"};
    QByteArray text = "user, date, time, type, name, port,\r\n";
    for (int i = 0; text.size() < DayFileBytes; ++i) {
        const QByteArray line =
            QStringLiteral("%1, %2, %3:%4:%5, 1k, %6, %7,\r\n")
                .arg(i % 4 + 2, 4, 10, QLatin1Char('0'))
                .arg(date.toString(QStringLiteral("yyyy-MM-dd")))
                .arg(6 + i / 12, 2, 10, QLatin1Char('0'))
                .arg(i * 7 % 60, 2, 10, QLatin1Char('0'))
                .arg(i * 13 % 60, 2, 10, QLatin1Char('0'))
                .arg(QLatin1String(names[i % 4]))
                .arg(i % 2 == 0 ? QStringLiteral("Wejscie glowne") : QStringLiteral("Wyjscie glowne"))
                .toLatin1();
        text += line;
    }
    return text.left(DayFileBytes);
}

// The card, and the local copy as the previous night's sync left it.
void FillCardAndLocalCopy(const QString& card, const QString& local)
{
    const QDate first(2025, 1, 1);
    for (int d = 0; d < Days; ++d) {
        const QDate date = first.addDays(d);
        const QString name = date.toString(QStringLiteral("yyyyMMdd")) + QStringLiteral(".csv");
        const QByteArray content = DayFile(date);
        WriteFile(card + '/' + name, content);
        if (d < Days - 2)
            WriteFile(local + '/' + name, content);
        else if (d == Days - 2)
            WriteFile(local + '/' + name, content.left(DayFileBytes / 2));
    }
    const QByteArray konfout =
        "DeviceID=QTX-2 biuro\r\nfirmware: 2.14\r\nport0=Wejscie glowne\r\nport1=Wyjscie glowne\r\nbutton=1\r\n";
    const QByteArray users = QByteArray(2400, 'u');
    const QByteArray konfig = "rtc=2025-12-31 23:00:00\r\n";
    for (const QString& folder : {card, local}) {
        WriteFile(folder + QStringLiteral("/KONFOUT.TXT"), konfout);
        WriteFile(folder + QStringLiteral("/USERS.txt"), users);
        WriteFile(folder + QStringLiteral("/konfig.txt"), konfig);
    }
}

struct Outcome {
    double seconds = 0;
    QList<qtx::SyncResult> results;
    bool done = false;
};

// One session from opening the port to closing it: the list, then the plan's files.
Outcome RunSession(const QString& port, const QString& folder, bool sync)
{
    Outcome outcome;
    qtx::FetchSession session;
    session.onResult = [&](const qtx::SyncResult& result) { outcome.results.append(result); };
    QElapsedTimer clock;
    clock.start();
    if (!session.Link().OpenLink(port, 1))
        return outcome;
    const auto names = session.ReadList(10000);
    if (names) {
        const QList<qtx::SyncItem> plan = sync ? qtx::PlanSync(*names, folder, false) : qtx::PlanDownload(*names);
        outcome.done = session.Fetch(plan, folder, 30000) == qtx::FetchSession::End::Done;
    }
    session.Link().CloseLink();
    outcome.seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;
    return outcome;
}

void BM_SyncAgainstFullDownload(benchmark::State& state)
{
    QTemporaryDir card;
    QTemporaryDir local;
    QTemporaryDir full;
    FillCardAndLocalCopy(card.path(), local.path());
    qtx::test::RecorderSimProcess sim(QStringLiteral(QTX_RECORDER_SIM), card.path(), 97, {"--baud-pace", "115200"});
    if (sim.Port().isEmpty()) {
        state.SkipWithError("the simulated recorder did not start");
        return;
    }
    Outcome download;
    Outcome sync;
    for (auto _ : state) {
        download = RunSession(sim.Port(), full.path(), false);
        sync = RunSession(sim.Port(), local.path(), true);
        state.SetIterationTime(sync.seconds);
    }
    if (!download.done || download.results.size() != Days + 3) {
        state.SkipWithError("the full download did not store every file");
        return;
    }
    QStringList stored;
    for (const qtx::SyncResult& result : std::as_const(sync.results)) {
        if (result.state != qtx::SyncResult::Same)
            stored.append(result.name + QLatin1Char(' ') + qtx::SyncStateName(result.state));
    }
    const QStringList expected{QStringLiteral("20251230.csv grown"), QStringLiteral("20251231.csv new")};
    if (!sync.done || stored != expected)
        state.SkipWithError(qPrintable(QStringLiteral("sync stored: ") + stored.join(QStringLiteral(", "))));
    for (const QString& name : QDir(card.path()).entryList(QDir::Files)) {
        if (ReadFile(local.filePath(name)) != ReadFile(card.filePath(name)))
            state.SkipWithError(qPrintable(name + QStringLiteral(" differs after the sync")));
    }
    state.counters["download_s"] = download.seconds;
    state.counters["sync_s"] = sync.seconds;
    state.counters["download_per_sync"] = download.seconds / sync.seconds;
}
BENCHMARK(BM_SyncAgainstFullDownload)->UseManualTime()->Iterations(1)->Unit(benchmark::kSecond);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
