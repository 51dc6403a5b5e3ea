// The real qtx-recorder-sim: started, reached through the terminal it prints, stopped by SIGTERM.

#include <QByteArray>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace {

QByteArray Hex(const char* hex)
{
    return QByteArray::fromHex(hex);
}

// The manager's end of the cable: the terminal opened as a serial port is, in raw mode.
class Port {
public:
    explicit Port(const QByteArray& path) : fd_(::open(path.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK))
    {
        termios mode{};
        if (fd_ >= 0 && ::tcgetattr(fd_, &mode) == 0) {
            ::cfmakeraw(&mode);
            ::tcsetattr(fd_, TCSANOW, &mode);
        }
    }
    ~Port()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Port(const Port&) = delete;
    Port& operator=(const Port&) = delete;

    bool IsOpen() const { return fd_ >= 0; }
    bool Write(const QByteArray& bytes) const
    {
        return ::write(fd_, bytes.constData(), static_cast<size_t>(bytes.size())) == bytes.size();
    }
    // Reads until `want` bytes have come or nothing more comes within quietMs.
    QByteArray Read(qsizetype want, int quietMs = 3000) const
    {
        QByteArray in;
        while (in.size() < want) {
            pollfd wait{fd_, POLLIN, 0};
            if (::poll(&wait, 1, quietMs) <= 0)
                break;
            char buffer[4096];
            const ssize_t n =
                ::read(fd_, buffer, static_cast<size_t>(std::min<qsizetype>(sizeof buffer, want - in.size())));
            if (n <= 0 && errno != EAGAIN)
                break;
            if (n > 0)
                in.append(buffer, n);
        }
        return in;
    }

private:
    int fd_;
};

// Reads the simulator's log (standard error) until it has seen the port closed `count` times.
bool WaitForClosings(QProcess& sim, QByteArray& log, qsizetype count)
{
    const QByteArray closed = "the manager closed the port";
    QElapsedTimer clock;
    clock.start();
    while (log.count(closed) < count && clock.elapsed() < 10000) {
        sim.waitForReadyRead(50);
        log += sim.readAllStandardError();
    }
    return log.count(closed) >= count;
}

QByteArray WithChecksum(const QByteArray& payload)
{
    unsigned sum = 0;
    for (char c : payload)
        sum += static_cast<quint8>(c);
    return payload + QByteArray(1, static_cast<char>(sum & 0xFF)) + QByteArray(1, static_cast<char>((sum >> 8) & 0xFF));
}

} // namespace

class RecorderPtyTest : public QObject {
    Q_OBJECT

private slots:
    void servesTheCardAcrossReopeningsUntilTerminated();
    void commandLineMistakesAndHelp();
};

void RecorderPtyTest::servesTheCardAcrossReopeningsUntilTerminated()
{
    QTemporaryDir card;
    QByteArray data(700, Qt::Uninitialized);
    for (int i = 0; i < data.size(); ++i)
        data[i] = static_cast<char>(i * 7);
    {
        QFile file(card.filePath(QStringLiteral("21051110.CSV")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(data);
        QFile konfout(card.filePath(QStringLiteral("KONFOUT.TXT")));
        QVERIFY(konfout.open(QIODevice::WriteOnly));
    }

    QProcess sim;
    sim.start(QStringLiteral(QTX_RECORDER_SIM),
              {QStringLiteral("--card"), card.path(), QStringLiteral("--com"), QStringLiteral("42"),
               QStringLiteral("--device-id"), QStringLiteral("3"), QStringLiteral("-v")});
    QVERIFY(sim.waitForStarted());
    QElapsedTimer clock;
    clock.start();
    while (sim.peek(4096).count('\n') < 2) {
        QVERIFY2(clock.elapsed() < 10000, "no terminal line printed");
        sim.waitForReadyRead(100);
    }
    const QByteArray path = sim.readLine().trimmed();
    const QByteArray assignment = sim.readLine().trimmed();
    QVERIFY2(path.startsWith("/dev/"), path.constData());
    QCOMPARE(assignment, "QTX_COM42=" + path);
    sim.setReadChannel(QProcess::StandardError);
    QByteArray log;

    const QByteArray listReply = Hex("ff03013b") + "21051110.CSV\r\nKONFOUT.TXT\r\n" + Hex("15");
    {
        Port port(path);
        QVERIFY(port.IsOpen());
        QVERIFY(port.Write(Hex("ff00050d")));
        QCOMPARE(port.Read(listReply.size()), listReply);
    }
    // The manager closes the port and opens it again, twice; each time a whole download works.
    for (int opening = 0; opening < 2; ++opening) {
        QVERIFY(WaitForClosings(sim, log, 1 + opening));
        Port port(path);
        QVERIFY(port.IsOpen());
        QVERIFY(port.Write(Hex("ff0003") + "21051110.CSV" + Hex("0d")));
        // 700 bytes = BC 02 00 00; ID 3, flag 1; check (0xBC + 2 + 3 + 1 + 0x37) mod 256 = 0xF9.
        QCOMPARE(port.Read(8), Hex("ffbc0200000301f9"));
        QCOMPARE(port.Read(518), Hex("00000202") + WithChecksum(data.first(512)));
        QVERIFY(port.Write("{"));
        QCOMPARE(port.Read(194), Hex("01bc00bd") + WithChecksum(data.mid(512)));
        QVERIFY(port.Write("{"));
        if (opening == 0) {
            // Leave in the middle of a second transfer: nothing of it may reach the next opening.
            QVERIFY(port.Write(Hex("ff0003") + "21051110.CSV" + Hex("0d")));
            QCOMPARE(port.Read(8), Hex("ffbc0200000301f9"));
        }
    }
    {
        QVERIFY(WaitForClosings(sim, log, 3));
        Port port(path);
        QCOMPARE(port.Read(1, 200), QByteArray());
        QVERIFY(port.Write(Hex("ff00050d")));
        QCOMPARE(port.Read(listReply.size()), listReply);
    }

    sim.terminate();
    QVERIFY(sim.waitForFinished(5000));
    QCOMPARE(sim.exitStatus(), QProcess::NormalExit);
    QCOMPARE(sim.exitCode(), 0);
}

void RecorderPtyTest::commandLineMistakesAndHelp()
{
    const auto run = [](const QStringList& arguments, QByteArray* out = nullptr) {
        QProcess sim;
        sim.start(QStringLiteral(QTX_RECORDER_SIM), arguments);
        sim.waitForFinished(5000);
        if (out)
            *out = sim.readAllStandardOutput();
        return sim.exitCode();
    };
    QByteArray help;
    QCOMPARE(run({QStringLiteral("--help")}, &help), 0);
    QVERIFY(help.contains("--fault"));
    QVERIFY(help.contains("QTX_COM99="));
    QCOMPARE(run({}), 2);
    QCOMPARE(
        run({QStringLiteral("--card"), QStringLiteral("/tmp"), QStringLiteral("--fault"), QStringLiteral("flood=2")}),
        2);
    QCOMPARE(run({QStringLiteral("--card"), QDir::tempPath() + QStringLiteral("/no-such-card-folder")}), 1);
}

QTEST_GUILESS_MAIN(RecorderPtyTest)
#include "recorder_pty_test.moc"
