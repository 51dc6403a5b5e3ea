// The archive window's timesheet: the buttons below the calendar, saving XLSX and CSV through
// the save dialog, the printed PDF (read with poppler's tools), and the day list's CSV.

#include "archive/archive_window.h"
#include "archive/day_list_window.h"
#include "archive/timesheet.h"
#include "archive/timesheet_export.h"
#include "archive_test_data.h"
#include "base/text_file.h"
#include "support/forms_fixture.h"
#include "support/full_folder.h"

#include <QComboBox>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>

using namespace qtx;
using namespace qtx::test;

namespace {

QString LanguageText()
{
    return FromCp1250(ReadWholeFile(QStringLiteral(QTX_LANG_FILE)));
}

QByteArray Record(const QByteArray& id, const QByteArray& name)
{
    return QByteArray(8, '\0') + id + 'u' + '\0' + "12" + '\0' + name + "\r\n";
}

// March 2025 for the given number of users, each in from 8:00 to 16:00 on the 3rd and 4th.
void WriteMarch(const QString& folder, int users)
{
    QByteArray list;
    QList<QByteArray> day3;
    QList<QByteArray> day4;
    for (int u = 1; u <= users; ++u) {
        const QByteArray id = QByteArray::number(u).rightJustified(4, '0');
        list += Record(id, "Pracownik " + id);
        for (QList<QByteArray>* day : {&day3, &day4}) {
            day->append(EventLine(id, 8, 0, 0, true, true, "d", "IN"));
            day->append(EventLine(id, 16, 0, 0, true, true, "d", "OUT"));
        }
    }
    WriteBytes(folder + "/USERS.txt", list);
    WriteBytes(folder + "/20250303.csv", EventFile(day3));
    WriteBytes(folder + "/20250304.csv",
               EventFile(day4 + QList<QByteArray>{EventLine("0099", 9, 0, 0, false, true, "d", "IN")}));
}

void OpenAndLoad(const QString& folder)
{
    Form5->OpenFolder(folder + QLatin1Char('/'));
    Form5->SetPortNames("IN", "OUT");
    Form5->show();
    QVERIFY(QTest::qWaitForWindowExposed(Form5));
    Form5->Button2->click();
}

QString Poppler(const QString& tool, const QStringList& arguments)
{
    QProcess process;
    process.start(tool, arguments);
    if (!process.waitForFinished(60000) || process.exitCode() != 0)
        qFatal("%s failed", qPrintable(tool));
    return QString::fromUtf8(process.readAllStandardOutput());
}

int PageCount(const QString& pdf)
{
    const QRegularExpressionMatch m =
        QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(Poppler(QStringLiteral("pdfinfo"), {pdf}));
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

// The text of one page in its printed order, with runs of blanks made one.
QString PageText(const QString& pdf, int page)
{
    const QString text = Poppler(QStringLiteral("pdftotext"),
                                 {"-layout", "-f", QString::number(page), "-l", QString::number(page), pdf, "-"});
    return text.simplified();
}

} // namespace

class TimesheetWindowTest : public QObject {
    Q_OBJECT

private slots:
    void init() { dialogs.Clear(); }
    void cleanup()
    {
        if (Form7 != nullptr)
            Form7->hide();
        if (Form5 != nullptr)
            Form5->hide();
    }

    void buttonsFollowTheCalendar()
    {
        Forms forms(LanguageText());
        QTemporaryDir dir;
        WriteMarch(dir.path(), 3);
        for (int opening = 0; opening < 2; ++opening) {
            Form5->hide();
            Form5->OpenFolder(dir.path() + '/');
            Form5->show();
            QVERIFY(QTest::qWaitForWindowExposed(Form5));
            QVERIFY(!Form5->Button3->isVisible() && !Form5->Button4->isVisible());
            QVERIFY(Form5->ProgressBar1->isVisible() && Form5->ProgressBar2->isVisible());
            Form5->Button2->click();
            QVERIFY(Form5->Button3->isVisible() && Form5->Button4->isVisible());
            QVERIFY(!Form5->ProgressBar1->isVisible() && !Form5->ProgressBar2->isVisible());
        }
        QCOMPARE(Form5->Button3->text(), QString("Save timesheet"));
        // Below the calendar, at the left; the selectors keep the right.
        QVERIFY(Form5->Button3->y() >= Form5->Image1->geometry().bottom());
        QVERIFY(Form5->Button4->geometry().right() < Form5->ComboBox2->x());
    }

    void savesTheShownMonthAsCsvAndXlsx()
    {
        Forms forms(LanguageText());
        QTemporaryDir out;
        OpenAndLoad(QTX_DEMO_CARD);
        QCOMPARE(Form5->shownMonth.month(), 3);
        Form5->ComboBox2->setCurrentIndex(1);
        Form5->ComboBox1->setCurrentIndex(2);

        // No extension typed: the chosen filter (CSV) decides.
        dialogs.filesToSave.enqueue({out.filePath("march"), 1});
        Form5->Button3->click();
        QVERIFY2(dialogs.errors.isEmpty(), qPrintable(dialogs.errors.join('\n')));
        QCOMPARE(dialogs.suggestedSavePaths.size(), 1);
        QVERIFY(dialogs.suggestedSavePaths[0].endsWith("/obecnosc_2025-03_card.xlsx"));
        QVERIFY(!dialogs.suggestedSavePaths[0].startsWith(QStringLiteral(QTX_DEMO_CARD)));
        QCOMPARE(dialogs.messages, QStringList{"Saved: " + out.filePath("march.csv") + "."});
        EventStore store;
        LoadEventFolder(store, QTX_DEMO_CARD);
        const Timesheet expected = ComputeTimesheet(store, 2025, 3, CountingMode::DayNight, Form5->Ports(),
                                                    ReadWorkspaceUserNames(QTX_DEMO_CARD),
                                                    UserFilter::Number(Form5->ComboBox1->currentText().toLatin1()));
        QCOMPARE(expected.rows.size(), std::size_t(1));
        // The form a spreadsheet opens: a byte-order mark, ";" and the header in the language.
        const QByteArray csv = ReadWholeFile(out.filePath("march.csv"));
        QCOMPARE(csv, TimesheetSpreadsheetCsv(expected, Form5->TimesheetTexts));
        QVERIFY(csv.startsWith("\xEF\xBB\xBFID;Name;2025-03-01;"));

        // A typed extension wins over the filter.
        dialogs.filesToSave.enqueue({out.filePath("march.XLSX"), 1});
        Form5->Button3->click();
        QVERIFY(ReadWholeFile(out.filePath("march.XLSX")).startsWith("PK"));
        QCOMPARE(dialogs.messages.last(), "Saved: " + out.filePath("march.XLSX") + ".");
        // Cancel writes nothing.
        Form5->Button3->click();
        QCOMPARE(dialogs.messages.size(), 2);
    }

    // The library writes the workbook itself: on a full disk the error names the chosen file and
    // the cause, the old file stays whole and no scratch file is left beside it.
    void xlsxOnFullDisk()
    {
        Forms forms(LanguageText());
        FullFolder out;
        const QString target = out.filePath("march.xlsx");
        const QString printed = out.filePath("march.pdf");
        WriteWholeFile(target, "old workbook");
        WriteWholeFile(printed, "old pdf");
        OpenAndLoad(QTX_DEMO_CARD);
        out.Fill();
        // Scratch space on the same full disk: the error must still name the chosen file.
        const QByteArray tmp = qgetenv("TMPDIR");
        qputenv("TMPDIR", QFile::encodeName(out.path()));
        dialogs.filesToSave.enqueue({target, 0});
        Form5->Button3->click();
        qputenv("TMPDIR", tmp);
        QCOMPARE(dialogs.errors, QStringList{QString("Cannot save file \"%1\": %2.").arg(target, out.Cause())});
        QVERIFY(dialogs.messages.isEmpty());
        QCOMPARE(ReadWholeFile(target), QByteArray("old workbook"));

        // The printed PDF: the printer's own file would be cut short without a word.
        dialogs.pdfFiles.enqueue(printed);
        Form5->Button4->click();
        QCOMPARE(dialogs.errors.value(1), QString("Cannot save file \"%1\": %2.").arg(printed, out.Cause()));
        QCOMPARE(ReadWholeFile(printed), QByteArray("old pdf"));
        QCOMPARE(out.Names(), QStringList({"march.pdf", "march.xlsx"}));
    }

    void printsTheCalendarThenTheTableOverPages()
    {
        Forms forms(LanguageText());
        QTemporaryDir dir;
        WriteMarch(dir.path(), 70);
        OpenAndLoad(dir.path());
        Form5->DeviceName = "Brama A";
        const QString pdf = dir.filePath("month.pdf");
        dialogs.pdfFiles.enqueue(pdf);
        Form5->Button4->click();
        QVERIFY2(dialogs.errors.isEmpty(), qPrintable(dialogs.errors.join('\n')));
        const int pages = PageCount(pdf);
        QVERIFY2(pages == 3, qPrintable(QString::number(pages)));
        const QString folder = "Folder: " + dir.path();
        for (int page = 1; page <= pages; ++page) {
            const QString text = PageText(pdf, page);
            QVERIFY2(text.contains(folder) && text.contains("march 2025") && text.contains("Counting mode: daily")
                         && text.contains("Filter: All") && text.contains(QString("Page %1 / 3").arg(page))
                         && text.contains("Device name: Brama A"),
                     qPrintable(text));
        }
        // The calendar page: the month's figures as the screen shows them, the title once (in
        // the page's heading) and no month buttons.
        const QString calendar = PageText(pdf, 1);
        QVERIFY(calendar.contains("monday") && calendar.contains("Total time: 1120h, 0min"));
        QCOMPARE(calendar.count("march 2025"), 1);
        QVERIFY2(!calendar.contains('<') && !calendar.contains('>'), qPrintable(calendar));
        QVERIFY(!calendar.contains("Pracownik"));
        // Every user once, in order, over the table pages; the totals at the end.
        const QString table = PageText(pdf, 2) + ' ' + PageText(pdf, 3);
        qsizetype at = 0;
        for (int u = 1; u <= 70; ++u) {
            const QString name = "Pracownik " + QString::number(u).rightJustified(4, '0');
            const qsizetype next = table.indexOf(name, at);
            QVERIFY2(next > at || (u == 1 && next >= 0), qPrintable(name));
            QCOMPARE(table.count(name), 1);
            at = next;
        }
        QVERIFY2(PageText(pdf, 3).endsWith("Total 560:00 560:00 1120:00"), qPrintable(PageText(pdf, 3).right(200)));
        QVERIFY(PageText(pdf, 2).contains("8:00 8:00 16:00"));

        // The user filter narrows the table to one row: the calendar and one table page.
        Form5->ComboBox1->setCurrentIndex(5);
        dialogs.pdfFiles.enqueue(pdf);
        Form5->Button4->click();
        QCOMPARE(PageCount(pdf), 2);
        const QString one = PageText(pdf, 2);
        QVERIFY(one.contains("Filter: 0005 - Pracownik 0005") && one.contains("Pracownik 0005"));
        QVERIFY(!one.contains("Pracownik 0004"));
    }

    void dayListSavesItsLines()
    {
        Forms forms(LanguageText());
        QTemporaryDir dir;
        WriteMarch(dir.path(), 2);
        OpenAndLoad(dir.path());
        Form7->ShowDayList(2025, 3, 4);
        QCOMPARE(Form7->Button2->text(), QString("Save"));
        dialogs.filesToSave.enqueue({dir.filePath("../day"), 0});
        Form7->Button2->click();
        QVERIFY2(dialogs.errors.isEmpty(), qPrintable(dialogs.errors.join('\n')));
        QVERIFY(dialogs.suggestedSavePaths[0].endsWith("/zdarzenia_2025-03-04.csv"));
        const QString path = dir.filePath("../day.csv");
        QCOMPARE(ReadWholeFile(path), QByteArray("\xEF\xBB\xBF"
                                                 "Date;Time;User;Name;Port;Status\r\n"
                                                 "2025-03-04;08:00:00;0001;Pracownik 0001;IN;accepted\r\n"
                                                 "2025-03-04;16:00:00;0001;Pracownik 0001;OUT;accepted\r\n"
                                                 "2025-03-04;08:00:00;0002;Pracownik 0002;IN;accepted\r\n"
                                                 "2025-03-04;16:00:00;0002;Pracownik 0002;OUT;accepted\r\n"
                                                 "2025-03-04;09:00:00;0099;;IN;denied\r\n"));
        QCOMPARE(dialogs.messages, QStringList{"Saved: " + QDir::toNativeSeparators(path) + "."});
        QFile::remove(path);
    }

private:
    ScriptedPrintDialogs dialogs;
};

QTX_GUI_TEST_MAIN(TimesheetWindowTest)
#include "timesheet_window_test.moc"
