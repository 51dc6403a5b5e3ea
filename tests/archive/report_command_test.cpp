// qtxctl report run as a process: the CSV a payroll clerk pastes, its options and its failures.

#include "archive/event_store.h"
#include "archive/statistics.h"
#include "archive_test_data.h"
#include "support/qtxctl_process.h"

#include <QTemporaryDir>
#include <QTest>

using namespace qtx;
using namespace qtx::test;

namespace {

using Run = QtxctlRun;

Run Report(const QStringList& arguments)
{
    return RunQtxctl(QStringList{"report"} + arguments);
}

QList<QByteArray> Rows(const QByteArray& csv)
{
    QList<QByteArray> rows = csv.split('\n');
    if (!rows.isEmpty() && rows.last().isEmpty())
        rows.removeLast();
    return rows;
}

// A workspace whose entrance is "Wejście" and exit "Wyjście" (cp1250), with events on 11 and
// 12 May 2021 and one on 30 April.
void MakeWorkspace(const QTemporaryDir& dir)
{
    const QByteArray in = "Wej\x9c"
                          "cie";
    const QByteArray out = "Wyj\x9c"
                           "cie";
    WriteBytes(dir.filePath("KONFOUT.TXT"), "DeviceID=test\r\nport0=" + in + "\r\nport1=" + out + "\r\n");
    WriteBytes(dir.filePath("20210430.csv"), EventFile({EventLine("0001", 8, 0, 0, true, true, "d", in)}));
    WriteBytes(dir.filePath("20210511.csv"), EventFile({EventLine("0001", 8, 0, 0, true, true, "Anna", in),
                                                        EventLine("0002", 9, 0, 0, true, false, "Piotr", in),
                                                        EventLine("0001", 12, 0, 0, true, true, "Anna", out),
                                                        EventLine("0003", 12, 5, 0, false, true, "nieznana", in),
                                                        EventLine("0001", 13, 0, 0, true, true, "Anna", in),
                                                        EventLine("0002", 16, 0, 0, true, false, "Piotr", out),
                                                        EventLine("0001", 17, 30, 0, true, true, "Anna", out)}));
    WriteBytes(dir.filePath("20210512.csv"), EventFile({EventLine("0008", 6, 0, 0, true, true, "Jan", out),
                                                        EventLine("0008", 22, 0, 0, true, true, "Jan", in)}));
}

} // namespace

class ReportCommandTest : public QObject {
    Q_OBJECT

private slots:
    void dailyReportOfAMonth()
    {
        QTemporaryDir dir;
        MakeWorkspace(dir);
        const Run run = Report({"--month", "2021-05", dir.path()});
        QCOMPARE(run.status, 0);
        QVERIFY2(run.err.isEmpty(), run.err.constData());
        const QList<QByteArray> rows = Rows(run.out);
        QCOMPARE(rows.size(), 1 + 31 + 1);
        QCOMPARE(rows[0], QByteArray("date,hits,users,seconds,time\r"));
        QCOMPARE(rows[1], QByteArray("2021-05-01,0,0,0,0min\r"));
        QCOMPARE(rows[11], QByteArray("2021-05-11,6,2,55800,\"15h, 30min\"\r"));
        QCOMPARE(rows[12], QByteArray("2021-05-12,2,1,0,0min\r"));
        QCOMPARE(rows[31], QByteArray("2021-05-31,0,0,0,0min\r"));
        QCOMPARE(rows[32], QByteArray("total,8,,55800,\"15h, 30min\"\r"));
        QVERIFY(run.out.endsWith("\r\n"));
    }

    void modesUsersAndPortNames()
    {
        QTemporaryDir dir;
        MakeWorkspace(dir);
        Run run = Report({"--month=2021-05", "--mode", "daynight", dir.path()});
        QCOMPARE(run.status, 0);
        QList<QByteArray> rows = Rows(run.out);
        QCOMPARE(rows[12], QByteArray("2021-05-12,2,1,28800,\"8h, 0min\"\r"));
        QCOMPARE(rows[32], QByteArray("total,8,,84600,\"23h, 30min\"\r"));

        run = Report({"--month", "2021-05", "--mode", "span", "--user", "0002 - Piotr", dir.path()});
        rows = Rows(run.out);
        QCOMPARE(rows[11], QByteArray("2021-05-11,2,1,25200,\"7h, 0min\"\r"));
        QCOMPARE(rows[32], QByteArray("total,2,,25200,\"7h, 0min\"\r"));

        // Names given on the command line replace those of the report; here they match nothing,
        // so the events pair by position.
        run = Report({"--month", "2021-05", "--entrance", "A", "--exit", "B", "--user", "0001", dir.path()});
        rows = Rows(run.out);
        QCOMPARE(rows[11], QByteArray("2021-05-11,4,1,30600,\"8h, 30min\"\r"));
        // Names typed in UTF-8 are compared as the recorder writes them.
        run = Report(
            {"--month", "2021-05", "--entrance", "Wejście", "--exit", "Wyjście", "--mode", "daynight", dir.path()});
        QCOMPARE(Rows(run.out)[12], QByteArray("2021-05-12,2,1,28800,\"8h, 0min\"\r"));
        // A month without events.
        run = Report({"--month", "2024-02", dir.path()});
        rows = Rows(run.out);
        QCOMPARE(rows.size(), 1 + 29 + 1);
        QCOMPARE(rows.last(), QByteArray("total,0,,0,0min\r"));
    }

    void agreesWithTheCalendarOnTheDemoCard()
    {
        const Run run = Report({"--month", "2025-03", "--mode", "daynight", QTX_DEMO_CARD});
        QCOMPARE(run.status, 0);
        EventStore store;
        LoadEventFolder(store, QTX_DEMO_CARD);
        const MonthFigures m = ComputeMonthFigures(store, 2025, 3, UserFilter::All(), CountingMode::DayNight,
                                                   PortNames{"Wej\x9c"
                                                             "cie g\xb3\xf3wne",
                                                             "Wyj\x9c"
                                                             "cie g\xb3\xf3wne"});
        QVERIFY(m.hits > 300);
        const QList<QByteArray> rows = Rows(run.out);
        for (int d = 1; d <= 31; ++d) {
            const DayFigures& f = m.day[static_cast<std::size_t>(d - 1)];
            QVERIFY(rows[d].startsWith(QString("2025-03-%1,%2,%3,%4,")
                                           .arg(d, 2, 10, QLatin1Char('0'))
                                           .arg(f.hits)
                                           .arg(f.users)
                                           .arg(f.seconds)
                                           .toLatin1()));
        }
        QVERIFY(rows[32].startsWith("total," + QByteArray::number(m.hits) + ",," + QByteArray::number(m.seconds)));
    }

    void failures()
    {
        QTemporaryDir dir;
        MakeWorkspace(dir);
        const QByteArray full = Report({"--month", "2021-05", dir.path()}).out;
        // Only the month's files (and the day before it) are read: a file of another month that
        // cannot be read does not matter. A name that is not a date is skipped, said, and the
        // exit status tells.
        QVERIFY(QFile::link(dir.filePath("gone"), dir.filePath("20200101.csv")));
        WriteBytes(dir.filePath("notes.csv"), "x\r\n");
        Run run = Report({"--month", "2021-05", dir.path()});
        QCOMPARE(run.status, 3);
        QCOMPARE(run.out, full);
        QVERIFY(run.err.contains("warning: skipped notes.csv: the file name is not a date"));
        QVERIFY(!run.err.contains("20200101"));

        QTemporaryDir noReport;
        WriteBytes(noReport.filePath("20210511.csv"), "h\r\n");
        run = Report({"--month", "2021-05", noReport.path()});
        QCOMPARE(run.status, 1);
        QVERIFY(run.err.contains("KONFOUT.TXT"));
        QCOMPARE(Report({"--month", "2021-05", "--entrance", "A", "--exit", "B", noReport.path()}).status, 0);
    }
};

QTEST_GUILESS_MAIN(ReportCommandTest)
#include "report_command_test.moc"
