// The serial port: port names and devices, the sorted port list, and a real open over a
// pseudo-terminal with its line settings, exclusivity and reads that never wait.

#include "link/com_socket.h"
#include "link_test_support.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <termios.h>
#include <unistd.h>

using namespace qtx;
using namespace qtx::test;

namespace {

// Waits until the port reports the count waiting (a pseudo-terminal passes bytes on at once,
// but through the kernel).
bool WaitForBytes(TCOMSocket& port, std::uint32_t count)
{
    QElapsedTimer clock;
    clock.start();
    while (port.BytesWaiting() < count && clock.elapsed() < 2000)
        usleep(1000);
    return port.BytesWaiting() == count;
}

} // namespace

class ComSocketTest : public QObject {
    Q_OBJECT

private slots:
    void setPortTakesComFollowedByANumber()
    {
        TCOMSocket port;
        QVERIFY(port.SetPort("COM3"));
        QCOMPARE(port.PortNumber(), 3);
        QVERIFY(port.SetPort("COM117"));
        QCOMPARE(port.PortNumber(), 117);
        for (const char* name : {"com3", "XYZ3", "COM", "COMx", "COM0", "COM-3", "COM 3", "COM3x"}) {
            QVERIFY2(!port.SetPort(name), name);
            QCOMPARE(port.PortNumber(), 0);
        }
    }

    void portNumbersMapToDevices()
    {
        QCOMPARE(PortDevice(1), QStringLiteral("/dev/ttyS0"));
        QCOMPARE(PortDevice(32), QStringLiteral("/dev/ttyS31"));
        QCOMPARE(PortDevice(33), QStringLiteral("/dev/ttyUSB0"));
        QCOMPARE(PortDevice(64), QStringLiteral("/dev/ttyUSB31"));
        QCOMPARE(PortDevice(65), QStringLiteral("/dev/ttyACM0"));
        QCOMPARE(PortDevice(96), QStringLiteral("/dev/ttyACM31"));
        QCOMPARE(PortDevice(97), QString());
        QCOMPARE(PortDevice(0), QString());
        qputenv("QTX_COM5", "/dev/pts/77");
        QCOMPARE(PortDevice(5), QStringLiteral("/dev/pts/77"));
        qunsetenv("QTX_COM5");

        QCOMPARE(PortNumberOfDevice("/dev/ttyS0"), 1);
        QCOMPARE(PortNumberOfDevice("/dev/ttyUSB2"), 35);
        QCOMPARE(PortNumberOfDevice("/dev/ttyACM31"), 96);
        QCOMPARE(PortNumberOfDevice("/dev/ttyACM32"), 0);
        QCOMPARE(PortNumberOfDevice("/dev/ttyS01"), 0);
        QCOMPARE(PortNumberOfDevice("/dev/ttyAMA0"), 0);
    }

    void portsAreSortedByNumber()
    {
        QStringList names{"COM10", "COM2", "COM1"};
        SortPortNames(names);
        QCOMPARE(names, (QStringList{"COM1", "COM2", "COM10"}));

        qputenv("QTX_COM210", "/dev/null");
        qputenv("QTX_COM202", "/dev/zero");
        qputenv("QTX_COM201", "/dev/null");
        QStringList list{"stale"};
        ListSerialPorts(list);
        qunsetenv("QTX_COM210");
        qunsetenv("QTX_COM202");
        qunsetenv("QTX_COM201");
        QVERIFY(!list.contains("stale"));
        const qsizetype first = list.indexOf("COM201");
        QVERIFY(first >= 0);
        QCOMPARE(list.mid(first), (QStringList{"COM201", "COM202", "COM210"}));
        QStringList sorted = list;
        SortPortNames(sorted);
        QCOMPARE(list, sorted);
    }

    void speedChoices()
    {
        QCOMPARE(BaudFromChoice(0), 9600);
        QCOMPARE(BaudFromChoice(1), 115200);
        QCOMPARE(BaudFromChoice(2), 230400);
        QCOMPARE(BaudFromChoice(5), 115200);
    }

    void openLinkSetsRawLineExclusively()
    {
        PtyPeer peer(150);
        TCOMSocket port;
        QVERIFY(OpenLink(port, peer.Name(), 1));
        QVERIFY(port.IsOpen());
        QCOMPARE(port.settings.baud, 115200);
        // The framing (8 data bits, no parity, one stop bit, no hardware flow control), which a
        // pseudo-terminal does not act on.
        const termios& set = port.settings.tty;
        QCOMPARE(set.c_cflag & CSIZE, tcflag_t(CS8));
        QCOMPARE(set.c_cflag & (PARENB | CSTOPB | CRTSCTS), tcflag_t(0));
        // Every byte value crosses unchanged both ways: nothing translated, stripped, echoed,
        // held back for a whole line or taken as flow control or a signal.
        QByteArray all(256, '\0');
        for (int i = 0; i < all.size(); ++i)
            all[i] = static_cast<char>(i);
        peer.Send(all);
        QVERIFY(WaitForBytes(port, 256));
        QByteArray got(512, '\0');
        QCOMPARE(port.Read(got.data(), 512), 256u);
        QCOMPARE(got.left(256), all);
        QCOMPARE(port.Write(all.constData(), 256), 256u);
        QByteArray sent;
        QVERIFY(QTest::qWaitFor([&] {
            sent += peer.Pump();
            return sent.size() >= 256;
        }));
        QTest::qWait(20);
        sent += peer.Pump();
        QCOMPARE(sent, all);
        QVERIFY(!port.settings.dtrOn && !port.settings.rtsOn);
        QCOMPARE(port.inputQueueSize, 1024u);
        QCOMPARE(port.timeouts.readInterval, 100u);
        QCOMPARE(port.timeouts.writeTotalPerByte, 10u);

        // Another opener is refused; so is a second OpenLink on the open port, which stays open.
        TCOMSocket other;
        QVERIFY(!OpenLink(other, peer.Name(), 1));
        QVERIFY(!OpenLink(port, peer.Name(), 2));
        QVERIFY(port.IsOpen());
        QCOMPARE(port.settings.baud, 115200);

        QVERIFY(CloseLink(port));
        QVERIFY(!port.IsOpen());
        QVERIFY(CloseLink(port));
        QVERIFY(OpenLink(other, peer.Name(), 0));
        QCOMPARE(other.settings.baud, 9600);
    }

    void readTakesOnlyWhatWaits()
    {
        PtyPeer peer(151);
        TCOMSocket port;
        QVERIFY(OpenLink(port, peer.Name(), 1));
        char buffer[1024];
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(port.BytesWaiting(), 0u);
        QCOMPARE(port.Read(buffer, sizeof buffer), 0u);
        // A read that waited for a byte would wait here until the test's own timeout; the bound
        // is generous so that a busy machine never trips it.
        QVERIFY2(clock.elapsed() < 2000, qPrintable(QString::number(clock.elapsed())));

        peer.Send("\x01\x02\x03");
        QVERIFY(WaitForBytes(port, 3));
        QCOMPARE(port.Read(buffer, sizeof buffer), 3u);
        QCOMPARE(QByteArray(buffer, 3), QByteArray("\x01\x02\x03"));
        QCOMPARE(port.Read(nullptr, 10), 0u);
        peer.Send("abcdef");
        QVERIFY(WaitForBytes(port, 6));
        QCOMPARE(port.Read(buffer, 0), 0u);
        QCOMPARE(port.Read(buffer, 4), 4u);
        QCOMPARE(port.BytesWaiting(), 2u);

        QCOMPARE(port.Write("\xFF\x00\x05\x0D", 4), 4u);
        QCOMPARE(peer.Pump(), QByteArray("\xFF\x00\x05\x0D", 4));
    }

    // What the operator is told depends on why the open failed: each cause is told apart.
    void aFailedOpenKnowsWhy()
    {
        QTemporaryDir dir;
        PtyPeer peer(154);
        TCOMSocket holder;
        QVERIFY(OpenLink(holder, peer.Name(), 1));
        const QString locked = UnopenablePath(dir.path());
        struct Case {
            QString name;
            PortProblem problem;
        };
        const Case cases[] = {
            {"XYZ1", PortProblem::NotAName},
            {"COM97", PortProblem::NoDevice},
            {"/nonexistent/ttyUSB9", PortProblem::Missing},
            {"/dev/null", PortProblem::NotSerial},
            {peer.Name(), PortProblem::Busy},
            {peer.Device(), PortProblem::Busy},
            {locked, PortProblem::Permission},
        };
        for (const Case& c : cases) {
            if (c.name.isEmpty())
                continue; // no file this process cannot open
            TCOMSocket port;
            QVERIFY2(!OpenLink(port, c.name, 1), qPrintable(c.name));
            QVERIFY2(port.Problem() == c.problem, qPrintable(c.name));
            QVERIFY(!port.IsOpen());
        }
        // A device path opens the device itself, as a stable /dev/serial/by-id link would.
        QVERIFY(CloseLink(holder));
        const QString link = dir.filePath("by-id-link");
        QVERIFY(QFile::link(peer.Device(), link));
        TCOMSocket port;
        QVERIFY(OpenLink(port, link, 1));
        QCOMPARE(port.Device(), link);
        QCOMPARE(port.Problem(), PortProblem::None);
    }

    void listLineLeadsWithTheName()
    {
        const SerialPortEntry usb{"COM33", "/dev/ttyUSB0", "FT232R USB UART"};
        QCOMPARE(PortLabel(usb), QStringLiteral("COM33  /dev/ttyUSB0  FT232R USB UART"));
        QCOMPARE(PortLabel({"COM99", "/dev/pts/4", ""}), QStringLiteral("COM99  /dev/pts/4"));
        QCOMPARE(PortNameOfLabel(PortLabel(usb)), QStringLiteral("COM33"));
        QCOMPARE(PortNameOfLabel("COM7"), QStringLiteral("COM7"));
        QCOMPARE(PortNameOfLabel(""), QString());
    }

    void aClosedOrMissingPortDoesNothing()
    {
        TCOMSocket port;
        char buffer[8];
        QCOMPARE(port.BytesWaiting(), 0u);
        QCOMPARE(port.Read(buffer, 8), 0u);
        QCOMPARE(port.Write("x", 1), 0u);
        QVERIFY(!port.GetState());
        QVERIFY(!port.SetState());
        QVERIFY(!port.Open()); // no port chosen
        qputenv("QTX_COM152", "/nonexistent/tty");
        QVERIFY(!OpenLink(port, "COM152", 1));
        qunsetenv("QTX_COM152");
        QVERIFY(!port.IsOpen());
        // Not a terminal: opened, but no line settings.
        qputenv("QTX_COM153", "/dev/null");
        QVERIFY(!OpenLink(port, "COM153", 1));
        qunsetenv("QTX_COM153");
    }
};

QTEST_GUILESS_MAIN(ComSocketTest)
#include "com_socket_test.moc"
