// The simulated recorder driven in memory; the manager's side is written here byte by byte.

#include "options.h"
#include "recorder.h"

#include "base/errors.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace qtx::sim;

namespace {

QByteArray Hex(const char* hex)
{
    return QByteArray::fromHex(hex);
}

QByteArray Pattern(int size, int seed = 0)
{
    QByteArray data(size, Qt::Uninitialized);
    for (int i = 0; i < size; ++i)
        data[i] = static_cast<char>((i * 31 + seed * 7 + i / 7) & 0xFF);
    return data;
}

QByteArray Le16(unsigned value)
{
    return QByteArray(1, static_cast<char>(value & 0xFF)) + QByteArray(1, static_cast<char>(value >> 8));
}

unsigned Sum(const QByteArray& bytes)
{
    unsigned sum = 0;
    for (char c : bytes)
        sum += static_cast<quint8>(c);
    return sum;
}

// Payload followed by its checksum: the tail of every data frame.
QByteArray WithChecksum(const QByteArray& payload)
{
    return payload + Le16(Sum(payload) & 0xFFFF);
}

QByteArray GetRequest(const QByteArray& name)
{
    return Hex("ff0003") + name + Hex("0d");
}

// FF 00 09, name, 00, size (4, LE), checksum (2, LE) of everything before it.
QByteArray UploadHeader(const QByteArray& name, quint32 size)
{
    QByteArray header = Hex("ff0009") + name + Hex("00");
    for (int i = 0; i < 4; ++i)
        header.append(static_cast<char>((size >> (8 * i)) & 0xFF));
    return header + Le16(Sum(header) & 0xFFFF);
}

// Number, length (2, LE), (sum of those three + 0x37) mod 256, payload, checksum.
QByteArray UploadFrame(quint8 number, const QByteArray& payload)
{
    QByteArray frame(1, static_cast<char>(number));
    frame += Le16(static_cast<unsigned>(payload.size()));
    frame.append(static_cast<char>((Sum(frame) + 0x37) & 0xFF));
    return frame + WithChecksum(payload);
}

// A card folder inside a scratch folder (so that "../x" has something to reach) and a
// recorder on it, with the time moved by hand.
class Line {
public:
    explicit Line(const RecorderSettings& settings = {})
    {
        card_ = root_.path() + QStringLiteral("/card");
        QDir().mkpath(card_);
        recorder = std::make_unique<Recorder>(CardFolder(card_.toStdString()), settings,
                                              [this](const QString& line) { log << line; });
    }

    QString CardPath(const QString& name) const { return card_ + QLatin1Char('/') + name; }
    QString OutsidePath(const QString& name) const { return root_.path() + QLatin1Char('/') + name; }

    static void Write(const QString& path, const QByteArray& data)
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(data);
    }
    static QByteArray Read(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }
    void Put(const QString& name, const QByteArray& data) { Write(CardPath(name), data); }

    // Bytes from the manager, then what the recorder has sent by now.
    QByteArray Send(const QByteArray& bytes)
    {
        recorder->Receive(bytes, now);
        return recorder->TakeOutput(now);
    }
    QByteArray Wait(qint64 ms)
    {
        now += ms;
        recorder->Advance(now);
        return recorder->TakeOutput(now);
    }
    bool Logged(const QString& part) const
    {
        return std::any_of(log.begin(), log.end(), [&](const QString& line) { return line.contains(part); });
    }

    std::unique_ptr<Recorder> recorder;
    QStringList log;
    qint64 now = 1000;

private:
    QTemporaryDir root_;
    QString card_;
};

// What the manager saw of one download and what it kept.
struct Transfer {
    QByteArray data;
    bool complete = false;
    QStringList transcript;
};

// The manager's side of a download, run in 2 ms steps as its link engine runs: it checks the
// file header and each frame, answers a good frame with "{", takes a frame repeating the
// number just accepted as a resend (answered, not kept), and after 20 silent runs sends "d"
// and reads the next frame afresh. A garbled frame is ignored up to that silence.
Transfer RunDownload(Line& line, const QByteArray& name, qint64 limitMs)
{
    Transfer t;
    const auto send = [&](const QByteArray& bytes) {
        t.transcript << QStringLiteral("%1 > %2").arg(line.now).arg(QString::fromLatin1(bytes.toHex()));
        line.recorder->Receive(bytes, line.now);
    };
    send(GetRequest(name));
    QByteArray frame;
    bool headerDone = false;
    bool garbled = false;
    quint32 size = 0;
    int lastNumber = -1;
    int idleRuns = 0;
    for (const qint64 end = line.now + limitMs; line.now < end;) {
        line.now += 2;
        line.recorder->Advance(line.now);
        const QByteArray bytes = line.recorder->TakeOutput(line.now);
        if (bytes.isEmpty()) {
            if (++idleRuns > 20) {
                send("d");
                idleRuns = 0;
                frame.clear();
                garbled = false;
            }
            continue;
        }
        t.transcript << QStringLiteral("%1 < %2").arg(line.now).arg(QString::fromLatin1(bytes.toHex()));
        idleRuns = 0;
        for (char c : bytes) {
            if (garbled)
                continue;
            frame.append(c);
            const auto at = [&](int i) { return static_cast<quint8>(frame[i]); };
            if (!headerDone) {
                if (frame.size() < 8)
                    continue;
                if (at(7) != ((at(1) + at(2) + at(3) + at(4) + at(5) + at(6) + 0x37) & 0xFF)) {
                    garbled = true;
                    continue;
                }
                size = static_cast<quint32>(at(1) | at(2) << 8 | at(3) << 16) | static_cast<quint32>(at(4)) << 24;
                headerDone = true;
                frame.clear();
                if (size == 0) {
                    t.complete = true;
                    return t;
                }
                continue;
            }
            if (frame.size() == 4 && at(3) != ((at(0) + at(1) + at(2)) & 0xFF)) {
                garbled = true;
                continue;
            }
            if (frame.size() < 4 || frame.size() < (at(1) | at(2) << 8) + 6)
                continue;
            const QByteArray payload = frame.mid(4, frame.size() - 6);
            const bool good = WithChecksum(payload) == frame.mid(4);
            const int number = at(0);
            frame.clear();
            if (!good)
                continue;
            if (number != lastNumber) {
                t.data += payload;
                lastNumber = number;
            }
            send("{");
            if (t.data.size() == static_cast<qsizetype>(size)) {
                t.complete = true;
                return t;
            }
        }
    }
    return t;
}

} // namespace

class RecorderTest : public QObject {
    Q_OBJECT

private slots:
    void listReplyCarriesIdFlagAndFileNames();
    void getSendsHeaderThenFramesOnEachAcknowledgement();
    void resendsTheLastFrameOnDAndStopsOnB();
    void emptyFileIsAHeaderAnnouncingZeroBytes();
    void deleteRemovesTheNamedFile();
    void namesReachingOutsideTheCardAreRefused();
    void uploadAcceptsGoodFramesRejectsBadOnesAndStoresAtTheEnd();
    void uploadOfZeroBytesAndUploadHeaderChecks();
    void brokenRequestsAndStrayBytesAreDropped();
    void closingThePortForgetsTheTransfer();
    void pacedOutputKeepsToTheLineRate();
    void eachFaultDoesWhatItSays();
    void faultsAreReproducibleFromTheSeed();
    void faultListAndCommandLine();
};

void RecorderTest::listReplyCarriesIdFlagAndFileNames()
{
    Line line;
    line.Put(QStringLiteral("KONFOUT.TXT"), "x");
    line.Put(QStringLiteral("USERS.txt"), "");
    line.Put(QStringLiteral("21051110.CSV"), "y");
    QDir(line.CardPath({})).mkdir(QStringLiteral("LOGS"));
    QCOMPARE(line.Send(Hex("ff00050d")), Hex("ff010139") + "21051110.CSV\r\nKONFOUT.TXT\r\nUSERS.txt\r\n" + Hex("15"));

    RecorderSettings settings;
    settings.deviceId = 7;
    settings.passwordOk = false;
    Line other(settings);
    // Device ID 7, password flag 0, check (7 + 0 + 0x37) mod 256; an empty card ends at once.
    QCOMPARE(other.Send(Hex("ff00050d")), Hex("ff07003e15"));
    // The request may come in pieces, with a text before its code.
    QCOMPARE(other.Send(Hex("ff4142")), QByteArray());
    QCOMPARE(other.Send(Hex("00050d")), Hex("ff07003e15"));
}

void RecorderTest::getSendsHeaderThenFramesOnEachAcknowledgement()
{
    Line line;
    const QByteArray data = Pattern(1300);
    line.Put(QStringLiteral("21051110.CSV"), data);

    // Header: FF, size 1300 = 14 05 00 00, ID 1, flag 1, (sum + 0x37) mod 256 = 0x52; then frame 0.
    QCOMPARE(line.Send(GetRequest("21051110.CSV")), Hex("ff1405000001015200000202") + WithChecksum(data.first(512)));
    QCOMPARE(line.Wait(500), QByteArray()); // nothing more without "{"
    QCOMPARE(line.Send("{"), Hex("01000203") + WithChecksum(data.mid(512, 512)));
    QCOMPARE(line.Send("{"), Hex("02140117") + WithChecksum(data.mid(1024)));
    QVERIFY(line.recorder->Downloading());
    QCOMPARE(line.Send("{"), QByteArray());
    QVERIFY(!line.recorder->Downloading());
    QCOMPARE(line.Send("{d"), QByteArray()); // after the end, answers mean nothing

    // The card is case-blind, as the recorder's is.
    QCOMPARE(line.Send(GetRequest("21051110.csv")).first(8), Hex("ff14050000010152"));

    // Frame numbers wrap at 256 and every frame carries at most 512 bytes.
    const QByteArray big = Pattern(257 * 512 + 3, 5);
    line.Put(QStringLiteral("BIG.BIN"), big);
    QByteArray out = line.Send(GetRequest("BIG.BIN")).mid(8);
    QByteArray received;
    for (int n = 0; n <= 257; ++n) {
        const int length = n < 257 ? 512 : 3;
        QCOMPARE(out.size(), length + 6);
        QCOMPARE(static_cast<quint8>(out[0]), static_cast<quint8>(n & 0xFF));
        QCOMPARE(static_cast<quint8>(out[1]) | static_cast<quint8>(out[2]) << 8, length);
        received += out.mid(4, length);
        out = line.Send("{");
    }
    QCOMPARE(received, big);
    QVERIFY(!line.recorder->Downloading());
}

void RecorderTest::resendsTheLastFrameOnDAndStopsOnB()
{
    Line line;
    const QByteArray data = Pattern(1300, 1);
    line.Put(QStringLiteral("A.CSV"), data);
    const QByteArray frame0 = Hex("00000202") + WithChecksum(data.first(512));
    const QByteArray frame1 = Hex("01000203") + WithChecksum(data.mid(512, 512));
    QCOMPARE(line.Send(GetRequest("A.CSV")).mid(8), frame0);
    // The manager asks again only after 40 ms of silence: a "d" sooner than that crossed the
    // frame on the line, and a second copy would only be a stray one.
    QCOMPARE(line.Wait(kCrossingMs - 1), QByteArray());
    QCOMPARE(line.Send("d"), QByteArray());
    QCOMPARE(line.Wait(1), QByteArray());
    QCOMPARE(line.Send("d"), frame0);
    QCOMPARE(line.Wait(40), QByteArray());
    QCOMPARE(line.Send("d"), frame0);
    QCOMPARE(line.Send("{"), frame1);
    QCOMPARE(line.Wait(40), QByteArray());
    QCOMPARE(line.Send("d"), frame1);
    QCOMPARE(line.Send("B"), QByteArray());
    QVERIFY(!line.recorder->Downloading());
    QCOMPARE(line.Send("{"), QByteArray());
    QCOMPARE(line.Send("d"), QByteArray());
    // A new request during a download replaces it.
    line.Send(GetRequest("A.CSV"));
    QCOMPARE(line.Send(Hex("ff00050d")), Hex("ff010139") + "A.CSV\r\n" + Hex("15"));
    QCOMPARE(line.Send("{"), QByteArray());
}

void RecorderTest::emptyFileIsAHeaderAnnouncingZeroBytes()
{
    Line line;
    line.Put(QStringLiteral("USERS.TXT"), "");
    const QByteArray header = Hex("ff000000000101") + Hex("39");
    QCOMPARE(line.Send(GetRequest("USERS.TXT")), header);
    QCOMPARE(line.Wait(200), QByteArray());
    QCOMPARE(line.Send("d"), header);
    QCOMPARE(line.Send("{"), QByteArray());
    QVERIFY(!line.recorder->Downloading());
}

void RecorderTest::deleteRemovesTheNamedFile()
{
    Line line;
    line.Put(QStringLiteral("KONFIG.TXT"), "cmd");
    line.Put(QStringLiteral("KEEP.TXT"), "k");
    QCOMPARE(line.Send(Hex("ff000b") + "KONFIG.TXT" + Hex("0d")), QByteArray());
    QVERIFY(!QFile::exists(line.CardPath(QStringLiteral("KONFIG.TXT"))));
    QVERIFY(QFile::exists(line.CardPath(QStringLiteral("KEEP.TXT"))));
    QCOMPARE(line.Send(Hex("ff000b") + "NONE.TXT" + Hex("0d")), QByteArray());
    QVERIFY(line.Logged(QStringLiteral("no such file")));
    QCOMPARE(line.Send(Hex("ff00050d")), Hex("ff010139") + "KEEP.TXT\r\n" + Hex("15"));
}

void RecorderTest::namesReachingOutsideTheCardAreRefused()
{
    Line line;
    Line::Write(line.OutsidePath(QStringLiteral("x")), "outside");
    QDir(line.CardPath({})).mkdir(QStringLiteral("sub"));
    line.Put(QStringLiteral("sub/x"), "in a folder");
    for (const QByteArray& name : {QByteArray("../x"), QByteArray("sub/x"), QByteArray("..\\x"), QByteArray(".."),
                                   QByteArray("/etc/passwd"), QByteArray("a\x01.txt")}) {
        QCOMPARE(line.Send(GetRequest(name)), QByteArray());
        QCOMPARE(line.Send(Hex("ff000b") + name + Hex("0d")), QByteArray());
        // An upload under such a name is refused with the only refusal there is, "d".
        QCOMPARE(line.Send(UploadHeader(name, 3)), QByteArray("d"));
        QCOMPARE(line.Send(UploadFrame(0, "new")), QByteArray()); // not an upload: stray bytes
        QVERIFY(!line.recorder->Uploading());
        QCOMPARE(line.Wait(100), QByteArray());
    }
    QCOMPARE(Line::Read(line.OutsidePath(QStringLiteral("x"))), QByteArray("outside"));
    QCOMPARE(Line::Read(line.CardPath(QStringLiteral("sub/x"))), QByteArray("in a folder"));
    QVERIFY(line.Logged(QStringLiteral("refused")));
}

void RecorderTest::uploadAcceptsGoodFramesRejectsBadOnesAndStoresAtTheEnd()
{
    Line line;
    line.Put(QStringLiteral("A.BIN"), "old contents");
    const QByteArray data = Pattern(2000, 3);
    QCOMPARE(UploadHeader("A.BIN", 1300), Hex("ff0009412e42494e0014050000"
                                              "6902")); // the test's own builder
    QCOMPARE(line.Send(UploadHeader("A.BIN", 2000)), QByteArray("{"));

    QCOMPARE(line.Send(UploadFrame(0, data.first(512))), QByteArray("{"));
    QByteArray badSum = UploadFrame(1, data.mid(512, 512));
    badSum[100] = static_cast<char>(badSum[100] ^ 0x10);
    QCOMPARE(line.Send(badSum), QByteArray("d"));
    QCOMPARE(line.Send(UploadFrame(1, data.mid(512, 512))), QByteArray("{"));
    // The same frame again (its "{" lost on the line) is answered but kept once.
    QCOMPARE(line.Send(UploadFrame(1, data.mid(512, 512))), QByteArray("{"));

    // A length that disagrees with its check byte: the frame's end is unknown, so the recorder
    // waits for the line to go quiet before it asks again.
    QByteArray badLength = UploadFrame(2, data.mid(1024, 512));
    badLength[2] = static_cast<char>(badLength[2] + 1);
    QCOMPARE(line.Send(badLength), QByteArray());
    QCOMPARE(line.Wait(kFrameGapMs - 1), QByteArray());
    QCOMPARE(line.Wait(1), QByteArray("d"));
    QCOMPARE(line.Send(UploadFrame(2, data.mid(1024, 512))), QByteArray("{"));

    // A frame cut short is given up after the same silence.
    QCOMPARE(line.Send(UploadFrame(3, data.mid(1536)).first(100)), QByteArray());
    QCOMPARE(line.Wait(kFrameGapMs), QByteArray("d"));
    QCOMPARE(line.Send(UploadFrame(5, data.mid(1536))), QByteArray("d")); // out of order
    QCOMPARE(Line::Read(line.CardPath(QStringLiteral("A.BIN"))), QByteArray("old contents"));
    QCOMPARE(line.Send(UploadFrame(3, data.mid(1536))), QByteArray("{"));
    QCOMPARE(Line::Read(line.CardPath(QStringLiteral("A.BIN"))), data);
    QVERIFY(!line.recorder->Uploading());
    QCOMPARE(QDir(line.CardPath({})).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("A.BIN")});
    // Back to requests.
    QCOMPARE(line.Send(Hex("ff00050d")), Hex("ff010139") + "A.BIN\r\n" + Hex("15"));
}

void RecorderTest::uploadOfZeroBytesAndUploadHeaderChecks()
{
    Line line;
    QCOMPARE(line.Send(UploadHeader("EMPTY.TXT", 0)), QByteArray("{"));
    QVERIFY(!line.recorder->Uploading());
    QCOMPARE(Line::Read(line.CardPath(QStringLiteral("EMPTY.TXT"))), QByteArray());

    QByteArray bad = UploadHeader("B.TXT", 4);
    bad[bad.size() - 1] = static_cast<char>(bad[bad.size() - 1] ^ 1);
    QCOMPARE(line.Send(bad), QByteArray("d"));
    QVERIFY(!line.recorder->Uploading());
    QCOMPARE(line.Send(UploadHeader("B.TXT", 4)), QByteArray("{"));
    // A frame running past the announced size is refused.
    QCOMPARE(line.Send(UploadFrame(0, "12345")), QByteArray("d"));
    QCOMPARE(line.Send(UploadFrame(0, "1234")), QByteArray("{"));
    QCOMPARE(Line::Read(line.CardPath(QStringLiteral("B.TXT"))), QByteArray("1234"));

    // A manager that stops sending mid-upload is given up, and requests are heard again.
    QCOMPARE(line.Send(UploadHeader("C.TXT", 1000)), QByteArray("{"));
    QCOMPARE(line.Send(UploadFrame(0, Pattern(512))), QByteArray("{"));
    QCOMPARE(line.Wait(kUploadIdleMs), QByteArray());
    QVERIFY(!line.recorder->Uploading());
    QVERIFY(!QFile::exists(line.CardPath(QStringLiteral("C.TXT"))));
    QCOMPARE(line.Send(Hex("ff00050d")).first(4), Hex("ff010139"));
}

void RecorderTest::brokenRequestsAndStrayBytesAreDropped()
{
    Line line;
    line.Put(QStringLiteral("K.TXT"), "k");
    QCOMPARE(line.Send("{dB\x7f"), QByteArray());
    QCOMPARE(line.Send(Hex("ff00")), QByteArray());
    QCOMPARE(line.Wait(kFrameGapMs), QByteArray());
    QCOMPARE(line.Send(Hex("050d")), QByteArray());                          // the tail of the dropped request
    QCOMPARE(line.Send(Hex("ff007f0d")), QByteArray());                      // unknown code
    QCOMPARE(line.Send(Hex("ff") + QByteArray(200, 'a')), QByteArray());     // endless text
    QCOMPARE(line.Send(Hex("ff0003") + QByteArray(200, 'a')), QByteArray()); // endless name
    QCOMPARE(line.Send(Hex("ff00050d")), Hex("ff010139") + "K.TXT\r\n" + Hex("15"));
}

void RecorderTest::closingThePortForgetsTheTransfer()
{
    RecorderSettings settings;
    settings.bitsPerSecond = 9600;
    Line line(settings);
    line.Put(QStringLiteral("A.CSV"), Pattern(3000));
    line.Send(GetRequest("A.CSV"));
    QVERIFY(!line.Wait(50).isEmpty());
    line.recorder->LineDropped();
    QVERIFY(!line.recorder->Downloading());
    QCOMPARE(line.Wait(1000), QByteArray());
    QCOMPARE(line.Send("{"), QByteArray());
    line.Send(UploadHeader("U.BIN", 100));
    line.Send(UploadFrame(0, Pattern(20)).first(7));
    line.recorder->LineDropped();
    QVERIFY(!line.recorder->Uploading());
    QVERIFY(!line.recorder->NextDueMs().has_value());
    // The second opening serves a whole download.
    const Transfer again = RunDownload(line, "A.CSV", 60000);
    QVERIFY(again.complete);
    QCOMPARE(again.data, Pattern(3000));
}

void RecorderTest::pacedOutputKeepsToTheLineRate()
{
    RecorderSettings settings;
    settings.bitsPerSecond = 115200; // 11.52 bytes a millisecond
    Line line(settings);
    line.Put(QStringLiteral("A.CSV"), Pattern(1300));
    // The 16-byte request takes 1.4 ms to come in; then header and first frame, 526 bytes,
    // take 45.6 ms to go out.
    QByteArray out = line.Send(GetRequest("A.CSV"));
    QCOMPARE(out, QByteArray());
    for (int ms = 1; ms <= 45; ++ms) {
        out += line.Wait(1);
        QVERIFY2(static_cast<double>(out.size()) <= ms * 11.52 + 1,
                 qPrintable(QStringLiteral("%1 bytes at %2 ms").arg(out.size()).arg(ms)));
        QVERIFY(static_cast<double>(out.size()) >= (ms - 1) * 11.52 - 1);
        QVERIFY(*line.recorder->NextDueMs() <= line.now + 1);
    }
    QVERIFY(out.size() < 526);
    out += line.Wait(1);
    QCOMPARE(out, Hex("ff14050000010152") + Hex("00000202") + WithChecksum(Pattern(1300).first(512)));
    QVERIFY(!line.recorder->NextDueMs().has_value());
    // An idle line saves up nothing: after a pause the next frame starts at the same pace.
    QCOMPARE(line.Wait(5000), QByteArray());
    QCOMPARE(line.Send("{"), QByteArray());
    QCOMPARE(line.Wait(10).size(), 116);

    // The manager's bytes come in at the same rate: a 518-byte upload frame takes 45 ms.
    QCOMPARE(line.Send(UploadHeader("P.BIN", 600)), QByteArray());
    QCOMPARE(line.Wait(2), QByteArray("{"));
    QCOMPARE(line.Send(UploadFrame(0, Pattern(512))), QByteArray());
    QCOMPARE(*line.recorder->NextDueMs(), line.now + 1);
    QCOMPARE(line.Wait(44), QByteArray());
    QCOMPARE(line.Wait(1), QByteArray("{"));

    // The whole file through the manager's side takes the time it takes on a real cable.
    Line timed(settings);
    timed.Put(QStringLiteral("B.CSV"), Pattern(20000));
    const qint64 start = timed.now;
    const Transfer t = RunDownload(timed, "B.CSV", 60000);
    QVERIFY(t.complete);
    QCOMPARE(t.data, Pattern(20000));
    const qint64 lineMs = (8 + 20000 + 40 * 6) * 10 * 1000 / 115200;
    QVERIFY2(timed.now - start >= lineMs && timed.now - start < lineMs + 40 * 4,
             qPrintable(QStringLiteral("%1 ms").arg(timed.now - start)));
}

void RecorderTest::eachFaultDoesWhatItSays()
{
    const QByteArray data = Pattern(1300, 9);
    const QByteArray header = Hex("ff14050000010152");
    const QByteArray frame0 = Hex("00000202") + WithChecksum(data.first(512));
    const QByteArray frame1 = Hex("01000203") + WithChecksum(data.mid(512, 512));
    RecorderSettings settings;

    settings.faults = ParseFaultList(QStringLiteral("corrupt=1"));
    {
        Line line(settings);
        line.Put(QStringLiteral("A.CSV"), data);
        const QByteArray out = line.Send(GetRequest("A.CSV"));
        QCOMPARE(out.first(8), header); // headers are never faulted
        const QByteArray sent = out.mid(8);
        QCOMPARE(sent.size(), frame0.size());
        int differing = 0;
        for (qsizetype i = 0; i < sent.size(); ++i)
            differing += sent[i] != frame0[i];
        QCOMPARE(differing, 1);
        line.Wait(40);
        const QByteArray again = line.Send("d");
        QCOMPARE(again.size(), frame0.size());
        QVERIFY(again != frame0);
        // Received upload frames are taken as corrupted too.
        QCOMPARE(line.Send(UploadHeader("U.BIN", 3)), QByteArray("{"));
        QCOMPARE(line.Send(UploadFrame(0, "abc")), QByteArray("d"));
    }

    settings.faults = ParseFaultList(QStringLiteral("lose-ack=1"));
    {
        Line line(settings);
        line.Put(QStringLiteral("A.CSV"), data);
        QCOMPARE(line.Send(GetRequest("A.CSV")), header + frame0);
        QCOMPARE(line.Send("{"), QByteArray());
        QCOMPARE(line.Wait(40), QByteArray());
        QCOMPARE(line.Send("d"), frame0);
    }

    settings.faults = ParseFaultList(QStringLiteral("duplicate=1"));
    {
        Line line(settings);
        line.Put(QStringLiteral("A.CSV"), data);
        QCOMPARE(line.Send(GetRequest("A.CSV")), header + frame0 + frame0);
        // One "{" for each copy before the next frame goes.
        QCOMPARE(line.Send("{"), QByteArray());
        QCOMPARE(line.Send("{"), frame1 + frame1);
        line.Wait(40);
        QCOMPARE(line.Send("d"), frame1 + frame1);
        QCOMPARE(line.Send("{"), QByteArray());
        // The last frame goes out once: a second copy would reach a manager already done with
        // the file, in front of the next file's header.
        QCOMPARE(line.Send("{"), Hex("02140117") + WithChecksum(data.mid(1024)));
        QCOMPARE(line.Send("{"), QByteArray());
        QVERIFY(!line.recorder->Downloading());
    }

    settings.faults = ParseFaultList(QStringLiteral("silence=1,silence-ms=120"));
    {
        Line line(settings);
        line.Put(QStringLiteral("A.CSV"), data);
        QCOMPARE(line.Send(GetRequest("A.CSV")), header);
        QCOMPARE(*line.recorder->NextDueMs(), line.now + 120);
        QCOMPARE(line.Wait(60), QByteArray());
        // The manager's "d" during the silence is answered by the frame still to come.
        QCOMPARE(line.Send("d"), QByteArray());
        QCOMPARE(line.Wait(59), QByteArray());
        QCOMPARE(line.Wait(1), frame0);
        QCOMPARE(line.Send("{"), QByteArray());
        QCOMPARE(line.Wait(120), frame1);
    }
}

void RecorderTest::faultsAreReproducibleFromTheSeed()
{
    const QByteArray data = Pattern(20 * 1024, 4);
    const auto run = [&](quint64 seed, QStringList* log = nullptr) {
        RecorderSettings settings;
        settings.faults = ParseFaultList(QStringLiteral("corrupt=4,lose-ack=4,duplicate=4,silence=4,silence-ms=100"));
        settings.faults.seed = seed;
        Line line(settings);
        line.Put(QStringLiteral("E.CSV"), data);
        const Transfer t = RunDownload(line, "E.CSV", 120000);
        if (log)
            *log = line.log;
        // Every fault is one the manager's side recovers from.
        if (!t.complete || t.data != data)
            qWarning("download with seed %llu did not arrive whole", seed);
        return t;
    };
    QStringList log;
    const Transfer first = run(7, &log);
    QVERIFY(first.complete);
    QCOMPARE(first.data, data);
    for (const char* kind : {"corrupted", "held back", "twice", "ignored"})
        QVERIFY2(std::any_of(log.begin(), log.end(),
                             [&](const QString& line) { return line.contains(QLatin1String(kind)); }),
                 kind);
    QCOMPARE(run(7).transcript, first.transcript);
    QVERIFY(run(8).transcript != first.transcript);

    // Switching a fault kind on does not move the draws of the others.
    const auto framesHeldBack = [&](const QString& faults) {
        RecorderSettings settings;
        settings.faults = ParseFaultList(faults);
        Line line(settings);
        line.Put(QStringLiteral("E.CSV"), data);
        RunDownload(line, "E.CSV", 120000);
        QStringList held;
        for (const QString& entry : line.log)
            if (entry.contains(QLatin1String("held back")))
                held << entry;
        return held;
    };
    QCOMPARE(framesHeldBack(QStringLiteral("silence=3")), framesHeldBack(QStringLiteral("silence=3,duplicate=5")));
}

void RecorderTest::faultListAndCommandLine()
{
    FaultPlan plan =
        ParseFaultList(QStringLiteral("corrupt=50, lose-ack=40,duplicate=1,silence=30,silence-ms=100ms,skip=400"));
    QCOMPARE(plan.corruptEvery, 50);
    QCOMPARE(plan.loseAckEvery, 40);
    QCOMPARE(plan.duplicateEvery, 1);
    QCOMPARE(plan.silenceEvery, 30);
    QCOMPARE(plan.silenceMs, 100);
    QCOMPARE(plan.skipEvery, 400);
    QVERIFY(plan.Any());
    QVERIFY(!ParseFaultList(QStringLiteral("corrupt=0")).Any());
    for (const char* bad : {"", "corrupt", "corrupt=x", "corrupt=-1", "bogus=1", "silence-ms=0", "=3"})
        QVERIFY_THROWS_EXCEPTION(qtx::FormatError, ParseFaultList(QString::fromLatin1(bad)));

    const Options options = ParseOptions(
        {QStringLiteral("--card"), QStringLiteral("/tmp/c"), QStringLiteral("--device-id=7"),
         QStringLiteral("--password-ok"), QStringLiteral("0"), QStringLiteral("--baud-pace"), QStringLiteral("115200"),
         QStringLiteral("--seed"), QStringLiteral("9"), QStringLiteral("--fault"), QStringLiteral("corrupt=5"),
         QStringLiteral("--fault=silence=2"), QStringLiteral("--com"), QStringLiteral("5"), QStringLiteral("-v")});
    QCOMPARE(options.card, QStringLiteral("/tmp/c"));
    QCOMPARE(options.settings.deviceId, quint8(7));
    QVERIFY(!options.settings.passwordOk);
    QCOMPARE(options.settings.bitsPerSecond, 115200);
    QCOMPARE(options.settings.faults.seed, quint64(9)); // whichever comes first
    QCOMPARE(options.settings.faults.corruptEvery, 5);
    QCOMPARE(options.settings.faults.silenceEvery, 2);
    QCOMPARE(options.com, 5);
    QVERIFY(options.verbose);
    QVERIFY(ParseOptions({QStringLiteral("--help")}).help);
    const QList<QStringList> wrong = {
        {},
        {QStringLiteral("--card")},
        {QStringLiteral("--card"), QStringLiteral("d"), QStringLiteral("--device-id"), QStringLiteral("256")},
        {QStringLiteral("--card"), QStringLiteral("d"), QStringLiteral("--password-ok"), QStringLiteral("2")},
        {QStringLiteral("--card"), QStringLiteral("d"), QStringLiteral("--baud-pace"), QStringLiteral("0")},
        {QStringLiteral("--card"), QStringLiteral("d"), QStringLiteral("--com"), QStringLiteral("x")},
        {QStringLiteral("--card"), QStringLiteral("d"), QStringLiteral("--verbose=1")},
        {QStringLiteral("--card"), QStringLiteral("d"), QStringLiteral("extra")},
    };
    for (const QStringList& arguments : wrong)
        QVERIFY_THROWS_EXCEPTION(qtx::FormatError, ParseOptions(arguments));
    QVERIFY(HelpText().contains(QLatin1String("lose-ack=N")));
}

QTEST_GUILESS_MAIN(RecorderTest)
#include "recorder_test.moc"
