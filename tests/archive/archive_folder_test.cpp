// The archive's files without the window: the date a name shows, the order files are read in,
// the error that stops a load, and the user list beside them.

#include "archive/archive_folder.h"
#include "archive_test_data.h"
#include "base/errors.h"

#include <QTemporaryDir>
#include <QTest>
#include <functional>
#include <sys/stat.h>

using namespace qtx;
using namespace qtx::test;

class ArchiveFolderTest : public QObject {
    Q_OBJECT

private slots:
    void filesLoadInListOrderUntilANameIsNoDate()
    {
        QTemporaryDir dir;
        const QByteArray line = EventLine("0012", 8, 5, 12, true, true, "d", "IN");
        // Written out of order and in mixed case: the list sorts them.
        WriteBytes(dir.filePath("20210513.CSV"), EventFile({line}));
        WriteBytes(dir.filePath("notadate.csv"), EventFile({line}));
        WriteBytes(dir.filePath("20210430.csv"), EventFile({line, line}));
        WriteBytes(dir.filePath("20210501.csv"), EventFile({line}));
        const ArchiveFolder folder(dir.path());
        QCOMPARE(folder.Names(), (QStringList{"20210430.csv", "20210501.csv", "20210513.CSV", "notadate.csv"}));
        const EventFileInfo info = folder.Info("20210430.csv");
        QCOMPARE(info.date, QString("30-04-2021"));
        QCOMPARE(info.events, qsizetype(2));
        QCOMPARE(info.size, qint64(EventFile({line, line}).size()));

        EventStore store;
        QList<int> started;
        int read = 0;
        ArchiveLoadProgress progress;
        progress.fileStarted = [&](int position) { started.append(position); };
        progress.fileRead = [&] { ++read; };
        folder.Load(store, {true, false, true, false}, "NOT A DATE", progress);
        QCOMPARE(started, (QList<int>{0, 1, 2, 3})); // the bar moves over files left out too
        QCOMPARE(read, 2);
        QList<QDate> dates;
        for (const CEvent& e : store)
            dates.append(e.Date());
        QCOMPARE(dates, (QList<QDate>{{2021, 4, 30}, {2021, 4, 30}, {2021, 5, 13}}));

        // The misnamed file stops the load after the files before it; the store was cleared first.
        try {
            folder.Load(store, {false, true, false, true}, "NOT A DATE");
            QFAIL("the load went on past a name that is no date");
        } catch (const FormatError& e) {
            QCOMPARE(e.message(), QString("NOT A DATE: notadate.csv"));
        }
        QCOMPARE(store.Size(), std::size_t{1});

        QVERIFY_THROWS_EXCEPTION(FileError, folder.UserFilterEntries());
        WriteBytes(dir.filePath("USERS.txt"), QByteArray("\0\0\0\0\0\0\0\x01"
                                                         "0012u\0"
                                                         "\0"
                                                         "Jan\r\n",
                                                         20));
        const QList<UserFilterEntry> users = folder.UserFilterEntries();
        QCOMPARE(users.size(), 1);
        QCOMPARE(users[0].userNumber + users[0].name, QByteArray("0012Jan"));
    }

    // A FIFO named like an event file: listed, but refused as no plain file instead of waiting
    // for a writer for ever.
    void aFifoIsNotReadable()
    {
        QTemporaryDir dir;
        const QString fifo = dir.filePath("20210502.csv");
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        const ArchiveFolder folder(dir.path());
        QCOMPARE(folder.Names(), QStringList{"20210502.csv"});
        const QString refusal = QString("Cannot open file \"%1\": it is not a regular file.").arg(fifo);
        for (const auto& step : std::initializer_list<std::function<void()>>{[&] { folder.Info("20210502.csv"); },
                                                                             [&] {
                                                                                 EventStore store;
                                                                                 folder.Load(store, {true},
                                                                                             "NOT A DATE");
                                                                             }}) {
            try {
                step();
                QFAIL("a FIFO was read");
            } catch (const FileError& e) {
                QCOMPARE(e.message(), refusal);
            }
        }
    }
};

QTEST_GUILESS_MAIN(ArchiveFolderTest)
#include "archive_folder_test.moc"
