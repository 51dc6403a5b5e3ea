// The atomic save and the whole-file read: a full disk, a read-only file system, files that are
// no plain files, and the words of their errors.

#include "base/errors.h"
#include "base/text_file.h"
#include "lang/language_table.h"
#include "support/full_folder.h"

#include <QElapsedTimer>
#include <QTest>
#include <sys/stat.h>

using namespace qtx;

namespace {

// The message of the FileError that f raises; empty when it raises none.
template <typename F>
QString FileErrorOf(F f)
{
    try {
        f();
    } catch (const FileError& e) {
        return e.message();
    }
    return {};
}

} // namespace

class TextFileTest : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { SetTextLookup({}); }

    // The old file stays whole, no scratch file is left, and the error names the file and why.
    void fullDiskKeepsTheOldFile()
    {
        FullFolder folder;
        const QString target = folder.filePath(QStringLiteral("USERS.txt"));
        WriteWholeFile(target, "old list\r\n");
        folder.Fill();
        const QByteArray bigger(10000, 'n');
        const QString error = FileErrorOf([&] { WriteWholeFile(target, bigger); });
        QCOMPARE(error, QStringLiteral("Cannot save file \"%1\": %2.").arg(target, folder.Cause()));
        QCOMPARE(folder.Names(), QStringList{QStringLiteral("USERS.txt")});
        QCOMPARE(ReadWholeFile(target), QByteArray("old list\r\n"));
        // A library's own writer: its failure is its own, the scratch file goes all the same.
        const QString sheet = folder.filePath(QStringLiteral("month.xlsx"));
        QVERIFY(!FileErrorOf([&] {
                     SaveThroughScratch(sheet, [](const QString& scratch) { WriteWholeFile(scratch + "x", "data"); });
                 }).isEmpty());
        QCOMPARE(folder.Names(), QStringList{QStringLiteral("USERS.txt")});
    }

    // In the Polish interface, from the program's own lang.txt.
    void causeInTheInterfaceLanguage()
    {
        LanguageTable texts;
        texts.LoadLanguageFile(QStringLiteral(QTX_LANG_FILE));
        texts.SetLanguageIndex(Polish);
        SetTextLookup([&texts](const QString& key) { return texts.GetText(key); });
        FullFolder folder;
        const QString target = folder.filePath(QStringLiteral("konfig.txt"));
        folder.Fill();
        const QString polishCause = folder.mounted() ? QStringLiteral("brak miejsca na dysku")
                                                     : QStringLiteral("plik jest za duży dla systemu plików");
        QCOMPARE(FileErrorOf([&] { WriteWholeFile(target, "DeviceID=1\r\n"); }),
                 QStringLiteral("Nie można zapisać pliku \"%1\": %2.").arg(target, polishCause));
        QVERIFY(folder.Names().isEmpty());
        QCOMPARE(FileErrorOf([&] { ReadWholeFile(target); }),
                 QStringLiteral("Nie można otworzyć pliku \"%1\": nie ma takiego pliku ani folderu.").arg(target));
    }

    void readOnlyFileSystemSaysSo()
    {
        FullFolder folder;
        if (!folder.mounted())
            QSKIP("mounting a file system needs root");
        const QString target = folder.filePath(QStringLiteral("KONFOUT.TXT"));
        WriteWholeFile(target, "old");
        const QByteArray dir = QFile::encodeName(folder.path());
        QCOMPARE(::mount("tmpfs", dir.constData(), "tmpfs", MS_REMOUNT | MS_RDONLY, nullptr), 0);
        QCOMPARE(FileErrorOf([&] { WriteWholeFile(target, "new"); }),
                 QStringLiteral("Cannot save file \"%1\": the file system is read-only.").arg(target));
        QCOMPARE(ReadWholeFile(target), QByteArray("old"));
    }

    // A FIFO named like a data file is refused at once instead of waiting for a writer for ever.
    void noPlainFile()
    {
        QTemporaryDir dir;
        const QString fifo = dir.filePath(QStringLiteral("20240101.csv"));
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(FileErrorOf([&] { ReadWholeFile(fifo); }),
                 QStringLiteral("Cannot open file \"%1\": it is not a regular file.").arg(fifo));
        QCOMPARE(FileErrorOf([&] { WriteWholeFile(fifo, "x"); }),
                 QStringLiteral("Cannot save file \"%1\": it is not a regular file.").arg(fifo));
        QVERIFY(clock.elapsed() < 5000);
        QCOMPARE(FileErrorOf([&] { ReadWholeFile(dir.path()); }),
                 QStringLiteral("Cannot open file \"%1\": it is a folder.").arg(dir.path()));
        QCOMPARE(FileErrorOf([&] { WriteWholeFile(dir.path(), "x"); }),
                 QStringLiteral("Cannot save file \"%1\": it is a folder.").arg(dir.path()));
    }

    // A replaced file keeps its permissions; a new one gets those of the umask.
    void permissions()
    {
        QTemporaryDir dir;
        const QString kept = dir.filePath(QStringLiteral("kept"));
        WriteWholeFile(kept, "1");
        QCOMPARE(::chmod(QFile::encodeName(kept).constData(), 0640), 0);
        WriteWholeFile(kept, "2");
        struct stat st {};
        QCOMPARE(::stat(QFile::encodeName(kept).constData(), &st), 0);
        QCOMPARE(st.st_mode & 0777, 0640u);
        const mode_t mask = ::umask(022);
        const QString fresh = dir.filePath(QStringLiteral("fresh"));
        WriteWholeFile(fresh, "1");
        ::umask(mask);
        QCOMPARE(::stat(QFile::encodeName(fresh).constData(), &st), 0);
        QCOMPARE(st.st_mode & 0777, 0644u);
        QCOMPARE(ReadWholeFile(kept), QByteArray("2"));
    }
};

QTEST_APPLESS_MAIN(TextFileTest)
#include "text_file_test.moc"
