// The link engine against the simulated recorder in memory: the wire format byte for byte, the
// parsers, the idle and abort answers, downloads, uploads, and the mends that keep a file from
// being lost or corrupted.

#include "base/errors.h"
#include "link_test_support.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <functional>

using namespace qtx;
using namespace qtx::test;

namespace {

QByteArray Hex(const char* hex)
{
    return QByteArray::fromHex(hex);
}

QByteArray Pattern(int size, int seed = 7)
{
    QByteArray bytes(size, '\0');
    for (int i = 0; i < size; ++i)
        bytes[i] = char((i * 31 + seed * (i >> 9)) & 0xFF);
    return bytes;
}

unsigned Sum(const QByteArray& bytes, unsigned start = 0)
{
    for (char c : bytes)
        start += std::uint8_t(c);
    return start;
}

QByteArray Le(quint32 value, int count)
{
    QByteArray bytes;
    for (int i = 0; i < count; ++i)
        bytes.append(char((value >> (8 * i)) & 0xFF));
    return bytes;
}

// Wire bytes made by hand, for what no sound recorder sends.
QByteArray FileHeaderBytes(std::int32_t size)
{
    const QByteArray checked = Le(quint32(size), 4) + Hex("0101");
    return "\xFF" + checked + char(Sum(checked, 0x37));
}

QByteArray DataFrameBytes(std::uint8_t number, const QByteArray& payload)
{
    const QByteArray head = char(number) + Le(quint32(payload.size()), 2);
    return head + char(Sum(head)) + payload + Le(Sum(payload) & 0xFFFF, 2);
}

// The recorder's list reply to the first request.
QByteArray ListReply(const sim::RecorderSettings& settings)
{
    SimCard card(settings);
    return card.Exchange(Hex("ff00050d"), 0);
}

QByteArray FileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// An engine on an in-memory line, optionally with the simulated recorder at the other end;
// every run of the engine is one 2 ms timer event.
struct Rig {
    MemoryLink line;
    RecordingEvents events;
    LinkEngine engine{line, events};
    QTemporaryDir folder;

    explicit Rig(SimCard* recorder = nullptr)
    {
        line.recorder = recorder;
        engine.SetFramePause(false);
        engine.SetDownloadFolder(folder.path());
    }
    bool TickUntil(const std::function<bool()>& done, int maxTicks = 20000)
    {
        for (int i = 0; i < maxTicks; ++i) {
            if (done())
                return true;
            Ticks(1);
        }
        return done();
    }
    void Ticks(int count)
    {
        for (int i = 0; i < count; ++i) {
            engine.LinkTick();
            line.nowMs += 2;
        }
    }
    QString Stored(const QString& name) const { return folder.filePath(name); }
};

} // namespace

class LinkEngineTest : public QObject {
    Q_OBJECT

private slots:
    void requestsAreTheRecordersFramesByteForByte()
    {
        Rig rig;
        rig.engine.SendCommand({});
        QCOMPARE(rig.line.TakeWritten(), Hex("ff00050d"));
        QCOMPARE(rig.events.log.last(), QStringLiteral("wyslano (dlugosc 4)"));
        QCOMPARE(rig.engine.State().LinkMode, LinkModes::Command);

        QVERIFY(rig.engine.RequestFile("21051110.CSV"));
        QCOMPARE(rig.line.TakeWritten(), Hex("ff0003") + "21051110.CSV" + Hex("0d"));
        QCOMPARE(rig.engine.State().LinkMode, LinkModes::Download);
        QVERIFY(rig.engine.State().Receiving);
        QCOMPARE(rig.engine.State().TransferFileName, QStringLiteral("21051110.CSV"));

        // An 8.3 argument: up to the first "." and three more characters.
        rig.engine.RequestFile("REPORT.TXT.OLD");
        QCOMPARE(rig.line.TakeWritten(), Hex("ff0003") + "REPORT.TXT" + Hex("0d"));

        rig.engine.SendCommand({});
        QVERIFY(rig.engine.RequestDelete("KONFIG.TXT"));
        QCOMPARE(rig.line.TakeWritten(), Hex("ff00050d") + Hex("ff000b") + "KONFIG.TXT" + Hex("0d"));
        QCOMPARE(rig.engine.State().LinkMode, LinkModes::Command);
    }

    void commandReplyFillsTheListAndLogsThePassword()
    {
        Rig rig;
        rig.line.inbound = ListReply({.listedOnly = {"KONFOUT.TXT"}});
        rig.engine.LinkTick();
        QVERIFY(rig.events.log.contains(QStringLiteral("haslo prawidlowe")));
        QVERIFY(rig.events.log.contains(QStringLiteral("Device ID =  1")));
        QCOMPARE(rig.events.lines, QList<QByteArray>{"KONFOUT.TXT"});
        QCOMPARE(rig.events.replyEnds, 1);
        QCOMPARE(rig.engine.State().ReplyIndex, 0);

        // A rejected password, a reply split over several runs, a line cut at its zero byte.
        rig.events.log.clear();
        const QByteArray reply =
            ListReply({.deviceId = 7, .passwordOk = false, .listedOnly = {"USERS.TXT", QByteArray("A.CSV\0junk", 10)}});
        for (char c : reply) {
            rig.line.inbound.append(c);
            rig.engine.LinkTick();
        }
        QVERIFY(rig.events.log.contains(QString::fromUtf8("haslo błędne")));
        QVERIFY(rig.events.log.contains(QStringLiteral("Device ID =  7")));
        QCOMPARE(rig.events.lines, (QList<QByteArray>{"KONFOUT.TXT", "A.CSV", "USERS.TXT"}));

        // A check byte that does not match is ignored silently; the lines still count.
        rig.events.log.clear();
        rig.line.inbound = Hex("ff010100") + "X.TXT\r\n" + Hex("15");
        rig.engine.LinkTick();
        QVERIFY(!rig.events.log.join('|').contains("haslo"));
        QCOMPARE(rig.events.lines.last(), QByteArray("X.TXT"));
    }

    void longLinesAreCutTo238Characters()
    {
        Rig rig;
        const QByteArray a300(300, 'a');
        const QByteArray b239(239, 'b');
        const QByteArray c238(238, 'c');
        rig.line.inbound = ListReply({.listedOnly = {a300, b239, c238, "short"}});
        rig.engine.LinkTick();
        QCOMPARE(rig.events.lines, (QList<QByteArray>{a300.left(238), b239.left(238), c238, "short"}));
    }

    void downloadIsStoredWithStatistics()
    {
        SimCard recorder;
        const QByteArray content = Pattern(1300);
        recorder.AddFile("21051110.CSV", content);
        Rig rig(&recorder);
        rig.engine.RequestFile("21051110.CSV");
        QVERIFY(rig.TickUntil([&] { return !rig.events.downloads.isEmpty(); }));
        const DownloadOutcome& outcome = rig.events.downloads.first();
        QVERIFY(outcome.stored);
        QCOMPARE(outcome.size, 1300);
        QCOMPARE(outcome.path, rig.Stored("21051110.CSV"));
        QCOMPARE(FileBytes(rig.Stored("21051110.CSV")), content);
        QCOMPARE(rig.events.progress, (QList<int>{39, 78, 100}));
        QCOMPARE(recorder.received.count('{'), 3);
        QVERIFY(rig.events.log.contains(QStringLiteral("rozmiar pliku = 1300")));
        QVERIFY(rig.events.log.contains(QStringLiteral("Trnsmisja trwala = 0sek, transfer = 0kB/sek")));
        QVERIFY(!rig.engine.State().Receiving);
        QVERIFY(!rig.engine.State().TransferBuffer);
        QCOMPARE(rig.engine.State().FramePhase, 0);
        // A finished download leaves the mode at Download until the next request.
        QCOMPARE(rig.engine.State().LinkMode, LinkModes::Download);
    }

    void silenceAsksAgainEveryTwentyRuns()
    {
        Rig rig;
        rig.engine.RequestFile("A.BIN");
        rig.line.TakeWritten();
        rig.line.inbound = FileHeaderBytes(1000) + DataFrameBytes(0, Pattern(512));
        rig.engine.LinkTick();
        QCOMPARE(rig.line.TakeWritten(), QByteArray("{"));
        rig.Ticks(19);
        QCOMPARE(rig.line.TakeWritten(), QByteArray());
        rig.engine.LinkTick(); // the 20th silent run
        QCOMPARE(rig.line.TakeWritten(), QByteArray("d"));
        rig.Ticks(20);
        QCOMPARE(rig.line.TakeWritten(), QByteArray());
        rig.engine.LinkTick();
        QCOMPARE(rig.line.TakeWritten(), QByteArray("d"));
    }

    void badFramesAreNotAnsweredAndAskedForAgain()
    {
        Rig rig;
        const QByteArray payload = Pattern(300);
        rig.engine.RequestFile("A.BIN");
        rig.line.TakeWritten();
        QByteArray badSum = DataFrameBytes(0, payload);
        badSum[badSum.size() - 1] = char(badSum[badSum.size() - 1] ^ 1);
        rig.line.inbound = FileHeaderBytes(300) + badSum;
        rig.engine.LinkTick();
        QCOMPARE(rig.line.TakeWritten(), QByteArray());
        rig.Ticks(20);
        QCOMPARE(rig.line.TakeWritten(), QByteArray("d"));

        // A bad header check counts an error; the resent frame after "d" is stored once.
        QByteArray badHead = DataFrameBytes(0, payload);
        badHead[3] = char(badHead[3] + 1);
        rig.line.inbound = badHead;
        rig.engine.LinkTick();
        QCOMPARE(rig.engine.State().ErrorCount, 1);
        QVERIFY(rig.events.log.contains(QStringLiteral("Ilosc bledow = 1")));
        rig.Ticks(20);
        QCOMPARE(rig.line.TakeWritten(), QByteArray("d"));
        rig.line.inbound = DataFrameBytes(0, payload);
        rig.engine.LinkTick();
        QCOMPARE(rig.line.TakeWritten(), QByteArray("{"));
        QCOMPARE(rig.events.downloads.size(), 1);
        QCOMPARE(FileBytes(rig.Stored("A.BIN")), payload);
    }

    void oversizedFrameIsABadFrameNeverAnOverrun()
    {
        Rig rig;
        rig.engine.RequestFile("BIG.BIN");
        rig.line.TakeWritten();
        // A frame that claims 3000 bytes with a correct header check and checksum.
        rig.line.inbound = FileHeaderBytes(5000) + DataFrameBytes(0, Pattern(3000));
        rig.engine.LinkTick();
        QCOMPARE(rig.line.TakeWritten(), QByteArray());
        QVERIFY(rig.engine.State().ErrorCount >= 1);
        QCOMPARE(rig.engine.State().BytesDone, 0);
        QVERIFY(rig.engine.State().TransferBuffer->isEmpty());
        rig.Ticks(21);
        QCOMPARE(rig.line.TakeWritten(), QByteArray("d"));
    }

    void cancelEndsTheDownloadWithB()
    {
        SimCard recorder;
        recorder.AddFile("A.BIN", Pattern(3000));
        Rig rig(&recorder);
        rig.engine.RequestFile("A.BIN");
        QVERIFY(rig.TickUntil([&] { return rig.engine.State().BytesDone > 0; }));
        rig.engine.RequestAbort();
        QVERIFY(rig.TickUntil([&] { return rig.events.aborts == 1; }));
        QCOMPARE(recorder.Tally().stops, 1);
        QVERIFY(recorder.received.endsWith('B'));
        QVERIFY(!rig.engine.State().Receiving);
        QVERIFY(!rig.engine.State().AbortRequested);
        QVERIFY(!rig.engine.State().TransferBuffer);
        rig.Ticks(100);
        QVERIFY(rig.events.downloads.isEmpty());
        QVERIFY(!QFile::exists(rig.Stored("A.BIN")));

        // Cancelling a recorder that went silent: "B" at the idle timeout.
        recorder.Restart({.stallingFiles = {"A.BIN"}});
        rig.engine.RequestFile("A.BIN");
        QVERIFY(rig.TickUntil([&] { return rig.engine.State().BytesDone > 0; }));
        rig.engine.RequestAbort();
        rig.line.TakeWritten();
        rig.Ticks(25);
        QCOMPARE(rig.line.TakeWritten(), QByteArray("B"));
        QCOMPARE(rig.events.aborts, 2);
    }

    void aNewDownloadStartsWithTheCancelCleared()
    {
        SimCard recorder;
        recorder.AddFile("A.BIN", Pattern(700));
        Rig rig(&recorder);
        rig.engine.RequestAbort(); // a cancel while nothing was being fetched
        rig.engine.RequestFile("A.BIN");
        QVERIFY(rig.TickUntil([&] { return !rig.events.downloads.isEmpty(); }));
        QVERIFY(rig.events.downloads.first().stored);
        QCOMPARE(recorder.Tally().stops, 0);
    }

    void resentAndDuplicatedFramesAreStoredOnce()
    {
        sim::RecorderSettings settings;
        settings.faults.loseAckAt = {0, 9, 260};
        settings.faults.duplicateAt = {4, 256};
        settings.faults.corruptAt = {2, 255, 299};
        SimCard recorder(settings);
        const QByteArray content = Pattern(300 * 512 + 77, 3); // frame numbers wrap past 255
        recorder.AddFile("WRAP.BIN", content);
        Rig rig(&recorder);
        rig.engine.RequestFile("WRAP.BIN");
        QVERIFY(rig.TickUntil([&] { return !rig.events.downloads.isEmpty(); }, 200000));
        QVERIFY(rig.events.downloads.first().stored);
        QCOMPARE(FileBytes(rig.Stored("WRAP.BIN")), content);
        // One "d" for each lost answer and each bad frame; a second copy costs none.
        QCOMPARE(recorder.Tally().resendRequests, 6);
    }

    void aLostFrameAbandonsTheFileInsteadOfStoringAHole()
    {
        // The recorder goes on to the next frame without ever sending the lost one; the first
        // frame after the header is lost like any other.
        const QList<std::pair<int, QString>> cases{{6, QStringLiteral("frame 7 came after frame 5")},
                                                   {0, QStringLiteral("frame 1 came right after the file header")}};
        for (const auto& [lost, error] : cases) {
            sim::RecorderSettings settings;
            settings.faults.skipAt = {lost};
            SimCard recorder(settings);
            recorder.AddFile("HOLE.BIN", Pattern(20 * 512));
            Rig rig(&recorder);
            rig.engine.RequestFile("HOLE.BIN");
            // Found at the first frame that came, long before any silence.
            QVERIFY(rig.TickUntil([&] { return !rig.events.downloads.isEmpty(); }, 2000));
            QVERIFY(!rig.events.downloads.first().stored);
            QCOMPARE(rig.events.downloads.first().error, error);
            QCOMPARE(recorder.Tally().stops, 1);
            QCOMPARE(recorder.Tally().resendRequests, 0);
            QVERIFY(!QFile::exists(rig.Stored("HOLE.BIN")));
        }
    }

    void anEmptyFileCompletesAtOnce()
    {
        SimCard recorder;
        recorder.AddFile("USERS.TXT", {});
        Rig rig(&recorder);
        rig.engine.RequestFile("USERS.TXT");
        rig.engine.LinkTick();
        QCOMPARE(rig.events.downloads.size(), 1);
        QVERIFY(rig.events.downloads.first().stored);
        QCOMPARE(rig.events.downloads.first().size, 0);
        QVERIFY(QFile::exists(rig.Stored("USERS.TXT")));
        QCOMPARE(QFileInfo(rig.Stored("USERS.TXT")).size(), 0);
        QVERIFY(!rig.engine.State().Receiving);
    }

    void aFileIsStoredOnlyWithTheAnnouncedSize()
    {
        // More data than announced: the download is abandoned with "B" and reported.
        SimCard recorder({.sizeError = -10});
        recorder.AddFile("LONG.BIN", Pattern(1200));
        Rig rig(&recorder);
        rig.engine.RequestFile("LONG.BIN");
        QVERIFY(rig.TickUntil([&] { return !rig.events.downloads.isEmpty(); }));
        QVERIFY(!rig.events.downloads.first().stored);
        QVERIFY(rig.events.downloads.first().error.contains("more bytes"));
        QCOMPARE(recorder.Tally().stops, 1);
        QVERIFY(!QFile::exists(rig.Stored("LONG.BIN")));

        // Less data than announced never completes; only a cancel ends it.
        SimCard shorter({.sizeError = 10});
        shorter.AddFile("SHORT.BIN", Pattern(1200));
        Rig rig2(&shorter);
        rig2.engine.RequestFile("SHORT.BIN");
        rig2.Ticks(500);
        QVERIFY(rig2.events.downloads.isEmpty());
        QVERIFY(rig2.engine.State().Receiving);
        rig2.engine.RequestAbort();
        QVERIFY(rig2.TickUntil([&] { return rig2.events.aborts == 1; }));
        QVERIFY(!QFile::exists(rig2.Stored("SHORT.BIN")));

        // The size is unsigned on the wire: 0xFFFFFFFF is 4 GiB still to come, not -1 exceeded.
        SimCard huge({.sizeError = -1201}); // announces 0xFFFFFFFF
        huge.AddFile("HUGE.BIN", Pattern(1200));
        Rig rig3(&huge);
        rig3.engine.RequestFile("HUGE.BIN");
        rig3.Ticks(500);
        QVERIFY(rig3.events.downloads.isEmpty());
        QVERIFY(!rig3.events.progress.isEmpty());
        QCOMPARE(*std::min_element(rig3.events.progress.begin(), rig3.events.progress.end()), 0);
        rig3.engine.RequestAbort();
        QVERIFY(rig3.TickUntil([&] { return rig3.events.aborts == 1; }));
    }

    void namesThatWouldNameAFolderAreNeverRequested()
    {
        Rig rig;
        for (const QByteArray& name : {QByteArray("."), QByteArray(".."), QByteArray("/"), QByteArray("a\\..")}) {
            QVERIFY2(!rig.engine.RequestFile(name), name.constData());
            QCOMPARE(rig.line.TakeWritten(), QByteArray());
        }
        QVERIFY(!rig.engine.RequestFile(QByteArray(30, 'x') + ".TXT"));
        // A CR inside the name would end the request early; no control character goes out.
        for (const QByteArray& name : {QByteArray("A\rB.TXT"), QByteArray("\x1b]0;T\x07.txt")}) {
            QVERIFY(!rig.engine.RequestFile(name));
            QVERIFY(!rig.engine.RequestDelete(name));
            QCOMPARE(rig.line.TakeWritten(), QByteArray());
        }
        QCOMPARE(rig.events.downloads.size(), 7);
        QCOMPARE(rig.events.downloads.last().refusal, Refusal::ControlCharacter);
        for (const DownloadOutcome& outcome : std::as_const(rig.events.downloads))
            QVERIFY(!outcome.stored);
        QVERIFY(!rig.engine.State().Receiving);
    }

    void aFileThatCannotBeSavedIsReportedAndTheLinkGoesOn()
    {
        SimCard recorder;
        recorder.AddFile("A.TXT", "first");
        recorder.AddFile("B.TXT", "second");
        Rig rig(&recorder);
        const QString notAFolder = rig.folder.filePath("plain");
        QFile file(notAFolder);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        rig.engine.SetDownloadFolder(notAFolder);
        rig.engine.RequestFile("A.TXT");
        QVERIFY(rig.TickUntil([&] { return rig.events.downloads.size() == 1; }));
        QVERIFY(!rig.events.downloads[0].stored);
        QVERIFY(!rig.events.downloads[0].error.isEmpty());

        rig.engine.SetDownloadFolder(rig.folder.filePath("card"));
        rig.engine.RequestFile("B.TXT");
        QVERIFY(rig.TickUntil([&] { return rig.events.downloads.size() == 2; }));
        QVERIFY(rig.events.downloads[1].stored);
        QCOMPARE(FileBytes(rig.folder.filePath("card/B.TXT")), QByteArray("second"));
    }

    void uploadHeaderAndFramesByteForByte()
    {
        Rig rig;
        const QString path = rig.folder.filePath("A.BIN");
        const QByteArray content = Pattern(1300);
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(content) == 1300);
        file.close();
        rig.engine.ArmUpload(path);
        QCOMPARE(rig.engine.State().LinkMode, LinkModes::Upload);
        rig.engine.LinkTick();
        QCOMPARE(rig.line.TakeWritten(), Hex("ff000941 2e42494e 00140500 006902"));
        QCOMPARE(rig.events.shown, QStringList{"Ilosc bledow = 0"});
        rig.engine.LinkTick();
        QCOMPARE(rig.line.TakeWritten(), QByteArray()); // waiting for the recorder
        const QList<QByteArray> heads{Hex("00000239"), Hex("0100023a"), Hex("0214014e")};
        int offset = 0;
        for (const QByteArray& head : heads) {
            rig.line.inbound = "{";
            rig.engine.LinkTick(); // reads the answer
            rig.engine.LinkTick(); // sends the next frame
            const QByteArray frame = rig.line.TakeWritten();
            QCOMPARE(frame.left(4), head);
            const int length = static_cast<int>(frame.size()) - 6;
            QCOMPARE(frame.mid(4, length), content.mid(offset, length));
            offset += length;
        }
        QCOMPARE(offset, 1300);
        QVERIFY(rig.events.log.contains(QStringLiteral("Wyslano danych danych = 1300")));
        rig.line.inbound = "{";
        rig.engine.LinkTick();
        QCOMPARE(rig.events.uploadsFinished, 1);
        QCOMPARE(rig.engine.State().UploadState, UploadStates::Idle);
        QCOMPARE(rig.engine.State().LinkMode, LinkModes::Command);
        QVERIFY(rig.events.log.contains(QStringLiteral("Wysylanie pliku zakonczone powodzeniem")));
        QCOMPARE(rig.engine.State().SelfTestDone, false);
    }

    void uploadRetransmitsTheSelfTestFrame()
    {
        SimCard recorder;
        Rig rig(&recorder);
        const QString path = rig.folder.filePath("dir/LOG.BIN");
        QDir().mkpath(rig.folder.filePath("dir"));
        const QByteArray content = Pattern(2100);
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(content) == 2100);
        file.close();
        rig.engine.ArmUpload(path);
        QVERIFY(rig.TickUntil([&] { return rig.events.uploadsFinished == 1; }));
        QCOMPARE(recorder.File("LOG.BIN"), content);
        QCOMPARE(recorder.Tally().refusedUploadFrames, 1);
        QCOMPARE(rig.engine.State().ErrorCount, 1);
        QVERIFY(rig.events.shown.contains("o jakas retransmisja 1"));
        QVERIFY(rig.events.log.contains("Ilosc bledow = 1"));
    }

    void emptyUploadEndsWithTheHeadersAnswer()
    {
        Rig rig;
        const QString path = rig.folder.filePath("EMPTY.BIN");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        rig.engine.ArmUpload(path);
        rig.engine.LinkTick();
        QCOMPARE(rig.line.TakeWritten().size(), 9 + 10 - 4 + 4);
        // The final "{" and a reply that follows it in the same run: the reply parses cleanly.
        rig.line.inbound = "{" + ListReply({.listedOnly = {"KONFOUT.TXT"}});
        rig.engine.LinkTick();
        QCOMPARE(rig.events.uploadsFinished, 1);
        QCOMPARE(rig.events.lines, QList<QByteArray>{"KONFOUT.TXT"});
        QVERIFY(rig.events.log.contains(QStringLiteral("haslo prawidlowe")));
    }

    void unreadableUploadArmsNothing()
    {
        Rig rig;
        QVERIFY_THROWS_EXCEPTION(FileError, rig.engine.ArmUpload(rig.folder.filePath("missing.bin")));
        QCOMPARE(rig.engine.State().UploadState, UploadStates::Idle);
        rig.engine.LinkTick();
        QCOMPARE(rig.line.TakeWritten(), QByteArray());
    }

    // The upload file choice opens where the last transferred file is; the download folder
    // counts only once it exists.
    void uploadChoiceStartsAtTheLastTransferredFile()
    {
        Rig rig;
        QCOMPARE(rig.engine.UploadStartFolder(), rig.folder.path());
        rig.engine.SetDownloadFolder(rig.folder.filePath("card"));
        QCOMPARE(rig.engine.UploadStartFolder(), QString());
        QDir().mkpath(rig.folder.filePath("dir"));
        const QString path = rig.folder.filePath("dir/SEND.BIN");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("x") == 1);
        file.close();
        rig.engine.StartUpload(path);
        QCOMPARE(rig.events.shown, QStringList{"SEND.BIN"});
        QCOMPARE(rig.engine.State().LinkMode, LinkModes::Upload);
        QCOMPARE(rig.engine.UploadStartFolder(), rig.folder.filePath("dir") + '/');
    }
};

QTEST_GUILESS_MAIN(LinkEngineTest)
#include "link_engine_test.moc"
