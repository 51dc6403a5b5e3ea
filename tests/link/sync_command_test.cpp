// qtxctl sync run as a nightly job runs it, against the simulated recorder on a pseudo-terminal:
// an empty folder, a folder already up to date, grown and changed files, a listed file the
// recorder does not serve, and a recorder that dies in the middle of the run.

#include "base/text_file.h"
#include "support/full_folder.h"
#include "support/qtxctl_process.h"
#include "support/recorder_sim_process.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

using namespace qtx;
using namespace qtx::test;

namespace {

QList<QByteArray> Lines(const QByteArray& text)
{
    QList<QByteArray> lines = text.split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

// An event file's lines for one day, n events long.
QByteArray DayFile(const QByteArray& date, int events)
{
    QByteArray text = "user, date, time, type, name, port,\r\n";
    for (int i = 0; i < events; ++i)
        text += "0001, " + date + ", 08:" + QByteArray::number(10 + i % 50) + ":00, 1k, Anna Kowalska, Wejscie,\r\n";
    return text;
}

// A card of `days` event files from 2025-03-01 on plus the three workspace files.
void FillCard(const QString& card, int days, int events)
{
    for (int d = 0; d < days; ++d) {
        const QDate date = QDate(2025, 3, 1).addDays(d);
        WriteWholeFile(card + "/" + date.toString("yyyyMMdd") + ".csv",
                       DayFile(date.toString("yyyy-MM-dd").toLatin1(), events));
    }
    WriteWholeFile(card + "/KONFOUT.TXT", "DeviceID=QTX-2\r\nport0=Wejscie\r\nport1=Wyjscie\r\n");
    WriteWholeFile(card + "/USERS.txt", QByteArray(120, 'u'));
    WriteWholeFile(card + "/konfig.txt", "rtc=1\r\n");
}

// Every file of `card` is in `local` with the same bytes.
bool HoldsCopyOf(const QString& local, const QString& card, QString* why)
{
    for (const QString& name : QDir(card).entryList(QDir::Files)) {
        if (ReadWholeFile(local + "/" + name) != ReadWholeFile(card + "/" + name)) {
            *why = name + " differs";
            return false;
        }
    }
    return true;
}

QMap<QByteArray, QByteArray> States(const QByteArray& out)
{
    QMap<QByteArray, QByteArray> states;
    for (const QByteArray& line : Lines(out)) {
        const QList<QByteArray> fields = line.split('\t');
        states.insert(fields.value(0), fields.value(2));
    }
    return states;
}

} // namespace

class SyncCommandTest : public QObject {
    Q_OBJECT

private slots:
    void syncOfAnEmptyFolderEqualsADownloadAndAgainFetchesNothing()
    {
        QTemporaryDir card;
        QTemporaryDir work;
        FillCard(card.path(), 6, 20);
        RecorderSimProcess sim(QStringLiteral(QTX_RECORDER_SIM), card.path(), 150);
        QVERIFY(!sim.Port().isEmpty());
        const QString downloaded = work.filePath("download");
        const QString synced = work.filePath("sync");
        QCOMPARE(RunQtxctl({"download", "--port", sim.Port(), "--to", downloaded}).status, 0);
        const QtxctlRun first = RunQtxctl({"sync", "--port", sim.Port(), "--to", synced});
        QCOMPARE(first.status, 0);
        QCOMPARE(QDir(synced).entryList(QDir::Files), QDir(downloaded).entryList(QDir::Files));
        QString why;
        QVERIFY2(HoldsCopyOf(synced, card.path(), &why), qPrintable(why));
        QCOMPARE(States(first.out).size(), 9);
        QCOMPARE(States(first.out).values(), QList<QByteArray>(9, "new"));

        // A second run: every file is the same; only the small workspace files are fetched whole.
        const QDateTime old = QDateTime::currentDateTime().addDays(-2);
        for (const QString& name : QDir(synced).entryList(QDir::Files)) {
            QFile file(synced + "/" + name);
            QVERIFY(file.open(QIODevice::ReadWrite));
            QVERIFY(file.setFileTime(old, QFileDevice::FileModificationTime));
        }
        sim.TakeLog();
        const QtxctlRun second = RunQtxctl({"sync", "--port", sim.Port(), "--to", synced});
        QCOMPARE(second.status, 0);
        QCOMPARE(States(second.out).values(), QList<QByteArray>(9, "same"));
        QVERIFY2(second.err.contains("9 listed: 0 new, 0 grown, 0 changed, 9 same, 0 not stored"),
                 second.err.constData());
        // The newest day is checked by its header, the three workspace files are fetched whole;
        // older days are not asked for, and no event file is written.
        const QByteArray log = sim.TakeLogUntil(" done\n", 3);
        QCOMPARE(log.count(" done\n"), 3);
        QCOMPARE(log.count("stopped by \"B\""), 1);
        for (const QString& name : QDir(synced).entryList({"*.csv"}, QDir::Files))
            QCOMPARE(QFileInfo(synced + "/" + name).lastModified(), old);
    }

    // A full disk: no file is stored, the old ones stay whole, no scratch file is left, each
    // failure names the file and the cause, and the run ends with 2.
    void fullDiskStoresNothingAndSaysWhy()
    {
        QTemporaryDir card;
        FillCard(card.path(), 2, 20);
        RecorderSimProcess sim(QStringLiteral(QTX_RECORDER_SIM), card.path(), 150);
        QVERIFY(!sim.Port().isEmpty());
        FullFolder local;
        WriteWholeFile(local.filePath("USERS.txt"), "old users\r\n");
        local.Fill();
        const QtxctlRun run = RunQtxctl({"download", "--port", sim.Port(), "--to", local.path()});
        QCOMPARE(run.status, 2);
        QVERIFY(run.out.isEmpty());
        const QString users = local.filePath("USERS.txt");
        QVERIFY2(run.err.contains(
                     QString("USERS.txt: not stored: Cannot save file \"%1\": %2.").arg(users, local.Cause()).toUtf8()),
                 run.err.constData());
        QVERIFY2(run.err.contains("5 file(s) not stored"), run.err.constData());
        QCOMPARE(ReadWholeFile(users), QByteArray("old users\r\n"));
        QCOMPARE(local.Names(), QStringList{"USERS.txt"});
    }

    void grownAndChangedFilesReplaceTheOldOnes()
    {
        QTemporaryDir card;
        QTemporaryDir local;
        FillCard(card.path(), 4, 30);
        for (const QString& name : QDir(card.path()).entryList(QDir::Files))
            WriteWholeFile(local.filePath(name), ReadWholeFile(card.filePath(name)));
        // The newest day was copied early in the day; the configuration report was rewritten;
        // an older day is damaged here (it is taken as complete unless every file is checked).
        WriteWholeFile(local.filePath("20250304.csv"), ReadWholeFile(card.filePath("20250304.csv")).left(300));
        WriteWholeFile(local.filePath("KONFOUT.TXT"), "DeviceID=OLD\r\n");
        WriteWholeFile(local.filePath("20250302.csv"), ReadWholeFile(card.filePath("20250302.csv")).left(100));
        WriteWholeFile(local.filePath("KEEP.TXT"), "not on the card");
        // Changed in place with the same size: the user list edited, an older day damaged.
        WriteWholeFile(local.filePath("USERS.txt"), QByteArray(120, 'v'));
        QByteArray damaged = ReadWholeFile(card.filePath("20250301.csv"));
        damaged[10] = '#';
        WriteWholeFile(local.filePath("20250301.csv"), damaged);
        RecorderSimProcess sim(QStringLiteral(QTX_RECORDER_SIM), card.path(), 151);
        QVERIFY(!sim.Port().isEmpty());

        QtxctlRun run = RunQtxctl({"sync", "--port", sim.Port(), "--to", local.path()});
        QCOMPARE(run.status, 0);
        QMap<QByteArray, QByteArray> states = States(run.out);
        QCOMPARE(states.value("20250304.csv"), "grown");
        QCOMPARE(states.value("KONFOUT.TXT"), "changed");
        QCOMPARE(states.value("20250302.csv"), "same");
        QCOMPARE(states.value("USERS.txt"), "changed");
        QCOMPARE(ReadWholeFile(local.filePath("USERS.txt")), ReadWholeFile(card.filePath("USERS.txt")));
        QCOMPARE(ReadWholeFile(local.filePath("20250304.csv")), ReadWholeFile(card.filePath("20250304.csv")));
        QCOMPARE(ReadWholeFile(local.filePath("KONFOUT.TXT")), ReadWholeFile(card.filePath("KONFOUT.TXT")));
        QCOMPARE(ReadWholeFile(local.filePath("20250302.csv")).size(), 100);
        QVERIFY(QFile::exists(local.filePath("KEEP.TXT")));
        QVERIFY(QDir(local.path()).entryList({"*.tmp", ".*"}, QDir::Files | QDir::Hidden).isEmpty());

        run = RunQtxctl({"sync", "--port", sim.Port(), "--to", local.path(), "--full-check", "--json"});
        QCOMPARE(run.status, 0);
        QVERIFY2(Lines(run.out).contains(R"({"listed":"20250302.csv","name":"20250302.csv","size":)"
                                         + QByteArray::number(ReadWholeFile(card.filePath("20250302.csv")).size())
                                         + R"(,"state":"grown"})"),
                 run.out.constData());
        QVERIFY2(Lines(run.out).contains(R"({"listed":"20250301.csv","name":"20250301.csv","size":)"
                                         + QByteArray::number(damaged.size()) + R"(,"state":"changed"})"),
                 run.out.constData());
        QString why;
        QVERIFY2(HoldsCopyOf(local.path(), card.path(), &why), qPrintable(why));
    }

    void aListedFileTheRecorderDoesNotServeIsReported()
    {
        QTemporaryDir card;
        QTemporaryDir local;
        FillCard(card.path(), 2, 5);
        // Requests carry 8.3 names: the recorder lists this one but never finds it by its request.
        WriteWholeFile(card.filePath("LONGNAME.TEXT"), "x");
        RecorderSimProcess sim(QStringLiteral(QTX_RECORDER_SIM), card.path(), 152);
        QVERIFY(!sim.Port().isEmpty());
        const QtxctlRun run = RunQtxctl({"sync", "--port", sim.Port(), "--to", local.path(), "--timeout", "1"});
        QCOMPARE(run.status, 2);
        QVERIFY2(run.err.contains("LONGNAME.TEX: not stored: nothing received for 1 s, abandoned"),
                 run.err.constData());
        // The files listed after it are still fetched.
        QCOMPARE(ReadWholeFile(local.filePath("USERS.txt")), ReadWholeFile(card.filePath("USERS.txt")));
        QCOMPARE(States(run.out).size(), 5);
    }

    void aRecorderThatDiesEndsTheWholeRun()
    {
        QTemporaryDir card;
        QTemporaryDir local;
        FillCard(card.path(), 40, 60);
        RecorderSimProcess sim(QStringLiteral(QTX_RECORDER_SIM), card.path(), 153, {"--baud-pace", "115200"});
        QVERIFY(!sim.Port().isEmpty());
        QProcess sync;
        sync.start(QStringLiteral(QTXCTL_PATH), {"sync", "--port", sim.Port(), "--to", local.path(), "--timeout", "2"});
        QVERIFY(sync.waitForStarted());
        QByteArray out;
        QElapsedTimer started;
        started.start();
        while (out.count('\n') < 3 && sync.state() == QProcess::Running) {
            QVERIFY2(started.elapsed() < 20000, out.constData());
            QTest::qWait(10);
            out += sync.readAllStandardOutput();
        }
        sim.Kill();
        QElapsedTimer clock;
        clock.start();
        QVERIFY(sync.waitForFinished(20000));
        // The run ends after one 2 s timeout, not one for each of the dozens of files left (a
        // minute or more); the bound leaves room for a busy machine.
        QVERIFY2(clock.elapsed() < 12000, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(sync.exitCode(), 2);
        const QByteArray err = sync.readAllStandardError();
        QVERIFY2(err.contains("the recorder on " + sim.Port().toLatin1() + " stopped answering"), err.constData());
        QVERIFY(err.contains("not stored: "));
        QVERIFY(err.contains("KONFOUT.TXT"));
        const QStringList stored = QDir(local.path()).entryList(QDir::Files);
        QVERIFY(stored.size() >= 3 && stored.size() < 43);
        for (const QString& name : stored)
            QCOMPARE(ReadWholeFile(local.filePath(name)), ReadWholeFile(card.filePath(name)));
    }
};

QTEST_GUILESS_MAIN(SyncCommandTest)
#include "sync_command_test.moc"
