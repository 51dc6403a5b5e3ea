// The site archive in the archive window: importing the shown card with its progress, the
// choice of all doors or one, the calendar, day list, timesheet and print over the site.

#include "archive/archive_window.h"
#include "archive/day_event_model.h"
#include "archive/day_list_window.h"
#include "archive/event_store.h"
#include "archive/timesheet.h"
#include "archive/timesheet_export.h"
#include "base/text_file.h"
#include "site/site_source_window.h"
#include "support/forms_fixture.h"

#include <QComboBox>
#include <QFileInfo>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>

using namespace qtx;
using namespace qtx::test;

class SiteWindowTest : public QObject {
    Q_OBJECT

private slots:
    void showsTheSiteLikeACard()
    {
        QTemporaryDir dir;
        qputenv("QTX_SITE_DB", dir.filePath("site.sqlite").toLocal8Bit());
        // A second door: the demo card under another recorder's name; everyone passes both doors
        // at the same moments, which adds no presence time.
        const QString yard = dir.filePath("yard");
        QDir().mkpath(yard);
        for (const QString& name : QDir(QTX_DEMO_CARD).entryList(QDir::Files))
            QFile::copy(QStringLiteral(QTX_DEMO_CARD "/") + name, yard + '/' + name);
        QByteArray konfout = ReadWholeFile(yard + "/KONFOUT.TXT");
        konfout.replace("DeviceID=Rejestrator QTX-2 (biuro)", "DeviceID=Yard");
        QFile::remove(yard + "/KONFOUT.TXT");
        WriteWholeFile(yard + "/KONFOUT.TXT", konfout);

        Forms forms(FromCp1250(ReadWholeFile(QStringLiteral(QTX_LANG_FILE))));
        ScriptedPrintDialogs dialogs;
        QVERIFY(!SiteSource->Button1->isEnabled()); // no site archive yet, and none created by looking
        QVERIFY(!QFileInfo::exists(dir.filePath("site.sqlite")));
        Form5->DeviceName = QStringLiteral("card's recorder");
        int progressSteps = 0;
        connect(Form5->ProgressBar2, &QProgressBar::valueChanged, this, [&progressSteps] { ++progressSteps; });
        for (const QString& card : {QStringLiteral(QTX_DEMO_CARD), yard}) {
            Form5->OpenFolder(card + '/');
            Form5->show();
            QVERIFY(QTest::qWaitForWindowExposed(Form5));
            SiteSource->Button2->click();
        }
        QVERIFY2(dialogs.errors.isEmpty(), qPrintable(dialogs.errors.join('\n')));
        QCOMPARE(dialogs.messages,
                 QStringList({"Rejestrator QTX-2 (biuro): Events added: 717", "Yard: Events added: 717"}));
        QVERIFY(progressSteps >= 61);
        QCOMPARE(SiteSource->ComboBox1->count(), 3);

        // One door: the card's own figures, people and names.
        SiteSource->ComboBox1->setCurrentIndex(SiteSource->ComboBox1->findText("Rejestrator QTX-2 (biuro)"));
        SiteSource->Button1->click();
        QVERIFY(Form5->Panel1->isHidden());
        QCOMPARE(Form5->EventStore.Size(), std::size_t(717));
        QCOMPARE(Form5->shownMonth.month(), 3);
        QVERIFY(Form5->ComboBox1->count() > 1);
        EventStore card;
        LoadEventFolder(card, QTX_DEMO_CARD);
        const Timesheet expected = ComputeTimesheet(
            card, 2025, 3, CountingMode::Daily,
            PortNames{ToCp1250(QStringLiteral("Wejście główne")), ToCp1250(QStringLiteral("Wyjście główne"))},
            ReadWorkspaceUserNames(QTX_DEMO_CARD));
        const Timesheet shown = Form5->ShownTimesheet();
        QCOMPARE(shown.total, expected.total);
        QCOMPARE(shown.rows.size(), expected.rows.size());
        QCOMPARE(shown.rows[1].name, expected.rows[1].name);

        // All doors: twice the events; the day list names each event's door.
        SiteSource->ComboBox1->setCurrentIndex(0);
        SiteSource->Button1->click();
        QCOMPARE(Form5->EventStore.Size(), std::size_t(2 * 717));
        QCOMPARE(Form5->ShownTimesheet().total, expected.total);
        // A saved timesheet's heading names the doors and every door's ports, not the card's.
        const TimesheetHeading heading = Form5->ShownHeading();
        QCOMPARE(heading.deviceName, QStringLiteral("Rejestrator QTX-2 (biuro), Yard"));
        QVERIFY2(heading.entrance.contains(QString::fromUtf8("Yard: Wejście główne")), qPrintable(heading.entrance));
        Form7->ShowDayList(2025, 3, 3);
        QStringList lines;
        for (int i = 0; i < Form7->Lines->rowCount(); ++i)
            lines << Form7->Lines->index(i).data().toString();
        QVERIFY(lines.filter(QString::fromUtf8("on Yard: Wejście główne")).size() > 0);
        QVERIFY(lines.filter(QString::fromUtf8("on Rejestrator QTX-2 (biuro): Wejście główne")).size() > 0);
        Form7->hide();

        // Printed as the card's month is.
        const QString pdf = dir.filePath("month.pdf");
        dialogs.pdfFiles.enqueue(pdf);
        Form5->Button4->click();
        QVERIFY2(dialogs.errors.isEmpty(), qPrintable(dialogs.errors.join('\n')));
        QVERIFY(QFileInfo(pdf).size() > 1000);

        // Back to the card folder: its own ports again.
        Form5->hide();
        Form5->OpenFolder(QStringLiteral(QTX_DEMO_CARD "/"));
        Form5->show();
        Form5->Button2->click();
        QCOMPARE(Form5->EventStore.Size(), std::size_t(717));
        QCOMPARE(Form5->Ports().moreEntrances.size(), 0);
        QCOMPARE(Form5->DeviceName, QStringLiteral("card's recorder"));
        qunsetenv("QTX_SITE_DB");
    }
};

QTX_GUI_TEST_MAIN(SiteWindowTest)
#include "site_window_test.moc"
