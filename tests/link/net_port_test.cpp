// Network port names and the ports file: which texts are addresses, and how the files' COM
// names reach the port list and the port itself.

#include "base/text_file.h"
#include "link/com_socket.h"
#include "link/net_port.h"
#include "link/port_names.h"

#include <QTemporaryDir>
#include <QTest>

using namespace qtx;

class NetPortTest : public QObject {
    Q_OBJECT

private slots:
    void networkPortNames()
    {
        const struct {
            const char* text;
            std::optional<NetAddress> address;
        } cases[] = {
            {"rfc2217://door2.lan:4001", NetAddress{true, "door2.lan", 4001}},
            {"tcp://192.168.1.20:2000", NetAddress{false, "192.168.1.20", 2000}},
            {"rfc2217://[fe80::1%eth0]:65535", NetAddress{true, "fe80::1%eth0", 65535}},
            {"tcp://[::1]:1", NetAddress{false, "::1", 1}},
            {"tcp://door:0", std::nullopt},
            {"tcp://door:65536", std::nullopt},
            {"tcp://door:+40", std::nullopt},
            {"tcp://door", std::nullopt},
            {"tcp://:4001", std::nullopt},
            {"tcp://::1:4001", std::nullopt},
            {"tcp://[::1]4001", std::nullopt},
            {"tcp://door 2:4001", std::nullopt},
            {"telnet://door:4001", std::nullopt},
            {"RFC2217://door:4001", std::nullopt},
        };
        for (const auto& c : cases)
            QVERIFY2(ParseNetPortName(c.text) == c.address, c.text);
        QVERIFY(IsNetworkPortName("tcp://door") && IsDevicePath("tcp://door") && !IsNetworkPortName("COM3"));
    }

    // The user's file overrides the system's line by line; QTX_COMn overrides both; a line that
    // names no port is reported, not guessed at.
    void thePortsFileNamesNetworkPorts()
    {
        QTemporaryDir home;
        qputenv("XDG_CONFIG_HOME", home.path().toUtf8());
        QVERIFY(QDir().mkpath(home.filePath("qtx-manager")));
        const QString file = home.filePath("qtx-manager/ports.conf");
        WriteWholeFile(file, "# door servers\n"
                             "COM100 = rfc2217://door2.lan:4001  Drzwi magazynu\n"
                             "COM101=tcp://[::1]:4002\n"
                             "\n"
                             "COM102 = /dev/ttyS0\n"
                             "COM = tcp://x:1\n"
                             "door = tcp://x:1\n"
                             "COM103 rfc2217://x:1\n");
        QStringList errors;
        const QList<NamedNetPort> ports = ReadPortsFile(file, &errors);
        QCOMPARE(ports, (QList<NamedNetPort>{{100, "rfc2217://door2.lan:4001", "Drzwi magazynu"},
                                             {101, "tcp://[::1]:4002", ""}}));
        QCOMPARE(errors.size(), 4);
        QVERIFY(errors.first().startsWith(file + ":5: "));

        QCOMPARE(NamedNetPorts(), ports);
        QCOMPARE(PortDevice(100), QStringLiteral("rfc2217://door2.lan:4001"));
        qputenv("QTX_COM101", "/dev/pts/9");
        const QList<SerialPortEntry> entries = SerialPortEntries();
        QVERIFY(entries.contains(SerialPortEntry{"COM100", "rfc2217://door2.lan:4001", "Drzwi magazynu"}));
        QVERIFY(entries.contains(SerialPortEntry{"COM101", "/dev/pts/9", ""}));
        qunsetenv("QTX_COM101");

        TCOMSocket port;
        QVERIFY(port.SetPort("COM100"));
        QCOMPARE(port.Device(), QStringLiteral("rfc2217://door2.lan:4001"));
        QVERIFY(port.SetDevice("tcp://127.0.0.1:1"));
        QVERIFY(!port.Open());
        QCOMPARE(port.Problem(), PortProblem::ConnectionRefused);
        QVERIFY(!port.IsOpen());
    }
};

QTEST_GUILESS_MAIN(NetPortTest)
#include "net_port_test.moc"
