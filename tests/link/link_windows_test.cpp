// The link windows headless, over a pseudo-terminal to the simulated recorder: the automatic download
// through the COM port chooser and progress window into a fresh card folder that then opens as
// the workspace, cancel by closing the progress window, and the raw console.

#include "base/paths.h"
#include "link/console_window.h"
#include "link/link_controller.h"
#include "link/log_list.h"
#include "link/port_chooser_window.h"
#include "link/progress_window.h"
#include "link_test_support.h"
#include "support/forms_fixture.h"
#include "workspace/access_mode_window.h"

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>

using namespace qtx;
using namespace qtx::test;

namespace {

QString CardFolder()
{
    return DownloadDir();
}

QStringList Items(const QListWidget* list)
{
    QStringList items;
    for (int i = 0; i < list->count(); ++i)
        items.append(list->item(i)->text());
    return items;
}

bool HasItemEnding(LogList* list, const QString& text)
{
    for (const QString& item : list->Lines())
        if (item.endsWith(text))
            return true;
    return false;
}

// The row of a port in a window's port list, whose lines begin with the port name.
int PortRow(const QComboBox* box, const QString& name)
{
    return box->findText(name + QStringLiteral("  "), Qt::MatchStartsWith);
}

// Picks the port in the COM port chooser the next time it opens.
void ChoosePortNext(const QString& name)
{
    OnNextModal([name](QWidget*) {
        Form14->ComboBox1->setCurrentIndex(PortRow(Form14->ComboBox1, name));
        Form14->Button1->click();
    });
}

} // namespace

class LinkWindowsTest : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        dialogs.Clear();
        QDir(CardFolder()).removeRecursively();
    }
    void cleanup() { QDir(CardFolder()).removeRecursively(); }

    void automaticDownloadFillsCardAndOpensItAsTheWorkspace()
    {
        Forms forms;
        SimCard recorder;
        recorder.AddFile("KONFOUT.TXT", "DeviceID=Brama 2\r\nfirmware: 3.1\r\nport0=We\r\nport1=Wy\r\n");
        recorder.AddFile("USERS.txt", QByteArray(28, 'u'));
        recorder.AddFile("20250301.csv", QByteArray(5000, 'e'));
        PtyPeer peer(180);
        peer.recorder = &recorder;
        peer.AutoPump();
        QVERIFY(!QDir(CardFolder()).exists());

        ChoosePortNext(peer.Name());
        Form1->RunAccessMode(TForm11::ConnectRs232);
        QVERIFY(Form13->isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(Form1->Card.IsOpen(), 20000);

        QCOMPARE(Form1->Card.Folder(), CardFolder() + '/');
        for (const QByteArray& name : recorder.Names())
            QCOMPARE(ReadFileBytes(CardFolder() + '/' + name), recorder.File(name));
        QCOMPARE(Form1->Label2->text(), QStringLiteral("Brama 2"));
        QVERIFY(dialogs.messages.isEmpty());
        QVERIFY(dialogs.questions.isEmpty());
        QVERIFY(dialogs.errors.isEmpty());
        QVERIFY(!Form13->isVisible());
        QVERIFY(HasItemEnding(Form13->ListBox1, QString::fromUtf8("Zakończono pobieranie plików.")));
        QVERIFY(!HasItemEnding(Form13->ListBox1, QStringLiteral("Anulowano.")));
        QCOMPARE(Form13->Label1->text(), QStringLiteral("3 / 3"));
        QCOMPARE(Form13->ProgressBar1->value(), 0);
        QCOMPARE(Form13->ProgressBar2->value(), 100);
        QCOMPARE(Items(Form12->ListBox1), (QStringList{"20250301.csv", "KONFOUT.TXT", "USERS.txt"}));
        QCOMPARE(Form1->Link->Tasks().TaskGroup(), 0);
        QVERIFY(!Form1->Link->Port().IsOpen());

        // A second automatic download clears only the message list and fetches everything again.
        ChoosePortNext(peer.Name());
        Form1->RunAccessMode(TForm11::ConnectRs232);
        QCOMPARE(Form13->ListBox1->LineCount(), 0);
        QCOMPARE(Form13->Label1->text(), QStringLiteral("-"));
        QCOMPARE(Form13->ProgressBar2->value(), 100);
        QTRY_COMPARE_WITH_TIMEOUT(recorder.Requests().size(), 8, 20000);
        QTRY_VERIFY_WITH_TIMEOUT(!Form13->isVisible(), 20000);
    }

    void closingTheProgressWindowCancels()
    {
        Forms forms;
        SimCard recorder;
        recorder.AddFile("BIG.BIN", QByteArray(60000, 'b'));
        recorder.AddFile("NEXT.BIN", "n");
        PtyPeer peer(181);
        peer.recorder = &recorder;
        peer.AutoPump();
        ChoosePortNext(peer.Name());
        Form1->RunAccessMode(TForm11::ConnectRs232);
        QTRY_VERIFY_WITH_TIMEOUT(Form13->ProgressBar2->value() > 0, 20000);
        Form13->close();
        QVERIFY(!Form13->isVisible());
        QVERIFY(HasItemEnding(Form13->ListBox1, QStringLiteral("Anulowano.")));
        QCOMPARE(Form1->Link->Tasks().TaskGroup(), 0);
        QTRY_COMPARE_WITH_TIMEOUT(recorder.Tally().stops, 1, 5000);
        // The "B" went out first, then the port was let go.
        QTRY_VERIFY_WITH_TIMEOUT(!Form1->Link->Port().IsOpen(), 5000);
        const int upper = Form13->ProgressBar2->value();
        QVERIFY(upper > 0);
        // Runs of both timers after the cancel move nothing.
        for (int i = 0; i < 100; ++i)
            Form1->Link->Engine().LinkTick();
        Form1->Link->Tasks().TimerLaunchEvents();
        QCOMPARE(Form13->ProgressBar2->value(), upper);
        QCOMPARE(recorder.Requests(), (QList<QByteArray>{"list", "get BIG.BIN"}));
        QVERIFY(!QFile::exists(CardFolder() + "/BIG.BIN"));
        QVERIFY(!Form1->Card.IsOpen());
    }

    void aPortThatCannotBeOpenedIsReportedInTheProgressWindow()
    {
        Forms forms;
        PtyPeer peer(182);
        OnNextModal([&](QWidget*) {
            const int row = PortRow(Form14->ComboBox1, peer.Name());
            QVERIFY(row >= 0);
            QCOMPARE(Form14->ComboBox1->itemText(row), peer.Name() + "  " + peer.Device());
            QCOMPARE(Form14->ComboBox1->itemData(row, Qt::ToolTipRole).toString(), peer.Device());
            QCOMPARE(Form14->ComboBox1->currentIndex(), 0);
            Form14->ComboBox1->setEditable(true);
            Form14->ComboBox1->setEditText(QStringLiteral("COM183"));
            Form14->Button1->click();
        });
        Form1->RunAccessMode(TForm11::ConnectRs232);
        QTRY_VERIFY_WITH_TIMEOUT(HasItemEnding(Form13->ListBox1, QString::fromUtf8("nie można połączyć z urządzeniem")),
                                 5000);
        // Then why: no device answers to that name.
        QVERIFY(HasItemEnding(Form13->ListBox1, "COM183: {no device is assigned to this port name}."));
        QCOMPARE(Form1->Link->Tasks().TaskGroup(), 0);
        QVERIFY(Form13->isVisible());
        QVERIFY(peer.Pump().isEmpty());
        Form13->close();
    }

    void rawConsoleListsFetchesDeletesAndSends()
    {
        Forms forms(QStringLiteral("DELETE THIS FILE FROM THE DEVICE\tX\t\nYES\tX\t\nNO\tX\t\n"));
        SimCard recorder;
        recorder.AddFile("A.TXT", "alpha");
        recorder.AddFile("B.TXT", "beta");
        PtyPeer peer(184);
        peer.recorder = &recorder;
        peer.AutoPump();
        QTemporaryDir dir;
        const QString upload = dir.filePath("SEND.BIN");
        WriteFileBytes(upload, QByteArray(1600, 's'));
        dialogs.filesToOpen.enqueue(upload);

        QStringList log;
        QStringList files;
        OnNextModal([&](QWidget* modal) {
            QCOMPARE(modal, static_cast<QWidget*>(Form12));
            QCOMPARE(Form12->windowTitle(), QStringLiteral("Raw RS"));
            Form12->ComboBox1->setCurrentIndex(PortRow(Form12->ComboBox1, peer.Name()));
            Form12->Button1->click();
            Form12->Button1->click(); // already connected: refused, the connection stays
            Form12->Button2->click();
            QTRY_COMPARE(Form12->ListBox1->count(), 2);
            files = Items(Form12->ListBox1);
            Form12->ListBox1->setCurrentRow(0);
            emit Form12->ListBox1->itemDoubleClicked(Form12->ListBox1->item(0));
            QTRY_VERIFY(QFile::exists(CardFolder() + "/A.TXT"));
            // Delete asks first, No by default: refused, nothing is sent; accepted, the recorder's
            // new list no longer holds the file.
            Form12->ListBox1->setCurrentRow(1);
            dialogs.answers.enqueue(ResultNo);
            Form12->Button5->click();
            QCOMPARE(dialogs.questions, QStringList{"Delete this file from the device: B.TXT?"});
            QCOMPARE(dialogs.defaults, QList<int>{ResultNo});
            dialogs.answers.enqueue(ResultYes);
            Form12->Button5->click();
            QTRY_VERIFY(recorder.Requests().contains("delete B.TXT"));
            QTRY_COMPARE(Items(Form12->ListBox1), QStringList{"A.TXT"});
            QCOMPARE(recorder.Requests().count("delete B.TXT"), 1);
            Form12->Button4->click();
            QTRY_VERIFY(recorder.File("SEND.BIN") == QByteArray(1600, 's'));
            QTRY_VERIFY(Form1->Link->Engine().State().UploadState == UploadStates::Idle);
            // The request would cut REPORT.TXT.OLD to REPORT.TXT: refused without a question.
            recorder.AddFile("REPORT.TXT", "r");
            recorder.AddFile("REPORT.TXT.OLD", "o");
            Form12->Button2->click();
            QTRY_COMPARE(Form12->ListBox1->count(), 4);
            Form12->ListBox1->setCurrentRow(2);
            Form12->Button5->click();
            QCOMPARE(dialogs.messages.size(), 1);
            QVERIFY2(dialogs.messages[0].endsWith("REPORT.TXT.OLD -> REPORT.TXT"), qPrintable(dialogs.messages[0]));
            QCOMPARE(dialogs.questions.size(), 2);
            Form12->Button3->click();
            log = Form12->ListBox2->Lines();
            Form12->close();
        });
        Form1->RunAccessMode(TForm11::RawConsole);
        QCOMPARE(PendingModalActions(), 0);

        QCOMPARE(files, (QStringList{"A.TXT", "B.TXT"}));
        QCOMPARE(recorder.File("REPORT.TXT"), QByteArray("r"));
        QVERIFY(!recorder.Requests().contains("delete REPORT.TXT"));
        QCOMPARE(ReadFileBytes(CardFolder() + "/A.TXT"), QByteArray("alpha"));
        QCOMPARE(Form1->Label3->text(), QStringLiteral("SEND.BIN"));
        const QRegularExpression stamp(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d:\\d{1,3} "));
        for (const QString& line : std::as_const(log))
            QVERIFY2(stamp.match(line).hasMatch(), qPrintable(line));
        QStringList texts;
        for (const QString& line : std::as_const(log))
            texts.append(line.section(QLatin1Char(' '), 1));
        QCOMPARE(texts.first(), QString::fromUtf8("połączony"));
        QCOMPARE(texts.at(1), QString::fromUtf8("niepołączony"));
        QCOMPARE(texts.at(2), QStringLiteral("wyslano (dlugosc 4)"));
        QVERIFY(texts.contains(QStringLiteral("haslo prawidlowe")));
        QVERIFY(texts.contains(QStringLiteral("Wysylanie pliku zakonczone powodzeniem")));
        QCOMPARE(texts.last(), QStringLiteral("rozlaczony"));
        QVERIFY(!Form1->Link->Port().IsOpen());

        // The upload dialog: every file, ".bin" added to a bare typed name, no title of its own,
        // opening where the last transferred file is (the download folder after a fetch).
        QCOMPARE(dialogs.fileDialogs.size(), 1);
        QCOMPARE(dialogs.fileDialogs.first(), (QStringList{QString(), CardFolder(), "Wszystkie pliki (*)", "bin"}));
        Form12->Button4Click();
        QCOMPARE(dialogs.fileDialogs.last().at(1), dir.path() + '/');
    }

    // Delete and fetch act only on a line the user selected: a list that got the focus has a
    // current row 0 that nobody picked.
    void consoleActsOnlyOnTheSelectedLine()
    {
        Forms forms;
        SimCard recorder;
        PtyPeer peer(185);
        peer.recorder = &recorder;
        peer.AutoPump();
        QVERIFY(Form1->Link->OpenLink(peer.Name(), 1));
        Form12->AddFileLine("A.TXT");
        Form12->AddFileLine("B.TXT");
        Form12->ListBox1->setCurrentRow(0, QItemSelectionModel::NoUpdate);
        QCOMPARE(Form12->ListBox1->currentRow(), 0);
        Form12->Button5->click();
        Form12->ListBox1DblClick();
        QVERIFY(dialogs.questions.isEmpty());
        Form12->ListBox1->clear();
        Form12->Button5->click();
        Form12->ListBox1DblClick();
        // The recorder answers in order: once a list request is answered, nothing went before it.
        Form1->Link->Engine().SendCommand({});
        QTRY_VERIFY(!recorder.Requests().isEmpty());
        QCOMPARE(recorder.Requests(), QList<QByteArray>{"list"});
        Form1->Link->CloseLink();
    }

    // A download the link refuses is reported in the interface language, naming the file, in the
    // console log and in the progress window.
    void refusedDownloadIsReportedInTheInterfaceLanguage()
    {
        Forms forms(QString::fromUtf8("FILE NOT SAVED\tNIE ZAPISANO PLIKU\t\n"
                                      "RECEIVED %1 BYTES OF %2\tODEBRANO %1 Z %2 BAJTÓW\t\n"
                                      "THE DEVICE SENT MORE BYTES THAN IT ANNOUNCED\t"
                                      "URZĄDZENIE WYSŁAŁO WIĘCEJ BAJTÓW, NIŻ ZAPOWIEDZIAŁO\t\n"
                                      "THESE FILES WERE NOT STORED\tTYCH PLIKÓW NIE ZAPISANO\t\n"));
        Form1->Language.SetLanguageIndex(Polish);
        SimCard recorder({.sizeError = -10});
        recorder.AddFile("BAD.TXT", QByteArray(700, 'b'));
        PtyPeer peer(186);
        peer.recorder = &recorder;
        peer.AutoPump();
        ChoosePortNext(peer.Name());
        Form1->RunAccessMode(TForm11::ConnectRs232);
        // Nothing was stored: one message at the end names the file and why, and the folder is
        // not opened as if it had just been downloaded.
        QTRY_COMPARE_WITH_TIMEOUT(dialogs.messages.size(), 1, 20000);
        QVERIFY2(dialogs.messages[0].startsWith(QString::fromUtf8(
                     "Tych plików nie zapisano:\nBAD.TXT (urządzenie wysłało więcej bajtów, niż zapowiedziało: 690)")),
                 qPrintable(dialogs.messages[0]));
        QVERIFY(!Form1->Card.IsOpen());
        QVERIFY(!Form1->Link->Port().IsOpen());
        QVERIFY(dialogs.errors.isEmpty());
        const QString expected =
            QString::fromUtf8("Nie zapisano pliku BAD.TXT (urządzenie wysłało więcej bajtów, niż zapowiedziało: 690)");
        QVERIFY(HasItemEnding(Form13->ListBox1, expected));
        QVERIFY(HasItemEnding(Form12->ListBox2, expected));
    }

    // The recorder never answers the list request: after 10 s the run ends, says so, lets the port go.
    void aSilentLineEndsTheRunAndClosesThePort()
    {
        Forms forms(QStringLiteral("THE DEVICE DOES NOT ANSWER\tX\t\n"));
        PtyPeer peer(187);
        ChoosePortNext(peer.Name());
        Form1->RunAccessMode(TForm11::ConnectRs232);
        QTRY_VERIFY_WITH_TIMEOUT(HasItemEnding(Form13->ListBox1, QStringLiteral("Trwa sprawdzanie stanu karty")), 5000);
        for (int i = 0; i < TaskSequencer::ListAnswerEvents; ++i)
            Form1->Link->Tasks().TimerLaunchEvents();
        QCOMPARE(Form1->Link->Tasks().TaskGroup(), 0);
        QVERIFY(!Form1->Link->Port().IsOpen());
        QVERIFY(HasItemEnding(Form13->ListBox1, QStringLiteral("The device does not answer.")));
        QVERIFY(Form13->isVisible());
        Form13->close();
    }

    // The link logs keep the newest lines, in order, up to their limit, whatever was not shown yet.
    void logKeepsTheNewestLinesUpToItsLimit()
    {
        LogList log(3);
        for (int i = 1; i <= 5; ++i)
            log.AddLine(QString::number(i));
        QCOMPARE(log.Lines(), (QStringList{"3", "4", "5"}));
        log.AddLine("6");
        QCOMPARE(log.Lines(), (QStringList{"4", "5", "6"}));
        QCOMPARE(log.document()->blockCount(), 3);
        log.Clear();
        QCOMPARE(log.LineCount(), 0);
    }

    // An adapter plugged in while the chooser is open shows up; the chosen port stays chosen,
    // and one pulled out goes away.
    void portListFollowsPluggedAdapters()
    {
        Forms forms;
        QList<SerialPortEntry> ports{{"COM1", "/dev/ttyS0", ""}, {"COM2", "/dev/ttyS1", ""}};
        PortListWatcher& watcher = *Form14->Ports;
        watcher.source = [&ports] { return ports; };
        Form14->FillPorts(ports);
        Form14->ComboBox1->setCurrentIndex(1);
        ports.insert(1, {"COM33", "/dev/ttyUSB0", "FT232R USB UART"});
        watcher.Refresh();
        QCOMPARE(Form14->ComboBox1->count(), 3);
        QCOMPARE(Form14->ComboBox1->itemText(1), QStringLiteral("COM33  /dev/ttyUSB0  FT232R USB UART"));
        QCOMPARE(Form14->ChosenPortName(), QStringLiteral("COM2"));
        ports.removeLast();
        watcher.Refresh();
        QCOMPARE(Form14->ComboBox1->count(), 2);
        QCOMPARE(Form14->ChosenPortName(), QStringLiteral("COM1"));
        watcher.source = SerialPortEntries;
    }

    void logStampIsTimeAndTickModulo1000()
    {
        QCOMPARE(TForm12::LogStamp(QTime(10, 15, 2), 1234007), QStringLiteral("10:15:02:7"));
        QCOMPARE(TForm12::LogStamp(QTime(9, 5, 0), 999), QStringLiteral("09:05:00:999"));
    }

private:
    ScriptedDialogs dialogs;
};

QTX_GUI_TEST_MAIN(LinkWindowsTest)
#include "link_windows_test.moc"
