// Downloads over the network against the same download through the local pseudo-terminal, with
// the simulated recorder paced at 115200 bit/s: through ser2net on the loopback (Telnet with the
// COM port option, and raw TCP), and through a proxy that delays every byte 10 or 50 ms each
// way. A delayed run is set beside the limit of stop-and-wait 512-byte frames at that delay:
// every file costs its request's round trip plus, per frame, the frame's time on the line and
// one round trip for its acknowledgement.

#include "link/sync.h"
#include "support/recorder_sim_process.h"
#include "support/ser2net_process.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <atomic>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cmath>
#include <deque>
#include <netinet/tcp.h>
#include <poll.h>
#include <thread>

namespace {

constexpr int Files = 8;
constexpr int FileBytes = 12 * 1024;
constexpr double BitsPerSecond = 115200;
constexpr double BitsPerByte = 10; // start, 8 data, stop
constexpr int HeaderBytes = 8;
constexpr int FrameOverhead = 6;
constexpr int Payload = 512;

void FillCard(const QString& card)
{
    for (int f = 0; f < Files; ++f) {
        QByteArray bytes;
        for (int i = 0; bytes.size() < FileBytes; ++i)
            bytes += "0001, 2025-03-" + QByteArray::number(10 + f) + ", 08:" + QByteArray::number(10 + i % 50)
                     + ":00, 1k, Anna Kowalska, Wejscie,\r\n";
        QFile file(card + QStringLiteral("/202503%1.csv").arg(10 + f));
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes.left(FileBytes)) != FileBytes)
            qFatal("cannot write the card");
    }
}

// Bytes per second of the fetch (the list request excluded), 0 when a file was not stored.
double Download(const QString& port, const QString& card)
{
    QTemporaryDir folder;
    qtx::FetchSession session;
    if (!session.Link().OpenLink(port, 1))
        return 0;
    const auto names = session.ReadList(10000);
    if (!names)
        return 0;
    QElapsedTimer clock;
    clock.start();
    const bool done = session.Fetch(qtx::PlanDownload(*names), folder.path(), 30000) == qtx::FetchSession::End::Done;
    const double seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;
    session.Link().CloseLink();
    for (const QString& name : QDir(card).entryList(QDir::Files)) {
        QFile a(card + '/' + name);
        QFile b(folder.filePath(name));
        if (!done || !a.open(QIODevice::ReadOnly) || !b.open(QIODevice::ReadOnly) || a.readAll() != b.readAll())
            return 0;
    }
    return double(Files) * FileBytes / seconds;
}

// What stop-and-wait 512-byte frames allow for the card at a round trip of rttMs, in bytes/s.
double StopAndWaitLimit(double rttMs)
{
    const double frames = std::ceil(double(FileBytes) / Payload);
    const double lineBytes = HeaderBytes + frames * FrameOverhead + FileBytes;
    const double perFile = lineBytes * BitsPerByte / BitsPerSecond + (1 + frames) * rttMs / 1000;
    return FileBytes / perFile;
}

// A TCP proxy on the loopback that holds every byte `delayMs` in each direction before passing
// it on, for one connection at a time.
class DelayProxy {
public:
    DelayProxy(quint16 target, int delayMs) : target_(target), delay_(delayMs)
    {
        listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
        const int on = 1;
        ::setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        sockaddr_in address = Loopback(0);
        socklen_t length = sizeof address;
        ::bind(listener_, reinterpret_cast<sockaddr*>(&address), length);
        ::listen(listener_, 1);
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(address.sin_port);
        thread_ = std::thread([this] { Run(); });
    }
    ~DelayProxy()
    {
        stop_ = true;
        thread_.join();
        ::close(listener_);
    }
    DelayProxy(const DelayProxy&) = delete;
    DelayProxy& operator=(const DelayProxy&) = delete;

    quint16 Port() const { return port_; }

private:
    using Clock = std::chrono::steady_clock;
    struct Held {
        Clock::time_point due;
        QByteArray bytes;
    };

    static sockaddr_in Loopback(quint16 port)
    {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(port);
        return address;
    }

    void Run()
    {
        while (!stop_) {
            pollfd waiting{listener_, POLLIN, 0};
            if (::poll(&waiting, 1, 50) <= 0)
                continue;
            const int client = ::accept(listener_, nullptr, nullptr);
            const int server = ::socket(AF_INET, SOCK_STREAM, 0);
            const sockaddr_in address = Loopback(target_);
            if (::connect(server, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0)
                Relay(client, server);
            ::close(client);
            ::close(server);
        }
    }

    void Relay(int client, int server)
    {
        const int on = 1;
        for (int fd : {client, server})
            ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        std::deque<Held> toServer;
        std::deque<Held> toClient;
        const auto delay = std::chrono::milliseconds(delay_);
        while (!stop_) {
            auto next = Clock::now() + std::chrono::milliseconds(50);
            for (auto* queue : {&toServer, &toClient})
                if (!queue->empty())
                    next = std::min(next, queue->front().due);
            const int wait = int(std::max<qint64>(
                0, std::chrono::duration_cast<std::chrono::milliseconds>(next - Clock::now()).count()));
            pollfd fds[2] = {{client, POLLIN, 0}, {server, POLLIN, 0}};
            ::poll(fds, 2, wait);
            char chunk[4096];
            for (int side = 0; side < 2; ++side) {
                if ((fds[side].revents & (POLLIN | POLLHUP | POLLERR)) == 0)
                    continue;
                const ssize_t got = ::recv(fds[side].fd, chunk, sizeof chunk, 0);
                if (got <= 0)
                    return;
                (side == 0 ? toServer : toClient).push_back({Clock::now() + delay, QByteArray(chunk, got)});
            }
            const auto now = Clock::now();
            for (auto [queue, fd] : {std::pair{&toServer, server}, std::pair{&toClient, client}}) {
                while (!queue->empty() && queue->front().due <= now) {
                    const QByteArray& bytes = queue->front().bytes;
                    if (::send(fd, bytes.constData(), size_t(bytes.size()), MSG_NOSIGNAL) != bytes.size())
                        return;
                    queue->pop_front();
                }
            }
        }
    }

    quint16 target_;
    int delay_;
    int listener_ = -1;
    quint16 port_ = 0;
    std::atomic<bool> stop_ = false;
    std::thread thread_;
};

void BM_NetworkAgainstPseudoTerminal(benchmark::State& state)
{
    QTemporaryDir card;
    FillCard(card.path());
    qtx::test::RecorderSimProcess sim(QStringLiteral(QTX_RECORDER_SIM), card.path(), 96, {"--baud-pace", "115200"});
    const QString device = qEnvironmentVariable(("QTX_" + sim.Port()).toLatin1().constData());
    qtx::test::Ser2netProcess telnet(device, QStringLiteral("telnet(rfc2217)"));
    qtx::test::Ser2netProcess raw(device, QString());
    if (sim.Port().isEmpty() || !telnet.Listening() || !raw.Listening()) {
        state.SkipWithError("the simulated recorder or ser2net did not start");
        return;
    }
    double pty = 0;
    double overTelnet = 0;
    double overRaw = 0;
    for (auto _ : state) {
        pty = Download(sim.Port(), card.path());
        overTelnet = Download(telnet.Url(), card.path());
        overRaw = Download(raw.Url(), card.path());
        state.SetIterationTime(double(Files) * FileBytes / std::max(overTelnet, 1.0));
    }
    if (pty == 0 || overTelnet == 0 || overRaw == 0)
        state.SkipWithError("a download did not store the card");
    state.counters["pty_Bps"] = pty;
    state.counters["rfc2217_Bps"] = overTelnet;
    state.counters["tcp_Bps"] = overRaw;
    state.counters["rfc2217_per_pty"] = overTelnet / pty;
    state.counters["tcp_per_pty"] = overRaw / pty;
}
BENCHMARK(BM_NetworkAgainstPseudoTerminal)->UseManualTime()->Iterations(1)->Unit(benchmark::kSecond);

void BM_DelayedNetwork(benchmark::State& state)
{
    const int delayMs = int(state.range(0));
    QTemporaryDir card;
    FillCard(card.path());
    qtx::test::RecorderSimProcess sim(QStringLiteral(QTX_RECORDER_SIM), card.path(), 95, {"--baud-pace", "115200"});
    const QString device = qEnvironmentVariable(("QTX_" + sim.Port()).toLatin1().constData());
    qtx::test::Ser2netProcess telnet(device, QStringLiteral("telnet(rfc2217)"));
    if (sim.Port().isEmpty() || !telnet.Listening()) {
        state.SkipWithError("the simulated recorder or ser2net did not start");
        return;
    }
    DelayProxy proxy(telnet.Port(), delayMs);
    double got = 0;
    for (auto _ : state) {
        got = Download(QStringLiteral("rfc2217://127.0.0.1:%1").arg(proxy.Port()), card.path());
        state.SetIterationTime(double(Files) * FileBytes / std::max(got, 1.0));
    }
    if (got == 0)
        state.SkipWithError("the download did not store the card");
    const double limit = StopAndWaitLimit(2.0 * delayMs);
    state.counters["delay_ms_each_way"] = delayMs;
    state.counters["Bps"] = got;
    state.counters["limit_Bps"] = limit;
    state.counters["per_limit"] = got / limit;
}
BENCHMARK(BM_DelayedNetwork)->Arg(10)->Arg(50)->UseManualTime()->Iterations(1)->Unit(benchmark::kSecond);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
