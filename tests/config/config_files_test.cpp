// The configuration report reader, the default files and the command lines.

#include "base/errors.h"
#include "base/text_file.h"
#include "config/config_files.h"
#include "support/files.h"
#include "support/full_folder.h"
#include "workspace/workspace_files.h"

#include <QTemporaryDir>
#include <QTest>

using namespace qtx;

class ConfigFilesTest : public QObject {
    Q_OBJECT

private slots:
    void reportKeysFollowTheirRules()
    {
        const ConfigReport r = ParseConfigReport({
            "DeviceID=first",
            " DeviceID=indented is ignored",
            "DeviceID=second",
            "firmware: ?",
            "firmware:1.0 no blank is ignored",
            "port1= exit with blank ",
            "unknown=line",
            "button=ON",
        });
        QCOMPARE(r.deviceName, QByteArray("second"));
        QCOMPARE(r.firmware, QByteArray("?"));
        QCOMPARE(r.port1Name, QByteArray(" exit with blank "));
        QCOMPARE(r.port0Name, QByteArray()); // no port0 line: empty
        QVERIFY(!r.exitByButton);            // only the exact value "on" means the button
    }

    void exitButtonOnlyForExactOn()
    {
        QVERIFY(ParseConfigReport({"button=on"}).exitByButton);
        QVERIFY(!ParseConfigReport({"button= on"}).exitByButton);
        QVERIFY(!ParseConfigReport({"button=on "}).exitByButton);
        QVERIFY(!ParseConfigReport({"button=on", "button=off"}).exitByButton); // last line wins
        QVERIFY(!ParseConfigReport({}).exitByButton);                          // no line: the card reader
        QVERIFY(ParseConfigReport({"firmware: x", "button=on"}).exitByButton);
    }

    void defaultFilesAreByteExact()
    {
        QTemporaryDir dir;
        const QString root = dir.path() + '/';
        WriteDefaultReport(root);
        WriteDefaultCommandFile(root);
        WriteDefaultUserFile(root);
        QCOMPARE(test::ReadFileBytes(root + "KONFOUT.TXT"),
                 QByteArray("DeviceID=Rejestrator QTX-2\r\nfirmware: ?\r\nport0=wyj\x9c"
                            "cie\r\n"
                            "port1=wej\x9c"
                            "cie\r\nbutton=off\r\n"));
        QCOMPARE(test::ReadFileBytes(root + "konfig.txt"), QByteArray("DeviceID=Rejestrator QTX-2\r\nport0=wyj\x9c"
                                                                      "cie\r\nport1=wej\x9c"
                                                                      "cie\r\nbutton=off\r\n"));
        const QByteArray users = test::ReadFileBytes(root + "USERS.txt");
        QCOMPARE(users.size(), 28);
        QCOMPARE(users.left(14), QByteArray("\0\0\0\0\0\0\0\0"
                                            "0001a\0",
                                            14));
        QCOMPARE(users.mid(14, 6), QByteArray(6, users[14]));
        QVERIFY(users[14] != '\0');
        QCOMPARE(users.mid(20), QByteArray("\0admin\r\n", 8));

        const ConfigReport r = ReadConfigReportFile(root + "KONFOUT.TXT");
        QCOMPARE(FromCp1250(r.port0Name), QString("wyjście"));
        QCOMPARE(FromCp1250(r.port1Name), QString("wejście"));
    }

    void commandLinesInOrderOnlyTicked()
    {
        ConfigCommands c;
        QVERIFY(BuildCommandLines(c).isEmpty());
        c.setExitMode = true;
        c.exitByButton = true;
        QCOMPARE(BuildCommandLines(c), QList<QByteArray>({"button=on"}));
        c.setDeviceName = true;
        c.deviceName = "";
        c.setPort0 = true;
        c.port0Name = "IN";
        c.setPort1 = true;
        c.port1Name = "OUT";
        c.setDate = true;
        c.year = "2026";
        c.month = "03";
        c.day = "07";
        c.setTime = true;
        c.hour = "x";
        c.minute = "";
        c.second = "99";
        c.exitByButton = false;
        QCOMPARE(BuildCommandLines(c), QList<QByteArray>({"DeviceID=", "port1=OUT", "port0=IN", "data:2026.03.07",
                                                          "time:x..99", "button=off"}));

        // A line break pasted into a field stays inside its command and never starts another.
        ConfigCommands pasted;
        pasted.setDeviceName = true;
        pasted.deviceName = "Gate\r\nbutton=on\n";
        pasted.setDate = true;
        pasted.year = "\r\n2026";
        pasted.month = "3";
        pasted.day = "7";
        QCOMPARE(BuildCommandLines(pasted), QList<QByteArray>({"DeviceID=Gate button=on", "data:2026.3.7"}));
    }

    void readingLinesAcceptsEveryEnding()
    {
        QCOMPARE(SplitLines("a\r\nb\rc\nd"), QList<QByteArray>({"a", "b", "c", "d"}));
        QCOMPARE(SplitLines("a\r\n\r\n"), QList<QByteArray>({"a", ""}));
        QCOMPARE(SplitLines(""), QList<QByteArray>());
    }

    void failedWriteKeepsTheOldFile()
    {
        QTemporaryDir dir;
        QVERIFY_THROWS_EXCEPTION(FileError, ReadConfigReportFile(dir.path() + "/missing.txt"));
        QVERIFY_THROWS_EXCEPTION(FileError, ReadConfigReportFile(dir.path()));
        QVERIFY_THROWS_EXCEPTION(FileError, WriteTextLines(dir.path() + "/no/such/folder/x.txt", {"x"}));

        // A full disk stops root too, where a read-only file would not.
        FullFolder full;
        const QString path = full.filePath("konfig.txt");
        test::WriteFileBytes(path, "old\r\n");
        full.Fill();
        QVERIFY_THROWS_EXCEPTION(FileError, WriteTextLines(path, {"new"}));
        QCOMPARE(test::ReadFileBytes(path), QByteArray("old\r\n"));
    }
};

QTEST_APPLESS_MAIN(ConfigFilesTest)
#include "config_files_test.moc"
