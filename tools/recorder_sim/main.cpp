// qtx-recorder-sim: serves a card folder as a recorder on a pseudo-terminal until it is told to stop.

#include "options.h"
#include "pseudo_terminal.h"
#include "recorder.h"

#include "base/errors.h"
#include "qtx_version.h"

#include <QStringList>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <filesystem>

#include <poll.h>
#include <unistd.h>

namespace {

volatile std::sig_atomic_t stopRequested = 0;

// Most bytes read ahead of a paced line.
constexpr qsizetype kMaxComingIn = 65536;

void RequestStop(int)
{
    stopRequested = 1;
}

void InstallStopHandlers()
{
    struct sigaction action {};
    action.sa_handler = RequestStop;
    sigemptyset(&action.sa_mask);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
}

void SleepMs(long ms)
{
    timespec pause{0, ms * 1'000'000};
    nanosleep(&pause, nullptr);
}

// Serves the recorder on the terminal; returns the exit status.
int Serve(qtx::sim::PseudoTerminal& terminal, qtx::sim::Recorder& recorder, const qtx::sim::Recorder::LogSink& log)
{
    const auto started = std::chrono::steady_clock::now();
    const auto now = [&] {
        return static_cast<qint64>(
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started).count());
    };
    const int fd = terminal.Master();
    bool open = true; // until the first hang-up nobody has opened it, which looks the same
    QByteArray unwritten;
    const auto hangUp = [&] {
        if (!open)
            return;
        open = false;
        recorder.LineDropped();
        unwritten.clear();
        terminal.Flush();
        // Said once the line is clear: a manager that opens the port after this loses nothing.
        log(QStringLiteral("the manager closed the port"));
    };

    while (!stopRequested) {
        if (!open) {
            // A master whose terminal nobody holds reports a hang-up at once: look again shortly.
            SleepMs(10);
            pollfd probe{fd, POLLIN, 0};
            if (poll(&probe, 1, 0) >= 0 && !(probe.revents & POLLHUP)) {
                open = true;
                log(QStringLiteral("the manager opened the port"));
            }
            continue;
        }
        recorder.Advance(now());
        unwritten.append(recorder.TakeOutput(now()));
        while (!unwritten.isEmpty()) {
            const ssize_t n = write(fd, unwritten.constData(), static_cast<size_t>(unwritten.size()));
            if (n > 0) {
                unwritten.remove(0, n);
                continue;
            }
            if (n < 0 && errno == EIO)
                hangUp();
            break; // EAGAIN: the terminal is full, wait until it takes more
        }
        if (!open)
            continue;

        int timeout = 10;
        if (const auto due = recorder.NextDueMs())
            timeout = static_cast<int>(std::clamp<qint64>(*due - now(), 0, 10));
        // A manager writing faster than the paced line is held back by the terminal's own buffer.
        const bool take = recorder.BytesComingIn() < kMaxComingIn;
        pollfd wait{fd, static_cast<short>((take ? POLLIN : 0) | (unwritten.isEmpty() ? 0 : POLLOUT)), 0};
        const int ready = poll(&wait, 1, unwritten.isEmpty() ? timeout : std::min(timeout, 1));
        if (ready < 0) {
            if (errno == EINTR)
                continue;
            std::perror("qtx-recorder-sim: poll");
            return 1;
        }
        if (wait.revents & POLLIN) {
            char buffer[4096];
            const ssize_t n = read(fd, buffer, sizeof buffer);
            if (n > 0)
                recorder.Receive(QByteArrayView(buffer, n), now());
            else if (n < 0 && errno == EIO)
                hangUp();
        } else if (wait.revents & (POLLHUP | POLLERR)) {
            hangUp();
        }
    }
    log(QStringLiteral("stopped"));
    return 0;
}

// No recorder: a GPS receiver that talks every 100 ms and never listens. Returns the exit status.
int TalkNmea(qtx::sim::PseudoTerminal& terminal, const qtx::sim::Recorder::LogSink& log)
{
    static const char sentence[] = "$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47\r\n";
    const int fd = terminal.Master();
    quint64 sent = 0;
    while (!stopRequested) {
        char buffer[4096];
        while (read(fd, buffer, sizeof buffer) > 0) {}
        // Nobody holding the terminal (EIO) is no reason to stop: the next manager gets the same.
        if (write(fd, sentence, sizeof sentence - 1) > 0 && ++sent % 100 == 1)
            log(QStringLiteral("NMEA sentence %1 sent").arg(sent));
        SleepMs(100);
    }
    log(QStringLiteral("stopped"));
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));

    qtx::sim::Options options;
    try {
        options = qtx::sim::ParseOptions(arguments);
    } catch (const qtx::FormatError& error) {
        std::fprintf(stderr, "qtx-recorder-sim: %s\nTry qtx-recorder-sim --help.\n", error.what());
        return 2;
    }
    if (options.help) {
        std::fputs(qtx::sim::HelpText().toLocal8Bit().constData(), stdout);
        return 0;
    }
    if (options.version) {
        std::puts("qtx-recorder-sim " QTX_VERSION);
        return 0;
    }
    std::error_code error;
    const std::filesystem::path card(options.card.toLocal8Bit().toStdString());
    if (!std::filesystem::is_directory(card, error)) {
        std::fprintf(stderr, "qtx-recorder-sim: %s is not a folder\n", options.card.toLocal8Bit().constData());
        return 1;
    }

    const auto started = std::chrono::steady_clock::now();
    const qtx::sim::Recorder::LogSink log = [&](const QString& line) {
        if (!options.verbose)
            return;
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        std::fprintf(stderr, "[%10.3f] %s\n", seconds, line.toLocal8Bit().constData());
    };

    InstallStopHandlers();
    try {
        qtx::sim::PseudoTerminal terminal;
        std::printf("%s\nQTX_COM%d=%s\n", terminal.SlavePath().toLocal8Bit().constData(), options.com,
                    terminal.SlavePath().toLocal8Bit().constData());
        std::fflush(stdout);
        log(QStringLiteral("card %1, device ID %2, password %3, %4")
                .arg(options.card)
                .arg(options.settings.deviceId)
                .arg(options.settings.passwordOk ? QStringLiteral("accepted") : QStringLiteral("rejected"))
                .arg(options.settings.bitsPerSecond > 0
                         ? QStringLiteral("paced at %1 bit/s").arg(options.settings.bitsPerSecond)
                         : QStringLiteral("unpaced")));
        if (options.talkNmea)
            return TalkNmea(terminal, log);
        if (options.settings.faults.Any())
            log(QStringLiteral("faults %1").arg(qtx::sim::DescribeFaults(options.settings.faults)));
        qtx::sim::Recorder recorder(qtx::sim::CardFolder(card), options.settings, log);
        return Serve(terminal, recorder, log);
    } catch (const qtx::FileError& failure) {
        std::fprintf(stderr, "qtx-recorder-sim: %s\n", failure.what());
        return 1;
    }
}
