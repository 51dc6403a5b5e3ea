// qtxctl's link commands run as the operator runs them, against the simulated recorder on a
// pseudo-terminal: ports, list, download (with a file that stalls), get, delete, upload, failures,
// and the JSON lines; and every command's usage errors.

#include "base/text_file.h"
#include "link_test_support.h"
#include "support/qtxctl_process.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>

using namespace qtx;
using namespace qtx::test;

namespace {

using Run = QtxctlRun;

Run Qtxctl(const QStringList& arguments, int timeoutMs = 60000)
{
    return RunQtxctl(arguments, timeoutMs);
}

QList<QByteArray> Lines(const QByteArray& text)
{
    QList<QByteArray> lines = text.split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

} // namespace

class LinkCommandTest : public QObject {
    Q_OBJECT

private slots:
    void portsPrintNameAndDevice()
    {
        PtyPeer peer(190);
        const Run run = Qtxctl({"ports"});
        QCOMPARE(run.status, 0);
        QVERIFY(Lines(run.out).contains("COM190\t" + peer.Device().toUtf8()));
    }

    void listPrintsTheRecordersNames()
    {
        SimCard recorder;
        recorder.AddFile("KONFOUT.TXT", "k");
        recorder.AddFile("Z" + ToCp1250(QString::fromUtf8("ĄŻ")) + ".TXT", "z");
        PtyPeer peer(191);
        peer.recorder = &recorder;
        peer.AutoPump();
        const QList<QByteArray> names{"KONFOUT.TXT", QString::fromUtf8("ZĄŻ.TXT").toUtf8()};
        // The port by its COM name and by its device path.
        for (const QString& port : {peer.Name(), peer.Device()}) {
            const Run run = Qtxctl({"list", "--port", port});
            QCOMPARE(run.status, 0);
            QCOMPARE(Lines(run.out), names);
        }
    }

    void downloadStoresEveryFileAndGoesOnPastAStalledOne()
    {
        SimCard recorder({.stallingFiles = {"0STALL.BIN"}});
        recorder.AddFile("KONFOUT.TXT", "DeviceID=x\r\n");
        recorder.AddFile("0STALL.BIN", QByteArray(3000, 's'));
        recorder.AddFile("SYSTEM", {});
        recorder.AddFile("USERS.TXT", {});
        recorder.AddFile("20250301.CSV", QByteArray(1500, 'e'));
        PtyPeer peer(192);
        peer.recorder = &recorder;
        peer.AutoPump();
        QTemporaryDir to;
        const Run run = Qtxctl({"download", "--port", peer.Name(), "--to", to.path(), "--timeout", "1"});
        QCOMPARE(run.status, 2);
        QCOMPARE(Lines(run.out), (QList<QByteArray>{"20250301.CSV\t1500", "KONFOUT.TXT\t12", "USERS.TXT\t0"}));
        QCOMPARE(recorder.Tally().stops, 1);
        // The stalled file alone is given up: the recorder still answers a list request.
        QVERIFY2(run.err.contains("[1 / 4] 0STALL.BIN: not stored: nothing received for 1 s, abandoned"),
                 run.err.constData());
        QVERIFY2(run.err.contains("[2 / 4] 20250301.CSV: 1500 bytes\n"), run.err.constData());
        QCOMPARE(run.err.count("abandoned"), 1);
        QCOMPARE(recorder.Requests().count("list"), 2);
        QVERIFY(!QFile::exists(to.filePath("0STALL.BIN")));
        QCOMPARE(ReadWholeFile(to.filePath("20250301.CSV")), QByteArray(1500, 'e'));
        QCOMPARE(QDir(to.path()).entryList(QDir::Files).size(), 3);

        recorder.Restart({});
        const Run again = Qtxctl({"download", "--port", peer.Name(), "--to", to.path()});
        QCOMPARE(again.status, 0);
        QCOMPARE(Lines(again.out).size(), 4);
        QCOMPARE(ReadWholeFile(to.filePath("0STALL.BIN")), QByteArray(3000, 's'));
    }

    void getDeleteAndUploadAnswerOnlyWhatTheListConfirms()
    {
        SimCard recorder;
        recorder.AddFile("A.TXT", "alpha");
        recorder.AddFile("B.TXT", "beta");
        PtyPeer peer(193);
        peer.recorder = &recorder;
        peer.AutoPump();
        QTemporaryDir to;
        Run run = Qtxctl({"get", "--port", peer.Name(), "a.txt", "--to", to.path()});
        QCOMPARE(run.status, 0);
        QCOMPARE(run.out, QByteArray("A.TXT\t5\n"));
        QCOMPARE(ReadWholeFile(to.filePath("A.TXT")), QByteArray("alpha"));

        // A name the card does not hold is refused before any request for it (checked below).
        run = Qtxctl({"get", "--port", peer.Name(), "NOSUCH.CSV", "--to", to.path()});
        QCOMPARE(run.status, 1);
        QVERIFY(run.err.contains("NOSUCH.CSV is not on the recorder's card"));
        run = Qtxctl({"delete", "--port", peer.Name(), "nosuch.csv"});
        QCOMPARE(run.status, 1);
        QVERIFY(run.err.contains("nosuch.csv is not on the recorder's card"));
        QVERIFY(!recorder.Requests().contains("get NOSUCH.CSV"));
        QVERIFY(!recorder.Requests().contains("delete nosuch.csv"));

        run = Qtxctl({"delete", "--port", peer.Name(), "B.TXT"});
        QCOMPARE(run.status, 0);
        QCOMPARE(recorder.Requests().mid(recorder.Requests().size() - 3),
                 (QList<QByteArray>{"list", "delete B.TXT", "list"}));

        // A card that refuses the delete: the file is still listed afterwards.
        recorder.Restart({.writeProtected = true});
        run = Qtxctl({"delete", "--port", peer.Name(), "A.TXT"});
        QCOMPARE(run.status, 2);
        QVERIFY(run.err.contains("A.TXT is still on the recorder's card"));
        recorder.Restart({});

        const QString file = to.filePath("UP.BIN");
        WriteWholeFile(file, QByteArray(2500, 'u'));
        run = Qtxctl({"upload", "--port", peer.Name(), file});
        QCOMPARE(run.status, 0);
        QCOMPARE(run.out, QByteArray("UP.BIN\t2500\n"));
        QCOMPARE(recorder.File("UP.BIN"), QByteArray(2500, 'u'));
        // The size is read back from the file header, and the transfer is stopped there.
        QCOMPARE(recorder.Requests().last(), QByteArray("get UP.BIN"));
        QCOMPARE(recorder.Tally().stops, 1);

        run = Qtxctl({"upload", "--port", peer.Name(), to.filePath("missing.bin")});
        QCOMPARE(run.status, 1);
        QVERIFY(!run.err.isEmpty());
    }

    void jsonLinesCarryNoMessages()
    {
        SimCard recorder({.stallingFiles = {"STALL.CSV"}});
        recorder.AddFile("KONFOUT.TXT", "k");
        recorder.AddFile("STALL.CSV", QByteArray(1200, 's'));
        PtyPeer peer(196);
        peer.recorder = &recorder;
        peer.AutoPump();
        Run run = Qtxctl({"list", "--port", peer.Name(), "--json"});
        QCOMPARE(run.status, 0);
        QCOMPARE(Lines(run.out), (QList<QByteArray>{R"({"name":"KONFOUT.TXT","storedAs":"KONFOUT.TXT"})",
                                                    R"({"name":"STALL.CSV","storedAs":"STALL.CSV"})"}));
        QTemporaryDir to;
        run = Qtxctl({"download", "--port", peer.Name(), "--to", to.path(), "--timeout", "1", "--json"});
        QCOMPARE(run.status, 2);
        QCOMPARE(
            Lines(run.out),
            (QList<QByteArray>{
                R"({"listed":"KONFOUT.TXT","name":"KONFOUT.TXT","size":1,"stored":true})",
                R"({"error":"nothing received for 1 s, abandoned","listed":"STALL.CSV","name":"STALL.CSV","stored":false})"}));
        QVERIFY(run.err.contains("not stored: STALL.CSV"));
    }

    void namesThatWouldReachAnotherFileAreRefused()
    {
        // Names a request cannot carry as they are: one the 8.3 request cuts to another file's
        // name, two stored under one name, one with control characters.
        SimCard recorder({.listedOnly = {"\x1b]0;TITLE\x07.txt", "sub/A.TXT"}});
        recorder.AddFile("A.TXT", "alpha");
        recorder.AddFile("REPORT.TXT", "report");
        recorder.AddFile("REPORT.TXT.OLD", "old report");
        PtyPeer peer(197);
        peer.recorder = &recorder;
        peer.AutoPump();
        QTemporaryDir to;
        WriteWholeFile(to.filePath("NOTES.TXT.BAK"), "n");
        const QList<QStringList> refused{{"delete", "REPORT.TXT.OLD"},
                                         {"get", "REPORT.TXT.OLD", "--to", to.path()},
                                         {"upload", to.filePath("NOTES.TXT.BAK")}};
        for (const QStringList& command : refused) {
            const Run run = Qtxctl(QStringList{command[0], "--port", peer.Name()} + command.mid(1));
            QCOMPARE(run.status, 1);
            QVERIFY2(run.err.contains(".TXT.OLD can only be asked for as REPORT.TXT")
                         || run.err.contains("NOTES.TXT.BAK can only be asked for as NOTES.TXT"),
                     run.err.constData());
        }
        QCOMPARE(recorder.Requests(), (QList<QByteArray>{"list", "list"}));
        QCOMPARE(recorder.File("REPORT.TXT"), QByteArray("report"));

        Run run = Qtxctl({"list", "--port", peer.Name()});
        QCOMPARE(run.status, 0);
        QCOMPARE(Lines(run.out).first(), QByteArray("\\x1b]0;TITLE\\x07.txt"));
        run = Qtxctl({"download", "--port", peer.Name(), "--to", to.path(), "--json"});
        QCOMPARE(run.status, 2);
        const QList<QByteArray> lines = Lines(run.out);
        QVERIFY2(lines.contains(R"({"error":"REPORT.TXT is already stored as REPORT.TXT","listed":"REPORT.TXT.OLD",)"
                                R"("name":"REPORT.TXT","stored":false})"),
                 run.out.constData());
        QVERIFY2(lines.contains(R"({"error":"A.TXT is already stored as A.TXT","listed":"sub/A.TXT","name":"A.TXT",)"
                                R"("stored":false})"),
                 run.out.constData());
        QCOMPARE(ReadWholeFile(to.filePath("REPORT.TXT")), QByteArray("report"));
        QCOMPARE(ReadWholeFile(to.filePath("A.TXT")), QByteArray("alpha"));
        // Nothing the recorder or the terminal is sent carries a control character.
        QVERIFY(!run.err.contains('\x1b'));
        for (const QByteArray& request : recorder.Requests())
            QVERIFY2(!request.contains('\x1b') && !request.contains('\r'), request.constData());
    }

    void waitsOnAWrongOrRefusingDeviceEnd()
    {
        // A GPS receiver on the port: a sentence every 100 ms, whatever it is sent.
        PtyPeer gps(198);
        QTimer talker;
        QObject::connect(&talker, &QTimer::timeout, [&gps] {
            gps.Pump();
            gps.Send("$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47\r\n");
        });
        talker.start(100);
        QTemporaryDir to;
        for (const QString command : {"list", "download", "sync"}) {
            QStringList arguments{command, "--port", gps.Name()};
            if (command != "list")
                arguments << "--to" << to.path();
            const Run run = Qtxctl(arguments, 30000);
            QCOMPARE(run.status, 2);
            QVERIFY2(run.err.contains("this device is not a QTX recorder"), run.err.constData());
        }
        talker.stop();
        QVERIFY(QDir(to.path()).isEmpty());

        // A recorder that refuses every upload frame still answers; the upload ends all the same.
        sim::RecorderSettings refusing;
        refusing.faults.corruptEvery = 1;
        SimCard recorder(refusing);
        PtyPeer peer(199);
        peer.recorder = &recorder;
        peer.AutoPump();
        WriteWholeFile(to.filePath("UP.BIN"), QByteArray(3000, 'u'));
        const Run run = Qtxctl({"upload", "--port", peer.Name(), to.filePath("UP.BIN")}, 30000);
        QCOMPARE(run.status, 2);
        QVERIFY2(run.err.contains("refused one frame 21 times in a row"), run.err.constData());
        QCOMPARE(recorder.File("UP.BIN"), QByteArray("<missing>"));
    }

    void failuresExitWithAClearMessage()
    {
        QTemporaryDir dir;
        const QString locked = UnopenablePath(dir.path());
        if (!locked.isEmpty()) {
            const Run run = Qtxctl({"list", "--port", locked});
            QCOMPARE(run.status, 1);
            QVERIFY2(run.err.contains("permission denied; add your user to the dialout group"), run.err.constData());
        }

        // Nobody at the other end of the line.
        PtyPeer peer(195);
        QElapsedTimer clock;
        clock.start();
        const Run run = Qtxctl({"list", "--port", peer.Name(), "--timeout", "1"});
        QCOMPARE(run.status, 1);
        QVERIFY2(run.err.contains("did not answer the list request within 1 seconds"), run.err.constData());
        QVERIFY(clock.elapsed() >= 1000);
    }

    // Each command's help (0), usage errors named above the usage (2), and arguments reaching the work (1).
    void argumentsOfEveryCommand()
    {
        QList<std::tuple<QStringList, int, QByteArray>> cases{
            {{"--help"}, 0, "users [--show-pins] WORKSPACE_DIR"},
            {{"users", "--help"}, 0, "ID<TAB>KIND<TAB>CARD<TAB>CARDTEXT<TAB>PIN<TAB>NAME"},
            {{"report", "-h"}, 0, "--month YYYY-MM [--mode daily|daynight|span]"},
            {{"timesheet", "d", "--help"}, 0, "[--format csv|xlsx]"},
            {{"site", "import", "--help"}, 0, "usage: qtxctl site import"},
            {{"users", "--bogus", "d"}, 2, "users: unknown option '--bogus'"},
            {{"users"}, 2, "users: WORKSPACE_DIR is missing"},
            {{"report", "--month", "2021-05", "d", "e"}, 2, "report: unexpected argument 'e'"},
            {{"report", "d"}, 2, "report: --month YYYY-MM is required"},
            {{"report", "d", "--month"}, 2, "report: --month needs a value"},
            {{"report", "--month=2021-13", "d"}, 2, "report: --month must be YYYY-MM, got '2021-13'"},
            {{"report", "--month", "2021-05", "--mode", "weekly", "d"}, 2, "report: --mode must be daily, daynight"},
            {{"report", "--month", "2021-05", "--json=yes", "d"}, 2, "report: --json takes no value"},
            {{"timesheet", "--month", "2021-02", "--format", "ods", "d"}, 2, "timesheet: --format must be csv or"},
            {{"timesheet", "--month", "2021-02", "--format", "xlsx", "d"}, 2, "timesheet: --format xlsx needs -o"},
            {{"timesheet", "--month", "2021-02", "--lang", "de", "d"}, 2, "timesheet: --lang must be pl or en"},
            {{"site", "timesheet", "--month", "2021-02", "d"}, 2, "site timesheet: unexpected argument 'd'"},
            {{"site", "timesheet", "--month", "2021-02", "--format", "xlsx"}, 2, "site timesheet: --format xlsx"},
            {{"site", "doors", "--progress"}, 2, "site doors: unknown option '--progress'"},
            {{"site", "import", "--door", " ", "d"}, 2, "site import: --door needs a name"},
            {{"site", "bogus"}, 2, "site: unknown site command 'bogus'"},
            {{"list"}, 2, "list: --port COMn is required"},
            {{"get", "--port", "COM194"}, 2, "get: NAME is missing"},
            {{"list", "--port", "COM194", "--timeout", "nan"}, 2, "list: --timeout needs a positive number"},
            {{"sync", "--port", "COM194", "--timeout", "1e300"}, 2, "sync: --timeout needs a positive number"},
            {{"list", "--port=COM194"}, 1, "list: no device for COM194"},
            {{"download", "--port", "COM194"}, 1, "download: no device for COM194"},
            {{"delete", "--port", "COM194", "--", "-A.TXT"}, 1, "delete: no device for COM194"},
            {{"users", "/no/such/dir"}, 1, "users: the workspace folder /no/such/dir does not exist"},
            {{"report", "--month", "2025-03", "/no/such/dir"}, 1, "report: the workspace folder /no/such/dir does"},
            {{"users", "/dev/null"}, 1, "users: the workspace folder /dev/null is not a folder"},
            {{"report", "--month", "2025-03", "/dev/null"}, 1, "report: the workspace folder /dev/null is not a"},
            {{"sync", "--port", "COM194", "--to", "/dev/null"}, 1, "sync: /dev/null is not a folder"}};
        for (const char* command : {"ports", "list", "download", "get", "sync", "delete", "upload"})
            cases.append({{command, "--help"}, 0, QByteArray("usage: qtxctl ") + command});
        for (const auto& [arguments, status, says] : cases) {
            const Run run = Qtxctl(arguments);
            QVERIFY2(run.status == status, qPrintable(arguments.join(' ')));
            const QByteArray& shown = status == 0 ? run.out : run.err;
            QVERIFY2(shown.contains(status == 0 ? says : "qtxctl " + says)
                         && (status != 2 || shown.contains("\nusage: qtxctl ")),
                     shown.constData());
        }
    }
};

QTEST_GUILESS_MAIN(LinkCommandTest)
#include "link_command_test.moc"
