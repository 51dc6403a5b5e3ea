// The site archive on a real engine: SQLite in a temporary file, or the PostgreSQL cluster that
// scripts/with-postgres.sh started (QTX_TEST_PG). The same cases run on both.

#include "archive/archive_test_data.h"
#include "archive/event_store.h"
#include "archive/statistics.h"
#include "archive/timesheet.h"
#include "site/site_archive.h"
#include "site/site_database.h"
#include "site/site_import.h"
#include "support/qtxctl_process.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <set>

using namespace qtx;
using namespace qtx::test;

namespace {

bool OnPostgres()
{
    return qEnvironmentVariableIsSet("QTX_TEST_PG");
}

// A location with an empty archive: a new SQLite file, or the cluster with its tables dropped.
QString FreshDb(const QTemporaryDir& dir)
{
    if (!OnPostgres())
        return dir.filePath(QStringLiteral("site.sqlite"));
    const QString db = qEnvironmentVariable("QTX_TEST_PG");
    OpenPostgres(db)->Exec("DROP TABLE IF EXISTS events, imports, people, doors CASCADE");
    return db;
}

const QByteArray In = "Wej\x9c"
                      "cie";
const QByteArray Out = "Wyj\x9c"
                       "cie";

void WriteCard(const QString& folder, const QByteArray& entrance, const QByteArray& exit)
{
    QDir().mkpath(folder);
    WriteBytes(folder + "/KONFOUT.TXT", "DeviceID=test\r\nport0=" + entrance + "\r\nport1=" + exit + "\r\n");
}

// A line of a given date (the reader takes the date from the file name; the line's own is kept as written).
QByteArray Line(const QByteArray& user, int h, int m, const QByteArray& port, bool accepted = true)
{
    return EventLine(user, h, m, 0, accepted, true, "name " + user, port);
}

// Everything the archive holds of its events and imports, ids replaced by file names.
QStringList Snapshot(SiteDatabase& db)
{
    QStringList rows;
    db.Sql().Exec("SELECT d.name, i.file, i.size, i.hash, i.lines FROM imports i JOIN doors d ON d.id = i.door", {},
                  [&rows](const SqlRow& r) {
                      rows << QStringLiteral("import %1 %2 %3 %4 %5")
                                  .arg(r.Text(0), r.Text(1))
                                  .arg(r.Int(2))
                                  .arg(QString::fromLatin1(r.Blob(3).toHex()))
                                  .arg(r.Int(4));
                  });
    db.Sql().Exec("SELECT d.name, i.file, e.line, e.day, e.time, e.user_number, e.accepted, e.by_card, e.detail, "
                  "e.port FROM events e JOIN imports i ON i.id = e.file JOIN doors d ON d.id = e.door",
                  {}, [&rows](const SqlRow& r) {
                      rows << QStringLiteral("event %1 %2 %3 %4 %5 %6 %7 %8 %9 %10")
                                  .arg(r.Text(0), r.Text(1))
                                  .arg(r.Int(2))
                                  .arg(r.Int(3))
                                  .arg(r.Int(4))
                                  .arg(QString::fromLatin1(r.Blob(5).toHex()))
                                  .arg(r.Int(6))
                                  .arg(r.Int(7))
                                  .arg(QString::fromLatin1(r.Blob(8).toHex()), QString::fromLatin1(r.Blob(9).toHex()));
                  });
    rows.sort();
    return rows;
}

std::int64_t Count(SiteDatabase& db, const std::string& sql)
{
    std::int64_t n = -1;
    db.Sql().Exec(sql, {}, [&n](const SqlRow& r) { n = r.Int(0); });
    return n;
}

// A card big enough that an import takes a while: files of 4,000 lines.
void WriteBigCard(const QString& folder, int files)
{
    WriteCard(folder, In, Out);
    for (int f = 0; f < files; ++f) {
        QList<QByteArray> lines;
        for (int k = 0; k < 4000; ++k)
            lines.append(Line(QByteArray::number(k % 300).rightJustified(4, '0'), k * 86400 / 4000 / 3600,
                              k * 86400 / 4000 / 60 % 60, k % 600 < 300 ? In : Out, k % 40 != 0));
        WriteBytes(QStringLiteral("%1/2021%2.csv").arg(folder).arg(101 + f, 4, 10, QLatin1Char('0')), EventFile(lines));
    }
}

// Waits until the process has said "N/" on standard error (its progress), up to 60 s.
bool WaitForFile(QProcess& process, int n, QByteArray& err)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 60000 && process.state() != QProcess::NotRunning) {
        QTest::qWait(2);
        err += process.readAllStandardError();
        if (err.contains("\n" + QByteArray::number(n) + "/") || err.startsWith(QByteArray::number(n) + "/"))
            return true;
    }
    return false;
}

// Every sheet's cells as openpyxl reads them: one array of rows per sheet.
QJsonArray ReadCells(const QString& path)
{
    QProcess python;
    python.start(QStringLiteral(QTX_SYSTEM_PYTHON),
                 {"-c",
                  "import json, sys, openpyxl\n"
                  "book = openpyxl.load_workbook(sys.argv[1])\n"
                  "print(json.dumps([[[str(c.value) for c in row] for row in ws.iter_rows()] for ws in book]))\n",
                  path});
    if (!python.waitForFinished(60000) || python.exitCode() != 0)
        qFatal("openpyxl could not read %s: %s", qPrintable(path), python.readAllStandardError().constData());
    return QJsonDocument::fromJson(python.readAllStandardOutput()).array();
}

void CompareFigures(const MonthFigures& a, const MonthFigures& b)
{
    QCOMPARE(a.days, b.days);
    QCOMPARE(a.hits, b.hits);
    QCOMPARE(a.seconds, b.seconds);
    for (std::size_t d = 0; d < static_cast<std::size_t>(a.days); ++d) {
        QCOMPARE(a.day[d].hits, b.day[d].hits);
        QCOMPARE(a.day[d].users, b.day[d].users);
        QCOMPARE(a.day[d].seconds, b.day[d].seconds);
    }
}

void CompareSheets(const Timesheet& a, const Timesheet& b)
{
    QCOMPARE(a.rows.size(), b.rows.size());
    for (std::size_t i = 0; i < a.rows.size(); ++i) {
        QCOMPARE(a.rows[i].userNumber, b.rows[i].userNumber);
        QCOMPARE(a.rows[i].name, b.rows[i].name);
        QVERIFY(a.rows[i].seconds == b.rows[i].seconds);
    }
    QVERIFY(a.dayTotals == b.dayTotals);
    QCOMPARE(a.total, b.total);
}

} // namespace

class SiteTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { qInfo("engine: %s", OnPostgres() ? "PostgreSQL" : "SQLite"); }

    // One door's figures equal the card folder's, every mode, on every fixture we have.
    void oneDoorEqualsItsCard_data()
    {
        QTest::addColumn<QString>("card");
        QTest::newRow("demo card") << QStringLiteral(QTX_DEMO_CARD);
        QTest::newRow("report workspace") << QStringLiteral("report");
        QTest::newRow("two files of a day, times out of order") << QStringLiteral("odd");
        QTest::newRow("entrance and exit of one name") << QStringLiteral("same");
    }
    void oneDoorEqualsItsCard()
    {
        QFETCH(QString, card);
        QTemporaryDir dir;
        if (!card.startsWith(QLatin1Char('/'))) {
            const QString folder = dir.filePath(card);
            WriteCard(folder, In, card == "same" ? In : Out);
            if (card == "report") {
                WriteBytes(folder + "/20210430.csv", EventFile({Line("0001", 8, 0, In)}));
                WriteBytes(folder + "/20210511.csv",
                           EventFile({Line("0001", 8, 0, In), Line("0002", 9, 0, In), Line("0001", 12, 0, Out),
                                      Line("0003", 12, 5, In, false), Line("0001", 13, 0, In), Line("0002", 16, 0, Out),
                                      Line("0001", 17, 30, Out)}));
                WriteBytes(folder + "/20210512.csv", EventFile({Line("0008", 6, 0, Out), Line("0008", 22, 0, In)}));
            } else {
                WriteBytes(folder + "/20210511.csv",
                           EventFile({Line("0001", 12, 0, Out), Line("0001", 8, 0, In), Line("0002", 9, 0, "other")}));
                WriteBytes(folder + "/20210511b.csv", EventFile({Line("0001", 7, 0, In), Line("0001", 18, 0, Out)}));
                WriteBytes(folder + "/20210601.csv", QByteArray("ID, DATA\r\n0001, 2021-06-01, 08:00"));
            }
            card = folder;
        }
        SiteDatabase db(SiteLocation::Parse(FreshDb(dir)));
        ImportCardFolder(db, "door", card);
        EventStore store;
        LoadEventFolder(store, card);
        std::set<std::pair<int, int>> months;
        for (const CEvent& e : store)
            months.insert({e.Date().year(), e.Date().month()});
        QVERIFY(!months.empty());
        SiteArchive site;
        site.Load(db, {});
        const PortNames& ports = site.Ports();
        const UserNames names = ReadWorkspaceUserNames(card);
        for (const auto& [year, month] : months)
            for (const CountingMode mode :
                 {CountingMode::Daily, CountingMode::DayNight, CountingMode::DailyIgnoreIoType}) {
                const PortNames cardPorts{site.Doors()[0].entrance, site.Doors()[0].exit};
                for (const UserFilter& filter : {UserFilter::All(), UserFilter::Number("0001")}) {
                    CompareFigures(ComputeMonthFigures(site.Store(), year, month, filter, mode, ports),
                                   ComputeMonthFigures(store, year, month, filter, mode, cardPorts));
                    if (QTest::currentTestFailed())
                        return;
                }
                CompareSheets(ComputeTimesheet(site.Store(), year, month, mode, ports, site.Names()),
                              ComputeTimesheet(store, year, month, mode, cardPorts, names));
                if (QTest::currentTestFailed())
                    return;
            }
    }

    // The command line gives the same report and timesheet as for the card folder, option for
    // option; the workbook differs only where it names the source: the heading and the events'
    // ports, which carry their door.
    void siteCommandsEqualCardCommands()
    {
        QTemporaryDir dir;
        const QString db = FreshDb(dir);
        const QString card = QStringLiteral(QTX_DEMO_CARD);
        QtxctlRun run = RunQtxctl({"site", "import", "--db", db, "--door", "Biuro", card});
        QCOMPARE(run.status, 0);
        QVERIFY(run.out.contains("61 new"));
        const QList<QStringList> options{{"--mode", "daily"},
                                         {"--mode", "daynight"},
                                         {"--mode", "span"},
                                         {"--entrance", "Wyjście główne", "--exit", "Wejście główne"}};
        const QList<QStringList> reportOptions{{}, {"--json", "--user", "0002"}};
        const QList<QStringList> sheetOptions{{}, {"--excel", "--lang", "en"}, {"--active-only"}, {"--seconds"}};
        for (const QStringList& common : options) {
            for (const QStringList& own : reportOptions) {
                const QStringList month = QStringList{"--month", "2025-03"} + common + own;
                run = RunQtxctl(QStringList{"site", "report", "--db", db} + month);
                QCOMPARE(run.status, 0);
                QCOMPARE(run.out, RunQtxctl(QStringList{"report"} + month + QStringList{card}).out);
            }
            for (const QStringList& own : sheetOptions) {
                const QStringList month = QStringList{"--month", "2025-04"} + common + own;
                run = RunQtxctl(QStringList{"site", "timesheet", "--db", db} + month);
                QCOMPARE(run.status, 0);
                QCOMPARE(run.out, RunQtxctl(QStringList{"timesheet"} + month + QStringList{card}).out);
            }
        }

        const QString siteBook = dir.filePath("site.xlsx");
        const QString cardBook = dir.filePath("card.xlsx");
        const QStringList xlsx{"--month", "2025-03", "--format", "xlsx", "-o"};
        QCOMPARE(RunQtxctl(QStringList{"site", "timesheet", "--db", db} + xlsx + QStringList{siteBook}).status, 0);
        QCOMPARE(RunQtxctl(QStringList{"timesheet"} + xlsx + QStringList{cardBook, card}).status, 0);
        const QVariantList site = ReadCells(siteBook).toVariantList();
        const QVariantList cardCells = ReadCells(cardBook).toVariantList();
        const auto text = [](const QVariantList& cells) {
            return QString::fromUtf8(QJsonDocument(QJsonArray::fromVariantList(cells)).toJson());
        };
        const QVariantList siteSheet = site[0].toList();
        const QVariantList cardSheet = cardCells[0].toList();
        const QString heading = text(siteSheet.mid(0, 4));
        QVERIFY2(heading.contains(QString::fromUtf8("Biuro: Wejście główne"))
                     && heading.contains(QString::fromUtf8("Biuro: Wyjście główne")) && heading.contains(": Biuro;")
                     && !heading.contains(card),
                 qPrintable(heading));
        QCOMPARE(text(siteSheet.mid(4)), text(cardSheet.mid(4)));
        QCOMPARE(text(site.mid(1)).remove("Biuro: "), text(cardCells.mid(1)));

        run = RunQtxctl({"site", "report", "--db", db, "--month", "2025-03", "--door", "Nowhere"});
        QCOMPARE(run.status, 1);
        QVERIFY(run.err.contains("no door named 'Nowhere'"));
    }

    // Three doors from one known day of movements: presence per person across doors.
    void threeDoors_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QStringList>("doors");
        QTest::addColumn<QByteArray>("expected"); // user:day1,day2 ... in seconds
        const QStringList all;
        QTest::newRow("daily") << 0 << all << QByteArray("0001:28800,0 0002:0,0 0003:10800,0 0004:16200,0");
        QTest::newRow("day and night") << 1 << all
                                       << QByteArray("0001:28800,0 0002:7200,21600 0003:10800,0 0004:16200,0");
        QTest::newRow("span") << 2 << all << QByteArray("0001:28800,0 0002:0,0 0003:10800,0 0004:36000,0");
        QTest::newRow("front door alone")
            << 0 << QStringList{"Front"} << QByteArray("0001:0,0 0002:0,0 0003:0,0 0004:36000,0");
    }
    void threeDoors()
    {
        QFETCH(int, mode);
        QFETCH(QStringList, doors);
        QFETCH(QByteArray, expected);
        QTemporaryDir dir;
        // Side's entrance has the name of Front's exit: only the door tells them apart.
        WriteCard(dir.filePath("front"), "In", "Out");
        WriteCard(dir.filePath("yard"), "Gate in", "Gate out");
        WriteCard(dir.filePath("side"), "Out", "Side out");
        WriteBytes(dir.filePath("front/20210511.csv"),
                   EventFile({Line("0004", 7, 0, "In"), Line("0001", 8, 0, "In"), Line("0003", 12, 0, "Out"),
                              Line("0004", 17, 0, "Out")}));
        WriteBytes(dir.filePath("front/20210512.csv"), EventFile({Line("0002", 6, 0, "Out")}));
        WriteBytes(dir.filePath("yard/20210511.csv"),
                   EventFile({Line("0004", 13, 0, "Gate in"), Line("0001", 16, 0, "Gate out"),
                              Line("0002", 22, 0, "Gate in")}));
        WriteBytes(dir.filePath("side/20210511.csv"),
                   EventFile({Line("0004", 7, 30, "Side out"), Line("0003", 9, 0, "Out")}));
        SiteDatabase db(SiteLocation::Parse(FreshDb(dir)));
        for (const char* door : {"front", "yard", "side"})
            ImportCardFolder(db, QString::fromLatin1(door).replace(0, 1, QChar::fromLatin1(door[0] - 32)),
                             dir.filePath(door));
        SiteArchive site;
        LoadSiteMonth(db, doors, 2021, 5, site);
        const Timesheet sheet =
            ComputeTimesheet(site.Store(), 2021, 5, static_cast<CountingMode>(mode), site.Ports(), site.Names());
        QByteArrayList got;
        for (const QByteArray user : {"0001", "0002", "0003", "0004"}) {
            auto row = std::find_if(sheet.rows.begin(), sheet.rows.end(),
                                    [&user](const TimesheetRow& r) { return r.userNumber == user; });
            const std::int64_t d1 = row == sheet.rows.end() ? 0 : row->seconds[10];
            const std::int64_t d2 = row == sheet.rows.end() ? 0 : row->seconds[11];
            got.append(user + ':' + QByteArray::number(d1) + ',' + QByteArray::number(d2));
        }
        QCOMPARE(got.join(' '), expected);
    }

    // Importing again: nothing for the same card, new lines of a grown day, a rewritten day replaced.
    void importIsIdempotent()
    {
        QTemporaryDir dir;
        const QString card = dir.filePath("card");
        WriteCard(card, In, Out);
        // The last line has no ending yet: the recorder was still writing it.
        const QByteArray day = EventFile({Line("0001", 8, 0, In), Line("0002", 9, 0, In)});
        WriteBytes(card + "/20210511.csv", day + Line("0001", 10, 0, Out).left(20));
        WriteBytes(card + "/20210512.csv", EventFile({Line("0001", 8, 0, In)}));
        SiteDatabase db(SiteLocation::Parse(FreshDb(dir)));
        SiteImportResult r = ImportCardFolder(db, "d", card);
        QCOMPARE(r.added, 2);
        QCOMPARE(r.events, 4);
        const QStringList first = Snapshot(db);
        r = ImportCardFolder(db, "d", card);
        QCOMPARE(r.unchanged, 2);
        QCOMPARE(r.events, 0);
        QCOMPARE(Snapshot(db), first);

        // The day grows: the cut line is completed and one more follows.
        WriteBytes(card + "/20210511.csv", day + Line("0001", 10, 0, Out) + "\r\n" + Line("0002", 11, 0, Out) + "\r\n");
        r = ImportCardFolder(db, "d", card);
        QCOMPARE(r.grown, 1);
        QCOMPARE(r.events, 2);
        // The day is rewritten (the card was cleared and the day written anew).
        WriteBytes(card + "/20210512.csv", EventFile({Line("0003", 7, 0, In)}));
        r = ImportCardFolder(db, "d", card);
        QCOMPARE(r.rewritten, 1);
        QCOMPARE(r.rewrittenFiles, QStringList{"20210512.csv"});
        // The database now holds what a first import of the card as it is holds.
        const QStringList grown = Snapshot(db);
        QTemporaryDir other;
        const QString otherDb = FreshDb(other);
        SiteDatabase fresh(SiteLocation::Parse(otherDb));
        ImportCardFolder(fresh, "d", card);
        QCOMPARE(Snapshot(fresh), grown);
        QCOMPARE(Count(fresh, "SELECT count(*) FROM events"), 5);
    }

    // Two operators import the same door at once: no event twice.
    void concurrentImportsOfOneDoor()
    {
        QTemporaryDir dir;
        const QString db = FreshDb(dir);
        const QString card = dir.filePath("card");
        WriteBigCard(card, 6);
        QProcess a, b;
        const QStringList arguments{"site", "import", "--db", db, "--door", "Hall", card};
        a.start(QStringLiteral(QTXCTL_PATH), arguments);
        b.start(QStringLiteral(QTXCTL_PATH), arguments);
        QVERIFY(a.waitForFinished(120000) && b.waitForFinished(120000));
        QVERIFY2(a.exitCode() == 0 && b.exitCode() == 0,
                 (a.readAllStandardError() + b.readAllStandardError()).constData());
        SiteDatabase site(SiteLocation::Parse(db));
        QCOMPARE(Count(site, "SELECT count(*) FROM events"), 6 * 4000);
        QCOMPARE(Count(site, "SELECT count(*) FROM imports"), 6);
    }

    // Killed in the middle of a file and run again: the same archive as an import never stopped.
    void killedImportResumes()
    {
        QTemporaryDir dir;
        const QString db = FreshDb(dir);
        const QString card = dir.filePath("card");
        WriteBigCard(card, 30);
        QProcess process;
        process.start(QStringLiteral(QTXCTL_PATH),
                      {"site", "import", "--progress", "--db", db, "--door", "Hall", card});
        QByteArray err;
        QVERIFY2(WaitForFile(process, 12, err), err.constData());
        process.kill();
        process.waitForFinished();
        QtxctlRun run = RunQtxctl({"site", "import", "--db", db, "--door", "Hall", card});
        QCOMPARE(run.status, 0);
        QVERIFY(!run.out.contains("30 new"));
        QStringList resumed;
        {
            SiteDatabase site(SiteLocation::Parse(db));
            resumed = Snapshot(site);
        }
        QTemporaryDir other;
        const QString otherDb = FreshDb(other);
        run = RunQtxctl({"site", "import", "--db", otherDb, "--door", "Hall", card});
        QCOMPARE(run.status, 0);
        SiteDatabase site(SiteLocation::Parse(otherDb));
        QCOMPARE(resumed.size(), 30 + 30 * 4000);
        QVERIFY(Snapshot(site) == resumed);
    }

    // A full disk under SQLite: said, exit 1, and no file half in the archive.
    void fullDiskKeepsFilesWhole()
    {
        if (OnPostgres())
            QSKIP("a full disk is an SQLite case");
        QTemporaryDir dir;
        const QString mount = dir.filePath("small");
        QDir().mkpath(mount);
        if (QProcess::execute("mount", {"-t", "tmpfs", "-o", "size=1m", "tmpfs", mount}) != 0)
            QSKIP("mounting a small tmpfs is not permitted here");
        const QString card = dir.filePath("card");
        WriteBigCard(card, 8);
        const QString db = mount + "/site.sqlite";
        const QtxctlRun run = RunQtxctl({"site", "import", "--db", db, "--door", "Hall", card});
        {
            SiteDatabase site(SiteLocation::Parse(db));
            // Every file in the archive has all its events.
            QCOMPARE(Count(site, "SELECT count(*) FROM imports WHERE lines - 1 <> (SELECT count(*) FROM events e "
                                 "WHERE e.file = imports.id)"),
                     0);
            QVERIFY(Count(site, "SELECT count(*) FROM imports") < 8);
        }
        QProcess::execute("umount", {mount});
        QCOMPARE(run.status, 1);
        QVERIFY2(run.err.contains("full"), run.err.constData());
    }

    // The server stops in the middle of an import: a clear message and exit 2.
    void serverStoppedMidImport()
    {
        if (!OnPostgres())
            QSKIP("a server only on PostgreSQL");
        QTemporaryDir dir;
        const QString db = FreshDb(dir);
        const QString card = dir.filePath("card");
        WriteBigCard(card, 30);
        QProcess process;
        process.start(QStringLiteral(QTXCTL_PATH),
                      {"site", "import", "--progress", "--db", db, "--door", "Hall", card});
        QByteArray err;
        QVERIFY2(WaitForFile(process, 5, err), err.constData());
        const QString ctl = qEnvironmentVariable("QTX_TEST_PG_CTL");
        QCOMPARE(QProcess::execute("bash", {ctl, "stop"}), 0);
        QVERIFY(process.waitForFinished(60000));
        err += process.readAllStandardError();
        QCOMPARE(QProcess::execute("bash", {ctl, "start"}), 0);
        QVERIFY2(process.exitCode() == 2, err.constData());
        QVERIFY2(err.contains("connection to the site database was lost") || err.contains("cannot connect"),
                 err.constData());
    }

    // Where the archive is: the forms of a location, and no password on the command line.
    void locations()
    {
        QCOMPARE(SiteLocation::Parse("/x/site.sqlite").engine, SiteEngine::Sqlite);
        QCOMPARE(SiteLocation::Parse("sqlite:/x/a").path, QString("/x/a"));
        QCOMPARE(SiteLocation::Parse("postgresql://u@h/db").engine, SiteEngine::Postgres);
        QCOMPARE(SiteLocation::Parse("service=site").engine, SiteEngine::Postgres);
        QVERIFY_THROWS_EXCEPTION(SiteError, ResolveSiteLocation("postgresql://u:secret@h/db"));
        QVERIFY_THROWS_EXCEPTION(SiteError, ResolveSiteLocation("host=h password=secret"));
        qputenv(SiteDatabaseVariable, "service=site");
        QCOMPARE(ResolveSiteLocation({}).connectionString, QString("service=site"));
        qunsetenv(SiteDatabaseVariable);
        QVERIFY(ResolveSiteLocation({}).path.endsWith("/qtx-manager/site.sqlite"));
    }
};

QTEST_GUILESS_MAIN(SiteTest)
#include "site_test.moc"
