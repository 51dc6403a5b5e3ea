// The task sequencer with the link controller over a pseudo-terminal to the simulated recorder: connect,
// list, fetch each listed name, finish; skipped lines, cancel, a port that cannot be opened.

#include "link/link_controller.h"
#include "link_test_support.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <functional>
#include <unistd.h>

using namespace qtx;
using namespace qtx::test;

namespace {

struct Rig {
    SimCard recorder;
    PtyPeer peer;
    RecordingView view;
    LinkController link{view};
    QTemporaryDir folder;
    qint64 ticks = 0;

    explicit Rig(int number, const sim::RecorderSettings& settings = {}) : recorder(settings), peer(number)
    {
        peer.recorder = &recorder;
        view.port = peer.Name();
        link.Engine().SetDownloadFolder(folder.filePath("card"));
    }
    // The two timers, 50 link runs to one sequencer event, with the recorder answering between.
    bool RunUntil(const std::function<bool()>& done, int maxRuns = 200000)
    {
        for (int run = 0; run < maxRuns; ++run) {
            if (done())
                return true;
            link.Engine().LinkTick();
            // The recorder lives on the link's clock (a run is one 2 ms tick), so a busy machine
            // that stalls the loop cannot make it drop a frame the manager sent whole.
            peer.Pump(2 * ++ticks);
            if (run % 50 == 0)
                link.Tasks().TimerLaunchEvents();
            if (run % 16 == 0)
                usleep(50);
        }
        return done();
    }
    QByteArray Stored(const QString& name) const
    {
        QFile file(folder.filePath("card/" + name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }
};

} // namespace

class TaskSequencerTest : public QObject {
    Q_OBJECT

private slots:
    void fetchesEveryListedFileThenFinishes()
    {
        Rig rig(160);
        rig.recorder.AddFile("KONFOUT.TXT", "DeviceID=test\r\n");
        rig.recorder.AddFile("USERS.TXT", {}); // an emptied user list must not hang the sequence
        rig.recorder.AddFile("21051110.CSV", QByteArray(2000, 'e'));
        rig.link.Tasks().Start();
        QCOMPARE(rig.link.Tasks().TaskGroup(), 1);
        QCOMPARE(rig.link.Tasks().TaskStep(), 1);
        QVERIFY(rig.RunUntil([&] { return !rig.view.finishedFolder.isEmpty(); }));

        QCOMPARE(rig.view.counters, (QStringList{"1 / 3", "2 / 3", "3 / 3"}));
        QCOMPARE(rig.view.overall, (QList<int>{0, 33, 66, 0}));
        QCOMPARE(rig.view.messages,
                 (QStringList{QString::fromUtf8("połączono z urządzeniem"), "Trwa sprawdzanie stanu karty",
                              QString::fromUtf8("Trwa pobieranie plików."),
                              QString::fromUtf8("Zakończono pobieranie plików.")}));
        QCOMPARE(rig.view.traces.mid(0, 3),
                 (QStringList{"task 1, 1", QString::fromUtf8("połączono z urządzeniem"), "task 1, 2"}));
        QVERIFY(rig.view.traces.contains("task 1, 3"));
        QCOMPARE(rig.view.progressClosed, 1);
        QCOMPARE(rig.view.finishedFolder, rig.folder.filePath("card"));
        QCOMPARE(rig.recorder.Requests(),
                 (QList<QByteArray>{"list", "get 21051110.CSV", "get KONFOUT.TXT", "get USERS.TXT"}));
        QCOMPARE(rig.Stored("KONFOUT.TXT"), QByteArray("DeviceID=test\r\n"));
        QCOMPARE(rig.Stored("USERS.TXT"), QByteArray());
        QCOMPARE(rig.Stored("21051110.CSV"), QByteArray(2000, 'e'));
        QCOMPARE(rig.link.Tasks().TaskGroup(), 0);
        QCOMPARE(rig.link.Tasks().TaskStep(), 0);
        QCOMPARE(rig.link.Tasks().FileIndex(), 0);
        QVERIFY(!rig.link.Port().IsOpen());

        // A second run fetches every file the same way.
        rig.view.finishedFolder.clear();
        rig.link.Tasks().Start();
        QVERIFY(rig.RunUntil([&] { return !rig.view.finishedFolder.isEmpty(); }));
        QCOMPARE(rig.recorder.Requests().size(), 8);
    }

    void linesWithoutADotAndUnsafeNamesAreSkipped()
    {
        Rig rig(161, {.listedOnly = {".."}});
        for (const QByteArray name : {"A.TXT", "B.TXT", "SYSTEM"})
            rig.recorder.AddFile(name, name.left(1));
        rig.link.Tasks().Start();
        QVERIFY(rig.RunUntil([&] { return !rig.view.incompleteFolder.isEmpty(); }));
        QCOMPARE(rig.recorder.Requests(), (QList<QByteArray>{"list", "get A.TXT", "get B.TXT"}));
        QCOMPARE(rig.view.counters, (QStringList{"1 / 4", "2 / 4", "3 / 4"}));
        QCOMPARE(rig.view.downloads.size(), 3);
        QVERIFY(!rig.view.downloads[0].stored);
        QCOMPARE(QDir(rig.folder.filePath("card")).entryList(QDir::Files), (QStringList{"A.TXT", "B.TXT"}));
        // The refused name is reported at the end, and the folder is not opened as fresh.
        QCOMPARE(rig.view.notStored.size(), 1);
        QCOMPARE(rig.view.notStored[0].refusal, Refusal::NotAFileName);
        QVERIFY(rig.view.finishedFolder.isEmpty());
    }

    void namesStoredAlikeAreRefusedAfterTheFirst()
    {
        Rig rig(166, {.listedOnly = {"sub/A.TXT"}});
        rig.recorder.AddFile("A.TXT", "a");
        rig.recorder.AddFile("REPORT.TXT", "report");
        rig.recorder.AddFile("REPORT.TXT.OLD", "old");
        rig.link.Tasks().Start();
        QVERIFY(rig.RunUntil([&] { return !rig.view.incompleteFolder.isEmpty(); }));
        QCOMPARE(rig.recorder.Requests(), (QList<QByteArray>{"list", "get A.TXT", "get REPORT.TXT"}));
        QCOMPARE(rig.Stored("REPORT.TXT"), QByteArray("report"));
        QCOMPARE(rig.Stored("A.TXT"), QByteArray("a"));
        QCOMPARE(rig.view.notStored.size(), 2);
        QCOMPARE(rig.view.notStored[0].name, QStringLiteral("REPORT.TXT.OLD"));
        QCOMPARE(rig.view.notStored[0].takenBy, QStringLiteral("REPORT.TXT"));
        QCOMPARE(rig.view.notStored[1].name, QStringLiteral("sub/A.TXT"));
        QCOMPARE(rig.view.notStored[1].refusal, Refusal::SameStoredName);
    }

    void aRecorderThatStopsInAFileIsGivenUpAfterTenSilentSeconds()
    {
        Rig rig(167, {.stallingFiles = {"B.BIN"}});
        rig.recorder.AddFile("A.BIN", "a");
        rig.recorder.AddFile("B.BIN", QByteArray(3000, 'b'));
        rig.recorder.AddFile("C.BIN", "c");
        rig.link.Tasks().Start();
        QVERIFY(rig.RunUntil([&] { return rig.link.Engine().State().BytesDone > 0; }));
        // Counted in sequencer events (100 ms each), never by the clock; the engine asks again
        // with "d" between them, and the recorder stays silent. The first event notes the last byte.
        const auto event = [&rig] {
            for (int run = 0; run < 50; ++run) {
                rig.link.Engine().LinkTick();
                rig.peer.Pump();
            }
            rig.link.Tasks().TimerLaunchEvents();
        };
        for (int silent = 0; silent < TaskSequencer::FileSilenceEvents; ++silent) {
            event();
            QCOMPARE(rig.link.Tasks().TaskGroup(), 1);
        }
        event();
        QCOMPARE(rig.link.Tasks().TaskGroup(), 0);
        QVERIFY(!rig.link.Port().IsOpen());
        QVERIFY(rig.view.finishedFolder.isEmpty());
        QCOMPARE(rig.view.incompleteFolder, rig.folder.filePath("card"));
        QCOMPARE(rig.view.notStored.size(), 2);
        QCOMPARE(rig.view.notStored[0].name, QStringLiteral("B.BIN"));
        QCOMPARE(rig.view.notStored[0].refusal, Refusal::DeviceSilent);
        QCOMPARE(rig.view.notStored[1].refusal, Refusal::NotAskedFor);
        QCOMPARE(rig.Stored("A.BIN"), QByteArray("a"));
        QVERIFY(!QFile::exists(rig.folder.filePath("card/B.BIN")));
        QVERIFY(!rig.link.Engine().State().Receiving);
    }

    void aDeviceThatTalksButIsNoRecorderEndsTheRun()
    {
        Rig rig(168);
        rig.peer.recorder = nullptr;
        rig.link.Tasks().Start();
        QVERIFY(rig.RunUntil([&] { return rig.peer.received.contains("\xff\x00\x05\x0d"); }, 2000));
        // A GPS receiver's sentences, as many as come in a second: long before the 10 s list wait.
        for (int i = 0; i < 10; ++i)
            rig.peer.Send("$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47\r\n");
        QVERIFY(rig.RunUntil([&] { return rig.link.Tasks().TaskGroup() == 0; }, 1000));
        QCOMPARE(rig.view.notARecorder, 1);
        QVERIFY(!rig.link.Port().IsOpen());
    }

    void anEmptyListGoesStraightToTheEnd()
    {
        Rig rig(162);
        rig.link.Tasks().Start();
        QVERIFY(rig.RunUntil([&] { return !rig.view.finishedFolder.isEmpty(); }));
        QCOMPARE(rig.recorder.Requests(), QList<QByteArray>{"list"});
        QVERIFY(rig.view.counters.isEmpty());
    }

    void cancelStopsTheSequenceAndSendsB()
    {
        Rig rig(163);
        rig.recorder.AddFile("A.BIN", QByteArray(20000, 'a'));
        rig.recorder.AddFile("B.BIN", QByteArray(100, 'b'));
        rig.link.Tasks().Start();
        QVERIFY(rig.RunUntil([&] { return rig.link.Engine().State().BytesDone > 2000; }));
        rig.link.Tasks().Cancel();
        QCOMPARE(rig.link.Tasks().TaskGroup(), 0);
        QVERIFY(rig.RunUntil([&] { return rig.recorder.Tally().stops == 1; }));
        rig.RunUntil([] { return false; }, 2000);
        QCOMPARE(rig.recorder.Requests(), (QList<QByteArray>{"list", "get A.BIN"}));
        QVERIFY(rig.view.finishedFolder.isEmpty());
        QVERIFY(!QFile::exists(rig.folder.filePath("card/A.BIN")));
        // The port is let go once the "B" is out.
        QVERIFY(!rig.link.Port().IsOpen());
    }

    void aPortThatCannotBeOpenedEndsAtOnce()
    {
        Rig rig(164);
        rig.view.port = QStringLiteral("COM165"); // no device
        rig.link.Tasks().Start();
        QVERIFY(rig.RunUntil([&] { return rig.link.Tasks().TaskGroup() == 0; }, 200));
        QCOMPARE(rig.view.messages, QStringList{QString::fromUtf8("nie można połączyć z urządzeniem")});
        QVERIFY(rig.view.traces.contains(QString::fromUtf8("Nie można połączyć się z urządzeniem")));
        QVERIFY(rig.peer.received.isEmpty());
        QCOMPARE(rig.view.progressClosed, 0);
    }
};

QTEST_GUILESS_MAIN(TaskSequencerTest)
#include "task_sequencer_test.moc"
