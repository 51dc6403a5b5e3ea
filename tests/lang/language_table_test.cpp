// The language table: line parsing, lookup, text forms, and the shipped lang.txt.

#include "base/errors.h"
#include "base/text_file.h"
#include "lang/language_table.h"

#include <QDir>
#include <QDirIterator>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

using qtx::FindLanguageFile;
using qtx::LanguageTable;
using qtx::ParseLanguageLine;

class LanguageTableTest : public QObject {
    Q_OBJECT

private slots:
    void parsesFieldsCommentsAndNulls()
    {
        QCOMPARE(ParseLanguageLine("USER MANAGER\tMENEDŻER\t"), QStringList({"USER MANAGER", "MENEDŻER"}));
        // Runs of TABs are one separator, so the Polish text stays column 1.
        QCOMPARE(ParseLanguageLine("KEY\t\tTEKST\t"), QStringList({"KEY", "TEKST"}));
        QCOMPARE(ParseLanguageLine("KEY\t*NULL*\t"), QStringList({"KEY", QString()}));
        QCOMPARE(ParseLanguageLine("KEY\tTEKST\t# a comment\tafter"), QStringList({"KEY", "TEKST"}));
        QCOMPARE(ParseLanguageLine("# only a comment"), QStringList());
        QCOMPARE(ParseLanguageLine(""), QStringList());
        QCOMPARE(ParseLanguageLine("\t\tLEADING\t"), QStringList({"LEADING"}));
        // A last field without its TAB still counts.
        QCOMPARE(ParseLanguageLine("KEY\tTEKST"), QStringList({"KEY", "TEKST"}));
    }

    void looksUpInAnyColumnAndBracesMissingKeys()
    {
        LanguageTable t;
        t.LoadLanguageText(
            "\n# comment\nUSER MANAGER\tMENEDŻER UŻYTKOWNIKÓW\t\nARCHIVE\tARCHIWUM\t\nEMPTY\t*NULL*\t\n");
        QCOMPARE(t.FindText("USER MANAGER", 1), QString("MENEDŻER UŻYTKOWNIKÓW"));
        QCOMPARE(t.FindText("ARCHIWUM", 0), QString("ARCHIVE")); // a Polish key answers too
        QCOMPARE(t.FindText("MISSING", 1), QString("{MISSING}"));
        QCOMPARE(t.FindText("archive", 1), QString("{archive}")); // keys are case-sensitive
        t.SetLanguageIndex(qtx::Polish);
        QCOMPARE(t.GetText("EMPTY"), QString());
        QCOMPARE(t.GetSentence("USER MANAGER"), QString("Menedżer użytkowników"));
        QCOMPARE(t.Lower("ARCHIVE"), QString("archiwum"));
        t.SetLanguageIndex(qtx::English);
        QCOMPARE(t.GetSentence("USER MANAGER"), QString("User manager"));
        QCOMPARE(t.Upper("USER MANAGER"), QString("USER MANAGER"));
        // Sentence case keeps the brace first and lowers the rest.
        QCOMPARE(t.GetSentence("MISSING KEY"), QString("{missing key}"));
    }

    void polishLettersChangeCase()
    {
        LanguageTable t;
        t.LoadLanguageText("K\tŻÓŁĆ ĘŚĄŹŃ\t\nL\tżółć\t\n");
        t.SetLanguageIndex(qtx::Polish);
        QCOMPARE(t.GetSentence("K"), QString("Żółć ęśąźń"));
        QCOMPARE(t.Upper("L"), QString("ŻÓŁĆ"));
    }

    void recordWithoutTheColumnRaisesListIndexError()
    {
        LanguageTable t;
        t.LoadLanguageText("BROKEN\t\nGOOD\tDOBRY\t\n");
        t.SetLanguageIndex(qtx::Polish);
        QCOMPARE(t.GetText("GOOD"), QString("DOBRY"));
        QVERIFY_THROWS_EXCEPTION(qtx::ListIndexError, t.GetText("BROKEN"));
    }

    void missingFileAppendsNothing()
    {
        LanguageTable t;
        t.LoadLanguageFile("/nonexistent/lang.txt");
        QCOMPARE(t.RecordCount(), 0);
        QCOMPARE(t.GetText("ANY"), QString("{ANY}"));
    }

    // Beside the program first (a build folder), then the installed share folder.
    void languageFileIsLookedForInOrder()
    {
        QTemporaryDir dir;
        const QString beside = dir.filePath("bin/");
        const QString share = dir.filePath("share/qtx-manager/");
        QVERIFY(QDir().mkpath(beside) && QDir().mkpath(share));
        QCOMPARE(FindLanguageFile({beside, share}), QString());
        qtx::WriteWholeFile(share + "lang.txt", "A\tB\t\r\n");
        QCOMPARE(FindLanguageFile({beside, share}), share + "lang.txt");
        qtx::WriteWholeFile(beside + "lang.txt", "A\tB\t\r\n");
        QCOMPARE(FindLanguageFile({beside, share}), beside + "lang.txt");
    }

    // Every key the program looks up must be in the shipped file, with both columns filled,
    // the English column being the key itself.
    void shippedFileAnswersEveryKeyTheCodeUses()
    {
        const QString source = QStringLiteral(QTX_SOURCE_DIR);
        LanguageTable t;
        t.LoadLanguageFile(source + "/src/lang/lang.txt");
        QVERIFY(t.RecordCount() > 100);

        const QRegularExpression call(
            QStringLiteral("(?:GetText|GetSentence|Lower|Upper|FindText)\\(\\s*QStringLiteral\\(\"([^\"]+)\"\\)"));
        QSet<QString> keys;
        QDirIterator it(source + "/src", {"*.cpp", "*.h"}, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString text = QString::fromUtf8(qtx::ReadWholeFile(it.next()));
            for (auto m = call.globalMatch(text); m.hasNext();)
                keys.insert(m.next().captured(1));
        }
        QVERIFY(keys.size() > 20);
        for (const QString& key : keys) {
            QVERIFY2(t.FindText(key, 0) == key, qPrintable("missing or not keyed by its English text: " + key));
            const QString polish = t.FindText(key, 1);
            QVERIFY2(!polish.isEmpty(), qPrintable("no Polish text: " + key));
        }
        // Decoded from code page 1250: the Polish letters survive.
        t.SetLanguageIndex(qtx::Polish);
        QCOMPARE(t.GetSentence("USER MANAGER"), QString("Menedżer użytkowników"));
        QCOMPARE(t.GetSentence("RS-232 CABLE CONNECTION"), QString("Połącz przez rs-232"));
    }
};

QTEST_APPLESS_MAIN(LanguageTableTest)
#include "language_table_test.moc"
