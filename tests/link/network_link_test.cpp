// qtxctl over the network: the real ser2net bridges the simulated recorder's pseudo-terminal,
// once as Telnet with the COM port option and once as raw TCP. Every transfer matches the card
// byte for byte, line faults are survived, a lost server ends the run in time, and each way a
// connection can fail is named.

#include "base/text_file.h"
#include "support/qtxctl_process.h"
#include "support/recorder_sim_process.h"
#include "support/ser2net_process.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>

using namespace qtx;
using namespace qtx::test;

namespace {

// A card of event files, the workspace files and a file whose frames are all 0xFF, Telnet's
// command byte.
void FillCard(const QString& card, int days)
{
    for (int d = 0; d < days; ++d) {
        QByteArray text = "user, date, time, type, name, port,\r\n";
        for (int i = 0; i < 40; ++i)
            text += "0001, 2025-03-" + QByteArray::number(10 + d) + ", 08:10:00, 1k, Anna Kowalska, Wejscie,\r\n";
        WriteWholeFile(card + QStringLiteral("/202503%1.csv").arg(10 + d), text);
    }
    WriteWholeFile(card + "/KONFOUT.TXT", "DeviceID=QTX-2\r\nport0=Wejscie\r\nport1=Wyjscie\r\n");
    WriteWholeFile(card + "/USERS.txt", "0001,\xff\xfe\x01\r\n");
    WriteWholeFile(card + "/FF.BIN", QByteArray(3 * 512 + 7, '\xff'));
}

bool SameFiles(const QString& local, const QString& card, QString* why)
{
    for (const QString& name : QDir(card).entryList(QDir::Files)) {
        if (ReadWholeFile(local + "/" + name) != ReadWholeFile(card + "/" + name)) {
            *why = name + " differs";
            return false;
        }
    }
    return true;
}

// The device the simulator's COMn stands for.
QString SimDevice(const RecorderSimProcess& sim)
{
    return qEnvironmentVariable(("QTX_" + sim.Port()).toLatin1().constData());
}

} // namespace

class NetworkLinkTest : public QObject {
    Q_OBJECT

private slots:
    void everyTransferMatchesTheCard_data()
    {
        QTest::addColumn<QString>("protocol");
        QTest::newRow("rfc2217") << QStringLiteral("telnet(rfc2217)");
        QTest::newRow("raw tcp") << QString();
    }
    void everyTransferMatchesTheCard()
    {
        QFETCH(QString, protocol);
        QTemporaryDir card;
        QTemporaryDir local;
        FillCard(card.path(), 6);
        RecorderSimProcess sim(QStringLiteral(QTX_RECORDER_SIM), card.path(), 160);
        QVERIFY(!sim.Port().isEmpty());
        Ser2netProcess server(SimDevice(sim), protocol);
        QVERIFY(server.Listening());
        const QString url = server.Url();
        QString why;

        QtxctlRun run = RunQtxctl({"download", "--port", url, "--to", local.filePath("all")});
        QVERIFY2(run.status == 0, run.err.constData());
        QVERIFY2(SameFiles(local.filePath("all"), card.path(), &why), qPrintable(why));

        run = RunQtxctl({"sync", "--port", url, "--to", local.filePath("synced")});
        QVERIFY2(run.status == 0, run.err.constData());
        QVERIFY2(SameFiles(local.filePath("synced"), card.path(), &why), qPrintable(why));

        run = RunQtxctl({"get", "--port", url, "FF.BIN", "--to", local.filePath("one")});
        QVERIFY2(run.status == 0, run.err.constData());
        QCOMPARE(ReadWholeFile(local.filePath("one/FF.BIN")), QByteArray(3 * 512 + 7, '\xff'));

        // The upload's frames carry 0xFF too: the card receives them unchanged.
        QByteArray upload(2000, '\xff');
        for (int i = 0; i < upload.size(); i += 3)
            upload[i] = char(i);
        WriteWholeFile(local.filePath("UP.BIN"), upload);
        run = RunQtxctl({"upload", "--port", url, local.filePath("UP.BIN")});
        QVERIFY2(run.status == 0, run.err.constData());
        QCOMPARE(ReadWholeFile(card.filePath("UP.BIN")), upload);

        // A COM name whose QTX_COMn is the network port works as well.
        qputenv("QTX_COM165", url.toUtf8());
        run = RunQtxctl({"delete", "--port", "COM165", "UP.BIN"});
        qunsetenv("QTX_COM165");
        QVERIFY2(run.status == 0, run.err.constData());
        QVERIFY(!QFile::exists(card.filePath("UP.BIN")));
    }

    void lineFaultsAreSurvived_data() { everyTransferMatchesTheCard_data(); }
    void lineFaultsAreSurvived()
    {
        QFETCH(QString, protocol);
        QTemporaryDir card;
        QTemporaryDir local;
        FillCard(card.path(), 6);
        RecorderSimProcess sim(
            QStringLiteral(QTX_RECORDER_SIM), card.path(), 161,
            {"--fault", "corrupt=7,lose-ack=9,duplicate=11,silence=13,silence-ms=150", "--seed", "5"});
        QVERIFY(!sim.Port().isEmpty());
        Ser2netProcess server(SimDevice(sim), protocol);
        QVERIFY(server.Listening());
        const QtxctlRun run = RunQtxctl({"download", "--port", server.Url(), "--to", local.path()});
        QVERIFY2(run.status == 0, run.err.constData());
        QString why;
        QVERIFY2(SameFiles(local.path(), card.path(), &why), qPrintable(why));
    }

    // The server goes away in the middle of a file: the run ends within the timeout plus one
    // second, keeps only whole files, and a run through a new server completes the folder.
    void aLostServerEndsTheRunAndALaterRunResumes_data() { everyTransferMatchesTheCard_data(); }
    void aLostServerEndsTheRunAndALaterRunResumes()
    {
        QFETCH(QString, protocol);
        QTemporaryDir card;
        QTemporaryDir local;
        FillCard(card.path(), 30);
        RecorderSimProcess sim(QStringLiteral(QTX_RECORDER_SIM), card.path(), 162, {"--baud-pace", "115200"});
        QVERIFY(!sim.Port().isEmpty());
        Ser2netProcess server(SimDevice(sim), protocol);
        QVERIFY(server.Listening());
        QProcess sync;
        sync.start(QStringLiteral(QTXCTL_PATH),
                   {"sync", "--port", server.Url(), "--to", local.path(), "--timeout", "2"});
        QVERIFY(sync.waitForStarted());
        QByteArray out;
        QElapsedTimer started;
        started.start();
        while (out.count('\n') < 3 && sync.state() == QProcess::Running) {
            QVERIFY2(started.elapsed() < 20000, out.constData());
            QTest::qWait(10);
            out += sync.readAllStandardOutput();
        }
        QTest::qWait(60); // into the next file
        server.Kill();
        QElapsedTimer clock;
        clock.start();
        QVERIFY(sync.waitForFinished(20000));
        QVERIFY2(clock.elapsed() <= 3000, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(sync.exitCode(), 2);
        const QByteArray err = sync.readAllStandardError();
        QVERIFY2(err.contains("stopped answering (the server closed the connection)"), err.constData());
        const QStringList stored = QDir(local.path()).entryList(QDir::Files);
        QVERIFY(stored.size() >= 3 && stored.size() < QDir(card.path()).entryList(QDir::Files).size());
        for (const QString& name : stored)
            QCOMPARE(ReadWholeFile(local.filePath(name)), ReadWholeFile(card.filePath(name)));

        server.Start();
        QVERIFY(server.Listening());
        const QtxctlRun again = RunQtxctl({"sync", "--port", server.Url(), "--to", local.path()});
        QVERIFY2(again.status == 0, again.err.constData());
        QString why;
        QVERIFY2(SameFiles(local.path(), card.path(), &why), qPrintable(why));
    }

    void eachConnectionFailureIsNamed()
    {
        QTemporaryDir card;
        RecorderSimProcess sim(QStringLiteral(QTX_RECORDER_SIM), card.path(), 163);
        QVERIFY(!sim.Port().isEmpty());
        // A server whose device cannot be opened takes the connection and ends it.
        Ser2netProcess noDevice(card.filePath("no-such-tty"), QStringLiteral("telnet(rfc2217)"));
        // A Telnet server without the COM port option cannot set the line.
        Ser2netProcess plainTelnet(SimDevice(sim), QStringLiteral("telnet"));
        QVERIFY(noDevice.Listening() && plainTelnet.Listening());
        Ser2netProcess stopped(SimDevice(sim), QString());
        stopped.Kill();

        const struct {
            QString port;
            const char* says;
        } cases[] = {
            {QStringLiteral("rfc2217://no-such-host.invalid:4001"), "the host name was not found"},
            {QStringLiteral("tcp://127.0.0.1:%1").arg(stopped.Port()), "the server refused the connection"},
            {QStringLiteral("rfc2217://[::1]:%1").arg(stopped.Port()), "the server refused the connection"},
            {QStringLiteral("rfc2217://127.0.0.1:%1").arg(noDevice.Port()), "the server closed the connection"},
            {QStringLiteral("rfc2217://localhost:%1").arg(plainTelnet.Port()), "the server refused the port settings"},
            {QStringLiteral("tcp://127.0.0.1:99999"), "is neither a port name"},
        };
        for (const auto& c : cases) {
            const QtxctlRun run = RunQtxctl({"list", "--port", c.port, "--timeout", "2"});
            QCOMPARE(run.status, 1);
            QVERIFY2(run.err.contains(c.says), run.err.constData());
        }
    }
};

QTEST_GUILESS_MAIN(NetworkLinkTest)
#include "network_link_test.moc"
