// Event files: dates from names, the positional line reader, event counts, loading files into
// the store with line progress, the folder lister, the store's day index and the user filter's
// reading of the user list.

#include "archive/day_event_model.h"
#include "archive/event_store.h"
#include "archive_test_data.h"
#include "base/errors.h"

#include <QAbstractItemModelTester>
#include <QTemporaryDir>
#include <QTest>

using namespace qtx;
using namespace qtx::test;

namespace {

CEvent Parse(const QByteArray& line, TextPool& texts)
{
    return ParseEventLine(line, 2459346, texts);
}

QString DateErrorOf(const QString& name)
{
    try {
        ParseEventFileName(name);
    } catch (const FormatError& e) {
        return e.message();
    }
    return QString();
}

} // namespace

class EventFileTest : public QObject {
    Q_OBJECT

private slots:
    void fileNameGivesTheDate_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QDate>("date");
        QTest::newRow("csv") << "20210511.csv" << QDate(2021, 5, 11);
        QTest::newRow("CSV") << "20210511.CSV" << QDate(2021, 5, 11);
        QTest::newRow("more before the extension") << "20210511_copy 2.csv" << QDate(2021, 5, 11);
        QTest::newRow("folder with slashes") << "/media/sd/2019.card/20210511.csv" << QDate(2021, 5, 11);
        QTest::newRow("folder with backslashes") << "E:\\card\\20210511.csv" << QDate(2021, 5, 11);
        QTest::newRow("leap day") << "20240229.csv" << QDate(2024, 2, 29);
        QTest::newRow("blanks and a sign read as numbers") << " 999+1+1.csv" << QDate(999, 1, 1);
    }
    void fileNameGivesTheDate()
    {
        QFETCH(QString, path);
        QFETCH(QDate, date);
        QCOMPARE(ParseEventFileName(path), date);
    }

    void fileNameThatIsNoDateStopsWithTheDateError_data()
    {
        QTest::addColumn<QString>("path");
        QTest::newRow("notes") << "notes.csv";
        QTest::newRow("not a leap year") << "20230229.csv";
        QTest::newRow("month 13") << "20211301.csv";
        QTest::newRow("day 0") << "20210500.csv";
        QTest::newRow("year 0") << "00000101.csv";
        QTest::newRow("seven digits") << "2021051.csv";
        QTest::newRow("date only in the folder") << "20210511/x.csv";
        QTest::newRow("empty") << "";
    }
    void fileNameThatIsNoDateStopsWithTheDateError()
    {
        QFETCH(QString, path);
        QCOMPARE(DateErrorOf(path), QString("Invalid argument to date encode"));
    }

    void fieldNumbers()
    {
        QCOMPARE(FieldNumber(QByteArrayView("08")), 8);
        QCOMPARE(FieldNumber(QByteArrayView(" 7")), 7);
        QCOMPARE(FieldNumber(QByteArrayView("-5")), -5);
        QCOMPARE(FieldNumber(QByteArrayView("+5")), 5);
        QCOMPARE(FieldNumber(QByteArrayView("9")), 9);
        QCOMPARE(FieldNumber(QByteArrayView("7:")), 0);
        QCOMPARE(FieldNumber(QByteArrayView("7 ")), 0);
        QCOMPARE(FieldNumber(QByteArrayView("  ")), 0);
        QCOMPARE(FieldNumber(QByteArrayView("-")), 0);
        QCOMPARE(FieldNumber(QByteArrayView("ab")), 0);
        QCOMPARE(FieldNumber(QByteArrayView("")), 0);
    }

    void wellFormedLine()
    {
        TextPool texts;
        const CEvent e = Parse("0012, 2021-05-11, 08:05:12, 1k, Anna Kowalska, Wej\x9c"
                               "cie,",
                               texts);
        QCOMPARE(e.userNumber(), QByteArrayView("0012"));
        QCOMPARE(e.day, 2459346);
        QCOMPARE(e.Date(), QDate(2021, 5, 11));
        QCOMPARE(e.hour, 8);
        QCOMPARE(e.minute, 5);
        QCOMPARE(e.second, 12);
        QVERIFY(e.accepted);
        QVERIFY(e.byCard);
        QCOMPARE(texts.Text(e.detail), QByteArrayView("Anna Kowalska"));
        QCOMPARE(texts.Text(e.portName), QByteArrayView("Wej\x9c"
                                                        "cie"));
        QCOMPARE(e.SecondsOfDay(), 8 * 3600 + 5 * 60 + 12);
    }

    void flagsAreExactCharacters_data()
    {
        QTest::addColumn<QByteArray>("flags");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<bool>("byCard");
        QTest::newRow("1k") << QByteArray("1k") << true << true;
        QTest::newRow("0k") << QByteArray("0k") << false << true;
        QTest::newRow("2k") << QByteArray("2k") << false << true;
        QTest::newRow("space") << QByteArray(" k") << false << true;
        QTest::newRow("K upper case is a PIN") << QByteArray("1K") << true << false;
        QTest::newRow("p") << QByteArray("1p") << true << false;
    }
    void flagsAreExactCharacters()
    {
        QFETCH(QByteArray, flags);
        QFETCH(bool, accepted);
        QFETCH(bool, byCard);
        TextPool texts;
        const CEvent e = Parse("0001, 2021-05-11, 08:00:00, " + flags + ", x, IN,", texts);
        QCOMPARE(e.accepted, accepted);
        QCOMPARE(e.byCard, byCard);
    }

    void oddLines()
    {
        TextPool texts;
        // The user number is kept as written, blanks and leading zeros included.
        QCOMPARE(Parse(" 012, 2021-05-11, 08:00:00, 1k, d, IN,", texts).userNumber(), QByteArrayView(" 012"));
        // No comma after column 32: no detail, the port is the rest from column 34 less its last character.
        CEvent e = Parse("0001, 2021-05-11, 08:00:00, 1k, Wejscie glowne;", texts);
        QCOMPARE(texts.Text(e.detail), QByteArrayView(""));
        QCOMPARE(texts.Text(e.portName), QByteArrayView("ejscie glowne"));
        // Nothing after the port name: its own last character is lost.
        e = Parse("0001, 2021-05-11, 08:00:00, 1k, d, IN", texts);
        QCOMPARE(texts.Text(e.portName), QByteArrayView("I"));
        // A comma right at column 33: empty detail, the port follows.
        e = Parse("0001, 2021-05-11, 08:00:00, 1k, , OUT;", texts);
        QCOMPARE(texts.Text(e.detail), QByteArrayView(""));
        QCOMPARE(texts.Text(e.portName), QByteArrayView("OUT"));
        // An hour of a digit and a colon is not a number; a blank before a digit is.
        e = Parse("0001, 2021-05-11, 7:: 5: 9, 1k, d, IN,", texts);
        QCOMPARE(e.hour, 0);
        QCOMPARE(e.minute, 5);
        QCOMPARE(e.second, 9);
        // Fields beyond their ranges are kept.
        e = Parse("0001, 2021-05-11, 99:-9:75, 1k, d, IN,", texts);
        QCOMPARE(e.SecondsOfDay(), 99 * 3600 - 9 * 60 + 75);
    }

    void shortAndEmptyLinesStillGiveRecords()
    {
        TextPool texts;
        const CEvent empty = Parse("", texts);
        QCOMPARE(empty.userNumber(), QByteArrayView(""));
        QCOMPARE(empty.SecondsOfDay(), 0);
        QVERIFY(!empty.accepted);
        QVERIFY(!empty.byCard);
        QCOMPARE(texts.Text(empty.detail), QByteArrayView(""));
        QCOMPARE(texts.Text(empty.portName), QByteArrayView(""));
        QCOMPARE(empty.day, 2459346);

        QCOMPARE(Parse("00", texts).userNumber(), QByteArrayView("00"));
        const CEvent cut = Parse("0003, 2021-05-11, 12:3", texts);
        QCOMPARE(cut.hour, 12);
        QCOMPARE(cut.minute, 3);
        QCOMPARE(cut.second, 0);
        QCOMPARE(texts.Text(cut.portName), QByteArrayView(""));
        const CEvent noPort = Parse("0003, 2021-05-11, 12:30:00, 1k, detail", texts);
        QCOMPARE(texts.Text(noPort.detail), QByteArrayView(""));
        QCOMPARE(texts.Text(noPort.portName), QByteArrayView("etai"));
    }

    void textPoolInternsEqualTexts()
    {
        TextPool texts;
        QCOMPARE(texts.Intern(""), TextPool::EmptyText);
        const TextPool::Id in = texts.Intern("IN");
        QCOMPARE(texts.Intern(QByteArray("IN")), in);
        QCOMPARE(texts.Find("IN"), in);
        QCOMPARE(texts.Find("in"), TextPool::NoText);
        QCOMPARE(texts.Intern(QByteArrayView("A\0B", 3)), texts.Intern(QByteArrayView("A\0B", 3)));
        QVERIFY(texts.Intern(QByteArrayView("A\0B", 3)) != texts.Intern("A"));
        // Many texts: the table grows and every text keeps its number.
        QList<TextPool::Id> ids;
        for (int i = 0; i < 5000; ++i)
            ids << texts.Intern(QByteArray::number(i));
        for (int i = 0; i < 5000; ++i) {
            QCOMPARE(texts.Find(QByteArray::number(i)), ids[i]);
            QCOMPARE(texts.Text(ids[i]), QByteArrayView(QByteArray::number(i)));
        }
        texts.Clear();
        QCOMPARE(texts.Find("IN"), TextPool::NoText);
        QCOMPARE(texts.Count(), std::size_t(1));
    }

    void eventCountsAndLineEnds()
    {
        QCOMPARE(EventCountOfData(""), 0);
        QCOMPARE(EventCountOfData("header only\r\n"), 0);
        QCOMPARE(EventCountOfData("header only"), 0);
        QCOMPARE(EventCountOfData("h\r\na\r\nb\r\n"), 2);
        QCOMPARE(EventCountOfData("h\ra\nb\r\nc"), 3);
        QCOMPARE(EventCountOfData("h\r\n\r\n\n"), 2); // empty lines are events too
        QCOMPARE(EventCountOfData("h\r\r\n"), 1);
    }

    void appendingAFileSkipsTheHeaderAndKeepsLineOrder()
    {
        EventStore store;
        AppendEventFileData(store, "20210511.csv",
                            EventFile({EventLine("0002", 9, 0, 0, true, true, "b", "OUT"),
                                       EventLine("0001", 8, 0, 0, false, false, "a", "IN")}));
        AppendEventFileData(store, "20210512.csv", "\n\r\n");
        QCOMPARE(store.Size(), std::size_t(3));
        QCOMPARE(store[0].userNumber(), QByteArrayView("0002"));
        QCOMPARE(store[1].userNumber(), QByteArrayView("0001"));
        QCOMPARE(store[2].Date(), QDate(2021, 5, 12));
        QCOMPARE(store.PortName(store[0]), QByteArrayView("OUT"));
        QCOMPARE(store.Detail(store[1]), QByteArrayView("a"));

        // Only a header, or nothing at all: no event and no error.
        AppendEventFileData(store, "20210513.csv", "ID, DATA\r\n");
        AppendEventFileData(store, "20210514.csv", "");
        QCOMPARE(store.Size(), std::size_t(3));
        // A bad name fails even for an empty file, and adds nothing.
        QVERIFY_THROWS_EXCEPTION(FormatError, AppendEventFileData(store, "notes.csv", "h\r\nx\r\n"));
        QCOMPARE(store.Size(), std::size_t(3));
    }

    void linePercentIsReportedOnlyWhenItChanges()
    {
        EventStore store;
        QList<int> seen;
        const auto record = [&seen](int p) { seen << p; };
        QList<QByteArray> lines(250, EventLine("0001", 8, 0, 0, true, true, "d", "IN"));
        AppendEventFileData(store, "20210511.csv", EventFile(lines), 0, record);
        QCOMPARE(seen.size(), 100);
        for (int i = 0; i < 100; ++i)
            QCOMPARE(seen[i], i + 1);

        seen.clear();
        AppendEventFileData(store, "20210511.csv", EventFile(lines.mid(0, 3)), 0, record);
        QCOMPARE(seen, (QList<int>{33, 66, 100}));
        seen.clear();
        // The bar already stands at 100 from an earlier file: the first changes are the ones reported.
        AppendEventFileData(store, "20210511.csv", EventFile(lines.mid(0, 1)), 100, record);
        QVERIFY(seen.isEmpty());
    }

    void loadingAFolderStopsAtTheFirstBadFile()
    {
        QTemporaryDir dir;
        const QByteArray events = EventFile({EventLine("0001", 8, 0, 0, true, true, "d", "IN")});
        WriteBytes(dir.filePath("20210511.csv"), events);
        WriteBytes(dir.filePath("20210512.CSV"), events);
        WriteBytes(dir.filePath("notes.csv"), events);
        WriteBytes(dir.filePath("zz20210513.csv"), events);
        WriteBytes(dir.filePath("20210514.txt"), events);
        QCOMPARE(ListEventFiles(dir.path()),
                 (QStringList{"20210511.csv", "20210512.CSV", "notes.csv", "zz20210513.csv"}));
        EventStore store;
        QVERIFY_THROWS_EXCEPTION(FormatError, LoadEventFolder(store, dir.path()));
        QCOMPARE(store.Size(), std::size_t(2)); // the files before the bad one stay loaded
        QVERIFY_THROWS_EXCEPTION(FileError, LoadEventFile(store, dir.filePath("20210515.csv")));
        QVERIFY_THROWS_EXCEPTION(FileError, LoadEventFile(store, dir.path()));
    }

    void listerSortsWithoutRegardToCaseAndSkipsHiddenFiles()
    {
        QTemporaryDir dir;
        // "._a.csv" is what a Mac leaves beside each file of a card it has seen.
        for (const char* name : {"b.csv", "A.CSV", "a.csv", "C.Csv", "d.csvx", "e.txt", "._a.csv", ".csv"})
            WriteBytes(dir.filePath(name), "");
        QDir(dir.path()).mkdir("folder.csv");
        QCOMPARE(ListEventFiles(dir.path()), (QStringList{"A.CSV", "a.csv", "b.csv", "C.Csv"}));
        QTemporaryDir empty;
        QVERIFY(ListEventFiles(empty.path()).isEmpty());
    }

    void dayIndexFindsEveryEventOfADay()
    {
        EventStore store;
        const auto add = [&store](QDate date, QByteArrayView user) {
            store.AppendLine(user.toByteArray() + ", 2021-05-11, 08:00:00, 1k, d, IN,",
                             static_cast<std::int32_t>(date.toJulianDay()));
        };
        const QDate may11(2021, 5, 11);
        const QDate may12(2021, 5, 12);
        add(may11, "0001");
        add(may11, "0002");
        add(may12, "0003");
        // A file of an earlier day loaded after a later one (a name that sorts out of date order).
        add(may11, "0004");
        const std::uint64_t before = store.Generation();
        add(QDate(2021, 5, 10), "0005");
        QVERIFY(store.Generation() != before);

        QList<QByteArray> users;
        store.ForEachOfDay(static_cast<std::int32_t>(may11.toJulianDay()),
                           [&users](const CEvent& e) { users << e.userNumber().toByteArray(); });
        QCOMPARE(users, (QList<QByteArray>{"0001", "0002", "0004"}));
        QCOMPARE(store.RunsOfDay(static_cast<std::int32_t>(may12.toJulianDay())).size(), std::size_t(1));
        QVERIFY(store.RunsOfDay(static_cast<std::int32_t>(QDate(2021, 5, 13).toJulianDay())).empty());

        store.Clear();
        QVERIFY(store.IsEmpty());
        QVERIFY(store.RunsOfDay(static_cast<std::int32_t>(may11.toJulianDay())).empty());
    }

    void userFilterEntriesFromTheUserList()
    {
        const auto record = [](const QByteArray& id, const QByteArray& pin, const QByteArray& name) {
            return QByteArray(8, '\x01') + id + 'u' + '\0' + pin + '\0' + name + "\r\n";
        };
        const QByteArray three = record("0001", "\x11\x22", "Anna") + record("0012", "", "Piotr Nowak")
                                 + record("0003", "\x33", "Wi\x9cniewska");
        QList<UserFilterEntry> entries = ReadUserFilterEntries(three);
        QCOMPARE(entries.size(), 3);
        QCOMPARE(entries[0].userNumber, QByteArray("0001"));
        QCOMPARE(entries[0].name, QByteArray("Anna"));
        QCOMPARE(entries[1].userNumber, QByteArray("0012"));
        QCOMPARE(entries[1].name, QByteArray("Piotr Nowak"));
        QCOMPARE(entries[2].name, QByteArray("Wi\x9cniewska"));

        // Cut anywhere inside the third record: the two complete records and nothing else.
        const qsizetype secondEnd = three.indexOf("Nowak\r\n") + 7;
        for (qsizetype cut = secondEnd; cut < three.size() - 1; ++cut)
            QCOMPARE(ReadUserFilterEntries(three.left(cut)).size(), 2);
        // The name's CR is there but the file ends before the LF: the record is complete.
        QCOMPARE(ReadUserFilterEntries(three.left(three.size() - 1)).size(), 3);
        QVERIFY(ReadUserFilterEntries("").isEmpty());
    }

    void dayListLines()
    {
        TextPool texts;
        const EventLineTexts words{"accepted", "denied", "card", "on"};
        QCOMPARE(FormatEventLine(Parse("0012, 2021-05-11,  7: 5: 9, 1k, Anna, IN,", texts), texts, words),
                 QString("07:05:09 accepted card 0012 (Anna) on IN"));
        QCOMPARE(FormatEventLine(Parse("0012, 2021-05-11, 23:59:59, 0p, , Wej\x9c"
                                       "cie,",
                                       texts),
                                 texts, words),
                 QString("23:59:59 denied PIN 0012 () on Wejście"));
        QCOMPARE(FormatEventLine(Parse("", texts), texts, words), QString("00:00:00 denied PIN  () on "));

        // The day list model: the user's events of the day, accepted and denied, in store order,
        // still listed after the store is emptied by another load.
        EventStore store;
        const auto day = static_cast<std::int32_t>(QDate(2021, 5, 11).toJulianDay());
        store.AppendLine("0012, 2021-05-11, 08:00:00, 1k, a, IN,", day);
        store.AppendLine("0013, 2021-05-11, 08:01:00, 1k, b, IN,", day);
        store.AppendLine("0012, 2021-05-12, 08:02:00, 1k, c, IN,", day + 1);
        store.AppendLine("0012, 2021-05-11, 08:03:00, 0p, d, IN,", day);
        DayEventModel model;
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.Fill(store, QDate(2021, 5, 11), UserFilter::Number("0012 - Anna"), words);
        QCOMPARE(model.rowCount(), 2);
        QCOMPARE(model.index(1).data().toString(), QString("08:03:00 denied PIN 0012 (d) on IN"));
        store.Clear();
        QCOMPARE(model.index(0).data().toString(), QString("08:00:00 accepted card 0012 (a) on IN"));
        model.Fill(store, QDate(2021, 2, 30), UserFilter::All(), words);
        QCOMPARE(model.rowCount(), 0);
    }
};

QTEST_APPLESS_MAIN(EventFileTest)
#include "event_file_test.moc"
