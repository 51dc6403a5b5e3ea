// qtxctl timesheet run as a process: the CSV byte for byte, the workbook as an independent
// reader sees it, and the failures a script must be told about.

#include "archive/timesheet_export.h"
#include "archive_test_data.h"
#include "support/files.h"
#include "support/qtxctl_process.h"

#include <QFileInfo>
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
// 6th (a Saturday), user 0001 (not in the user list) for 59 seconds, user 0003 only denied,
// user 0005 (not in the list) with lines out of time order on the 2nd: minus nine hours.
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
    WriteBytes(dir.filePath("20210202.csv"), EventFile({EventLine("0005", 17, 0, 0, true, true, "d", "IN"),
                                                        EventLine("0005", 8, 0, 0, true, true, "d", "OUT")}));
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
ts, ev = book.worksheets[0], book.worksheets[1]
def cell(c):
    v = c.value
    if hasattr(v, 'total_seconds'): v = v.total_seconds()
    elif hasattr(v, 'isoformat'): v = v.isoformat()
    return [v, c.data_type, c.number_format, c.fill.fgColor.rgb if c.fill.fill_type else None]
setup = ts.page_setup
print(json.dumps({
  'sheets': book.sheetnames, 'frozen': ts.freeze_panes, 'size': [ts.max_row, ts.max_column],
  'page': [setup.orientation, setup.fitToWidth or 1, setup.fitToHeight, ts.sheet_properties.pageSetUpPr.fitToPage,
           ts.print_title_rows, ts.auto_filter.ref],
  'sheet': [[cell(c) for c in row] for row in ts.iter_rows()],
  'cached': [c.value.total_seconds() if c.value is not None and hasattr(c.value, 'total_seconds') else c.value
             for c in values.worksheets[0][ts.max_row]],
  'events': [[cell(c)[0] for c in row] for row in ev.iter_rows()],
  'more': [[ws.title, ws.max_row, ws.print_title_rows] + [cell(c)[0] for c in ws[1]] + [cell(c)[0] for c in ws[ws.max_row]]
           for ws in book.worksheets[1:]],
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

        // Every listed person has a row, also 0003 without an accepted event; --active-only
        // keeps only those with one.
        const QByteArray anna = "0002,\"Kowalska, \"\"A\xc5\x82"
                                "a\"\"\",";
        QtxctlRun run = Timesheet({"--month", "2021-02", dir.path()});
        QCOMPARE(run.status, 0);
        QVERIFY2(run.err.isEmpty(), run.err.constData());
        const QByteArray active = header + "0001,,0:01" + Cells("0:00", 27) + ",0:01\r\n" + anna + "8:06"
                                  + Cells("0:00", 4) + ",5:00" + Cells("0:00", 22) + ",13:06\r\n" + "0005,,0:00,-9:00"
                                  + Cells("0:00", 26) + ",-9:00\r\n";
        QCOMPARE(run.out,
                 QByteArray(active).insert(active.indexOf("0005,"), "0003,Nowak" + Cells("0:00", 29) + "\r\n"));
        QCOMPARE(Timesheet({"--month", "2021-02", "--active-only", dir.path()}).out, active);

        QTemporaryDir outDir;
        run =
            Timesheet({"--month=2021-02", "--seconds", "--active-only", "-o", outDir.filePath("out.csv"), dir.path()});
        QCOMPARE(run.status, 0);
        QVERIFY(run.out.isEmpty());
        QCOMPARE(ReadFileBytes(outDir.filePath("out.csv")),
                 header + "0001,,59" + Cells("0", 27) + ",59\r\n" + anna + "29159" + Cells("0", 4) + ",18000"
                     + Cells("0", 22) + ",47159\r\n0005,,0,-32400" + Cells("0", 26) + ",-32400\r\n");

        // For a spreadsheet: a byte-order mark, ";" between values, the header in the language.
        run = Timesheet({"--month", "2021-02", "--excel", "--lang", "en", "--active-only", dir.path()});
        QCOMPARE(run.status, 0);
        QVERIFY(run.out.startsWith("\xEF\xBB\xBFID;Name;2021-02-01;"));
        QVERIFY(run.out.contains("\r\n0002;\"Kowalska, \"\"A\xc5\x82"
                                 "a\"\"\";8:06;0:00;"));

        // A month without accepted events: the header alone.
        run = Timesheet({"--month", "2021-04", "--mode", "span", dir.path()});
        QCOMPARE(run.status, 0);
        QVERIFY(run.out.startsWith("id,name,2021-04-01,"));
        QVERIFY(run.out.contains(",2021-04-30,total\r\n0002,"));
        run = Timesheet({"--month", "2021-04", "--active-only", dir.path()});
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
        // The heading says what the table is; the header row below it is frozen, filtered and, with
        // the heading, printed on every landscape page one page wide.
        const QJsonArray sheet = book["sheet"].toArray();
        const auto cell = [&](int row, int column) { return sheet[row].toArray()[column].toArray(); };
        QCOMPARE(cell(0, 0)[0].toString(), QString("Timesheet: february 2021"));
        QCOMPARE(cell(1, 0)[0].toString(), "Device name: test;   Folder: " + QFileInfo(dir.path()).absoluteFilePath());
        QCOMPARE(cell(2, 0)[0].toString(), QString("Counting mode: daily;   Port 0 name (entrance): IN;   "
                                                   "Port 1 name (exit): OUT;   Filter: All"));
        QVERIFY(cell(3, 0)[0].toString().startsWith("Each day's time rounded to the nearest minute"));
        QCOMPARE(book["frozen"].toString(), QString("C6"));
        QCOMPARE(book["page"].toArray(), QJsonArray({"landscape", 1, 0, true, "$1:$5", "A5:AE9"}));
        QCOMPARE(book["size"].toArray(), QJsonArray({10, 31}));
        QCOMPARE(cell(4, 0)[0].toString(), QString("ID"));
        QCOMPARE(cell(4, 30)[0].toString(), QString("Total"));
        // A row for everyone: the listed 0003 without an accepted event too. Numbers and names
        // are text; the name keeps its letters.
        QStringList ids;
        for (int r = 5; r <= 8; ++r)
            ids << cell(r, 0)[0].toString();
        QCOMPARE(ids, QStringList({"0001", "0002", "0003", "0005"}));
        QCOMPARE(cell(5, 0)[1].toString(), QString("s"));
        QCOMPARE(cell(6, 1)[0].toString(), QString::fromUtf8("Kowalska, \"Ała\""));
        QCOMPARE(cell(7, 1)[0].toString(), QString("Nowak"));
        QCOMPARE(cell(7, 30)[0].toString(), QString("=SUM(C8:AD8)"));
        // Days are durations in rounded minutes; Saturday the 6th and Sunday the 7th are shaded.
        QCOMPARE(cell(6, 2)[0].toDouble(), 29160.0); // 8:05:59
        QCOMPARE(cell(6, 2)[2].toString(), QString("[h]:mm"));
        QCOMPARE(cell(6, 7)[0].toDouble(), 18000.0);
        QVERIFY(!cell(6, 7)[3].isNull() && !cell(4, 8)[3].isNull() && !cell(9, 8)[3].isNull());
        QVERIFY(cell(6, 2)[3].isNull() && cell(6, 9)[3].isNull());
        // A negative time reads as one, not as a number a spreadsheet shows as "####"; the sums
        // it would drop out of are their values.
        QCOMPARE(cell(8, 3)[0].toString(), QString("-9:00"));
        QCOMPARE(cell(8, 30)[0].toString(), QString("-9:00"));
        QCOMPARE(cell(9, 3)[0].toString(), QString("-9:00"));
        QCOMPARE(cell(9, 30)[0].toDouble(), 60 + 13 * 3600 + 6 * 60 - 9 * 3600.0);
        // Other sums are recalculated by the spreadsheet and carry their results: the shown
        // minutes, so the days add up to the total.
        QCOMPARE(cell(6, 30)[0].toString(), QString("=SUM(C7:AD7)"));
        QCOMPARE(cell(9, 1)[0].toString(), QString("Total"));
        QCOMPARE(cell(9, 2)[0].toString(), QString("=SUM(C6:C9)"));
        const QJsonArray cached = book["cached"].toArray();
        QCOMPARE(cached[2].toDouble(), 29160.0 + 60);
        double days = 0;
        for (int d = 2; d < 30; ++d)
            days += cell(6, d)[0].toDouble();
        QCOMPARE(book["sheet"].toArray()[6].toArray()[30].toArray()[0].toString(), QString("=SUM(C7:AD7)"));
        QCOMPARE(days, 47160.0);

        // Every event of the month in file order, denied ones too, nothing of March.
        const QJsonArray events = book["events"].toArray();
        QCOMPARE(events.size(), 1 + 9);
        QCOMPARE(events[0].toArray(), QJsonArray({"Date", "Time", "User", "Name", "Port", "Status"}));
        QCOMPARE(events[3].toArray(), QJsonArray({"2021-02-01T00:00:00", "09:00:00", "0003", "Nowak", "IN", "denied"}));
        QCOMPARE(events[9].toArray()[0].toString(), QString("2021-02-06T00:00:00"));

        // Polish is the default language.
        QCOMPARE(Timesheet({"--month", "2021-02", "--format=xlsx", "-o", path, dir.path()}).status, 0);
        book = ReadBack(path);
        QCOMPARE(book["sheets"].toArray(), QJsonArray({QString::fromUtf8("Lista obecności"), "Lista zdarzeń"}));
        QCOMPARE(book["events"].toArray()[0].toArray()[5].toString(), QString("Status"));
        QCOMPARE(book["sheet"].toArray()[9].toArray()[1].toArray()[0].toString(), QString("Razem"));

        // A month without events still has its totals row.
        QCOMPARE(Timesheet({"--month", "2021-04", "--active-only", "--format=xlsx", "-o", path, dir.path()}).status, 0);
        QCOMPARE(ReadBack(path)["size"].toArray(), QJsonArray({6, 33}));
    }

    // A damaged cluster's 65,536-byte line and a month longer than a sheet do not stop the
    // export: the cell is cut to the spreadsheet's 32,767 characters with a mark, and the events
    // go on in a further sheet (here a sheet of four rows: three events under the header).
    void overLongLinesAndMonthsGoOn()
    {
        qtx::EventStore store;
        const auto day = static_cast<std::int32_t>(QDate(2021, 2, 1).toJulianDay());
        store.AppendLine(EventLine("0001", 8, 0, 0, true, true, "d", QByteArray(65536, 'x')), day);
        for (int i = 1; i < 7; ++i)
            store.AppendLine(EventLine("0002", 8, i, 0, true, true, "d", "IN"), day);
        qtx::TimesheetTexts texts;
        texts.timesheetSheet = "Timesheet";
        texts.eventsSheet = "Events";
        texts.cutMark = " [cut]";
        const qtx::Timesheet sheet = qtx::ComputeTimesheet(store, 2021, 2, qtx::CountingMode::Daily, {"IN", "OUT"}, {});
        QTemporaryDir dir;
        const QString path = dir.filePath("long.xlsx");
        qtx::WriteTimesheetXlsx(path, sheet, store, qtx::UserFilter::All(), {}, texts, {}, {}, {32767, 4});
        const QJsonArray more = ReadBack(path)["more"].toArray();
        QCOMPARE(more.size(), 3);
        for (int i = 0; i < 3; ++i) {
            const QJsonArray s = more[i].toArray();
            QCOMPARE(s[0].toString(), i == 0 ? QString("Events") : QString("Events (%1)").arg(i + 1));
            QCOMPARE(s[1].toInt(), i < 2 ? 4 : 2);
            QCOMPARE(s[2].toString(), QString("$1:$1"));
        }
        const QString port = ReadBack(path)["events"].toArray()[1].toArray()[4].toString();
        QCOMPARE(port.size(), 32767);
        QVERIFY(port.endsWith("xxx [cut]"));
        QCOMPARE(more[2].toArray()[10].toString(), QString("08:06:00")); // the last event
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

        // A name that is not a date is skipped and said; the exit status tells.
        WriteBytes(dir.filePath("notes.csv"), "x\r\n");
        run = Timesheet({"--month", "2021-02", dir.path()});
        QCOMPARE(run.status, 3);
        QVERIFY(run.out.startsWith("id,name,"));
        QVERIFY(run.err.contains("skipped notes.csv"));

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
    }
};

QTEST_GUILESS_MAIN(TimesheetCommandTest)
#include "timesheet_command_test.moc"
