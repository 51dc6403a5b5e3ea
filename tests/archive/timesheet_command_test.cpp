// qtxctl timesheet run as a process: the CSV byte for byte, the workbook as an independent
// reader sees it, and the failures a script must be told about.

#include "archive_test_data.h"
#include "support/gui_helpers.h"
#include "support/qtxctl_process.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <sys/stat.h>

using namespace qtx::test;

namespace {

QtxctlRun Timesheet(const QStringList& arguments)
{
    return RunQtxctl(QStringList{"timesheet"} + arguments);
}

QByteArray Record(const QByteArray& id, const QByteArray& name)
{
    return QByteArray(8, '\0') + id + 'u' + '\0' + "12" + '\0' + name + "\r\n";
}

// February 2021: user 0002 (named with a comma, quotes and a Polish letter) on the 1st and
// 6th (a Saturday), user 0001 (not in the user list) for 59 seconds, user 0003 only denied.
void MakeWorkspace(const QTemporaryDir& dir)
{
    WriteBytes(dir.filePath("KONFOUT.TXT"), "DeviceID=test\r\nport0=IN\r\nport1=OUT\r\n");
    WriteBytes(dir.filePath("USERS.txt"), Record("0002", "Kowalska, \"A\xb3"
                                                         "a\"")
                                              + Record("0003", "Nowak"));
    WriteBytes(dir.filePath("20210201.csv"), EventFile({EventLine("0002", 8, 0, 0, true, true, "d", "IN"),
                                                        EventLine("0001", 9, 0, 0, true, false, "d", "IN"),
                                                        EventLine("0003", 9, 0, 0, false, true, "d", "IN"),
                                                        EventLine("0001", 9, 0, 59, true, false, "d", "OUT"),
                                                        EventLine("0002", 16, 5, 59, true, true, "d", "OUT")}));
    WriteBytes(dir.filePath("20210206.csv"), EventFile({EventLine("0002", 7, 0, 0, true, true, "d", "IN"),
                                                        EventLine("0002", 12, 0, 0, true, true, "d", "OUT")}));
    WriteBytes(dir.filePath("20210301.csv"), EventFile({EventLine("0004", 7, 0, 0, true, true, "d", "IN")}));
}

QByteArray Cells(const QByteArray& cell, int count)
{
    QByteArray cells;
    for (int i = 0; i < count; ++i)
        cells += ',' + cell;
    return cells;
}

// What openpyxl, Debian's spreadsheet reader for Python, finds in a workbook.
const char* const ReadWorkbook = R"(
import json, sys, openpyxl
book = openpyxl.load_workbook(sys.argv[1])
values = openpyxl.load_workbook(sys.argv[1], data_only=True)
ts, ev = book.worksheets
def cell(c):
    v = c.value
    if hasattr(v, 'total_seconds'): v = v.total_seconds()
    elif hasattr(v, 'isoformat'): v = v.isoformat()
    return [v, c.data_type, c.number_format, c.fill.fgColor.rgb if c.fill.fill_type else None]
print(json.dumps({
  'sheets': book.sheetnames, 'frozen': ts.freeze_panes, 'size': [ts.max_row, ts.max_column],
  'sheet': [[cell(c) for c in row] for row in ts.iter_rows()],
  'cached': [c.value.total_seconds() if c.value is not None and hasattr(c.value, 'total_seconds') else c.value
             for c in values.worksheets[0][ts.max_row]],
  'events': [[cell(c)[0] for c in row] for row in ev.iter_rows()],
}))
)";

QJsonObject ReadBack(const QString& path)
{
    QProcess python;
    python.start(QStringLiteral(QTX_SYSTEM_PYTHON), {"-c", ReadWorkbook, path});
    if (!python.waitForFinished(60000) || python.exitCode() != 0)
        qFatal("openpyxl could not read %s: %s", qPrintable(path), python.readAllStandardError().constData());
    return QJsonDocument::fromJson(python.readAllStandardOutput()).object();
}

} // namespace

class TimesheetCommandTest : public QObject {
    Q_OBJECT

private slots:
    void csvByteForByte()
    {
        QTemporaryDir dir;
        MakeWorkspace(dir);
        QByteArray header = "id,name";
        for (int d = 1; d <= 28; ++d)
            header += ",2021-02-" + QByteArray::number(d).rightJustified(2, '0');
        header += ",total\r\n";

        QtxctlRun run = Timesheet({"--month", "2021-02", dir.path()});
        QCOMPARE(run.status, 0);
        QVERIFY2(run.err.isEmpty(), run.err.constData());
        QCOMPARE(run.out, header + "0001," + Cells("0:00", 29) + "\r\n"
                              + "0002,\"Kowalska, \"\"A\xc5\x82"
                                "a\"\"\",8:05"
                              + Cells("0:00", 4) + ",5:00" + Cells("0:00", 22) + ",13:05\r\n");

        QTemporaryDir outDir;
        run = Timesheet({"--month=2021-02", "--seconds", "-o", outDir.filePath("out.csv"), dir.path()});
        QCOMPARE(run.status, 0);
        QVERIFY(run.out.isEmpty());
        QCOMPARE(ReadFileBytes(outDir.filePath("out.csv")), header + "0001,,59" + Cells("0", 27) + ",59\r\n"
                                                                + "0002,\"Kowalska, \"\"A\xc5\x82"
                                                                  "a\"\"\",29159"
                                                                + Cells("0", 4) + ",18000" + Cells("0", 22)
                                                                + ",47159\r\n");

        // A month without accepted events: the header alone.
        run = Timesheet({"--month", "2021-04", "--mode", "span", dir.path()});
        QCOMPARE(run.status, 0);
        QVERIFY(run.out.startsWith("id,name,2021-04-01,"));
        QVERIFY(run.out.endsWith(",2021-04-30,total\r\n"));
        QCOMPARE(run.out.count('\n'), 1);
    }

    void workbookReadBackIndependently()
    {
        QTemporaryDir dir;
        MakeWorkspace(dir);
        const QString path = dir.filePath("sheet.xlsx");
        QtxctlRun run = Timesheet({"--month", "2021-02", "--format", "xlsx", "--lang", "en", "-o", path, dir.path()});
        QCOMPARE(run.status, 0);
        QVERIFY2(run.err.isEmpty(), run.err.constData());
        QJsonObject book = ReadBack(path);
        QCOMPARE(book["sheets"].toArray(), QJsonArray({"Timesheet", "List of events"}));
        QCOMPARE(book["frozen"].toString(), QString("C2")); // the header row and the two name columns
        QCOMPARE(book["size"].toArray(), QJsonArray({4, 31}));
        const QJsonArray sheet = book["sheet"].toArray();
        const auto cell = [&](int row, int column) { return sheet[row].toArray()[column].toArray(); };
        QCOMPARE(cell(0, 0)[0].toString(), QString("ID"));
        QCOMPARE(cell(0, 30)[0].toString(), QString("Total"));
        // Numbers and names are text; the name keeps its letters.
        QCOMPARE(cell(1, 0)[0].toString(), QString("0001"));
        QCOMPARE(cell(1, 0)[1].toString(), QString("s"));
        QCOMPARE(cell(2, 1)[0].toString(), QString::fromUtf8("Kowalska, \"Ała\""));
        // Days are real durations; Saturday the 6th and Sunday the 7th are shaded, Monday not.
        QCOMPARE(cell(2, 2)[0].toDouble(), 29159.0);
        QCOMPARE(cell(2, 2)[2].toString(), QString("[h]:mm"));
        QCOMPARE(cell(2, 7)[0].toDouble(), 18000.0);
        QVERIFY(!cell(2, 7)[3].isNull() && !cell(0, 8)[3].isNull() && !cell(3, 8)[3].isNull());
        QVERIFY(cell(2, 2)[3].isNull() && cell(2, 9)[3].isNull());
        // Row totals and the totals row are sums a spreadsheet recalculates, with their results.
        QCOMPARE(cell(2, 30)[0].toString(), QString("=SUM(C3:AD3)"));
        QCOMPARE(cell(3, 1)[0].toString(), QString("Total"));
        QCOMPARE(cell(3, 2)[0].toString(), QString("=SUM(C2:C3)"));
        QCOMPARE(cell(3, 30)[0].toString(), QString("=SUM(AE2:AE3)"));
        QCOMPARE(cell(3, 30)[2].toString(), QString("[h]:mm"));
        const QJsonArray cached = book["cached"].toArray();
        QCOMPARE(cached[2].toDouble(), 29159.0 + 59);
        QCOMPARE(cached[30].toDouble(), 47159.0 + 59);

        // Every event of the month in file order, denied ones too, nothing of March.
        const QJsonArray events = book["events"].toArray();
        QCOMPARE(events.size(), 1 + 7);
        QCOMPARE(events[0].toArray(), QJsonArray({"Date", "Time", "User", "Name", "Port", "Status"}));
        QCOMPARE(events[3].toArray(), QJsonArray({"2021-02-01T00:00:00", "09:00:00", "0003", "Nowak", "IN", "denied"}));
        QCOMPARE(events[7].toArray()[0].toString(), QString("2021-02-06T00:00:00"));

        // Polish is the default language.
        QCOMPARE(Timesheet({"--month", "2021-02", "--format=xlsx", "-o", path, dir.path()}).status, 0);
        book = ReadBack(path);
        QCOMPARE(book["sheets"].toArray(), QJsonArray({QString::fromUtf8("Lista obecności"), "Lista zdarzeń"}));
        QCOMPARE(book["events"].toArray()[0].toArray()[5].toString(), QString("Status"));
        QCOMPARE(book["sheet"].toArray()[3].toArray()[1].toArray()[0].toString(), QString("Razem"));

        // A month without events still has its totals row.
        QCOMPARE(Timesheet({"--month", "2021-04", "--format=xlsx", "-o", path, dir.path()}).status, 0);
        QCOMPARE(ReadBack(path)["size"].toArray(), QJsonArray({2, 33}));
    }

    void failures()
    {
        QTemporaryDir dir;
        MakeWorkspace(dir);
        QtxctlRun run = Timesheet({"--month", "2021-02", dir.filePath("missing")});
        QCOMPARE(run.status, 1);
        QVERIFY(run.err.contains(dir.filePath("missing").toUtf8()));

        QTemporaryDir noReport;
        WriteBytes(noReport.filePath("20210201.csv"), "h\r\n");
        run = Timesheet({"--month", "2021-02", noReport.path()});
        QCOMPARE(run.status, 1);
        QVERIFY(run.err.contains("KONFOUT.TXT"));
        QCOMPARE(Timesheet({"--month", "2021-02", "--entrance", "A", "--exit", "B", noReport.path()}).status, 0);

        WriteBytes(dir.filePath("notes.csv"), "x\r\n");
        run = Timesheet({"--month", "2021-02", dir.path()});
        QCOMPARE(run.status, 1);
        QVERIFY(run.out.isEmpty());
        QVERIFY(run.err.contains("notes.csv"));

        // An output that cannot be written fails, whatever the format.
        for (const char* format : {"csv", "xlsx"}) {
            run = Timesheet({"--month", "2021-02", "--entrance", "A", "--exit", "B", "--format", format, "-o",
                             noReport.filePath("no/such/folder/out"), noReport.path()});
            QCOMPARE(run.status, 1);
            QVERIFY(run.err.contains("no/such/folder/out"));
        }

        // Printed to a full disk: the CSV is lost, so the job must not end with 0.
        QProcess full;
        full.setStandardOutputFile(QStringLiteral("/dev/full"));
        full.start(QStringLiteral(QTXCTL_PATH),
                   {"timesheet", "--month", "2021-02", "--entrance", "A", "--exit", "B", noReport.path()});
        QVERIFY(full.waitForFinished(30000));
        QCOMPARE(full.exitCode(), 1);
        QVERIFY(full.readAllStandardError().contains("output could not be written"));

        // A FIFO named like an event file is not waited on for a writer: refused at once.
        QTemporaryDir withFifo;
        QCOMPARE(::mkfifo(QFile::encodeName(withFifo.filePath("20210202.csv")).constData(), 0600), 0);
        run = RunQtxctl({"timesheet", "--month", "2021-02", "--entrance", "A", "--exit", "B", withFifo.path()}, 10000);
        QCOMPARE(run.status, 1);
        QVERIFY2(run.err.contains("20210202.csv\": it is not a regular file"), run.err.constData());

        for (const QStringList& wrong : {QStringList{dir.path()},
                                         {"--month", "2021-13", dir.path()},
                                         {"--month", "2021-02"},
                                         {"--month", "2021-02", "--format", "ods", dir.path()},
                                         {"--month", "2021-02", "--format", "xlsx", dir.path()},
                                         {"--month", "2021-02", "--lang", "de", dir.path()},
                                         {"--month"}})
            QCOMPARE(Timesheet(wrong).status, 2);

        run = Timesheet({"--help"});
        QCOMPARE(run.status, 0);
        QVERIFY(run.out.contains("--format csv|xlsx"));
        QVERIFY(run.out.contains("--seconds"));
    }
};

QTEST_GUILESS_MAIN(TimesheetCommandTest)
#include "timesheet_command_test.moc"
