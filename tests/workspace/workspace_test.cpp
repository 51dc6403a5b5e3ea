// Opening a workspace through the access-mode chooser and the folder chooser, headless.

#include "base/paths.h"
#include "base/widgets/left_shift.h"
#include "support/forms_fixture.h"
#include "workspace/access_mode_window.h"
#include "workspace/folder_chooser_window.h"

#include <QComboBox>
#include <QFileSystemModel>
#include <QLabel>
#include <QPushButton>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTreeView>

using namespace qtx;
using namespace qtx::test;

namespace {

const QString Texts = QStringLiteral("SD CARD DIRECTORY HAS NOT BEEN CHOSEN\tNIE WYBRANO\t\n"
                                     "CHOOSE THE SD CARD DIRECTORY FIRST\tNAJPIERW WYBIERZ\t\n"
                                     "BUTTON\tPRZYCISK\t\nREADER\tCZYTNIK\t\nUNREAD\tNIEODCZYTANY\t\n"
                                     "YES\tTAK\t\nNO\tNIE\t\n");

// Picks a folder in the folder chooser the next time it opens, or cancels it.
void ChooseFolderNext(const QString& folder)
{
    OnNextModal([folder](QWidget*) {
        Form6->OpenDirectory(folder);
        Form6->Button2->click();
    });
}

void CancelFolderChooserNext()
{
    OnNextModal([](QWidget*) { Form6->Button1->click(); });
}

QStringList SummaryValues()
{
    return {Form1->Label9->text(), Form1->Label2->text(),  Form1->Label6->text(),
            Form1->Label4->text(), Form1->Label11->text(), Form1->Label13->text()};
}

} // namespace

class WorkspaceTest : public QObject {
    Q_OBJECT

private slots:
    void init() { dialogs.Clear(); }

    void emptyFolderGetsThreeFilesOneMessageNoQuestion()
    {
        Forms forms(Texts);
        QTemporaryDir dir;
        ChooseFolderNext(dir.path());
        Form1->RunAccessMode(TForm11::LocalFolder);
        QCOMPARE(PendingModalActions(), 0);
        QVERIFY(QFileInfo::exists(dir.path() + "/KONFOUT.TXT"));
        QVERIFY(QFileInfo::exists(dir.path() + "/konfig.txt"));
        QCOMPARE(QFileInfo(dir.path() + "/USERS.txt").size(), 28);
        QCOMPARE(dialogs.messages.size(), 1);
        QVERIFY(dialogs.messages[0].endsWith(". "));
        QVERIFY(dialogs.questions.isEmpty());
        QVERIFY(Form1->Card.IsOpen());
        QVERIFY(Form1->Card.OpenedBefore());
        QCOMPARE(Form1->Card.Folder(), dir.path() + '/');
        QCOMPARE(SummaryValues(), QStringList({dir.path() + '/', "Rejestrator QTX-2", QString::fromUtf8("wyjście"),
                                               QString::fromUtf8("wejście"), "reader", "unread"}));

        // Reopening asks about the pending commands; "no" keeps them, "yes" deletes them.
        dialogs.answers.enqueue(ResultNo);
        ChooseFolderNext(dir.path());
        Form1->RunAccessMode(TForm11::LocalFolder);
        QCOMPARE(dialogs.questions.size(), 1);
        QVERIFY(dialogs.questions[0].endsWith('?'));
        QVERIFY(QFileInfo::exists(dir.path() + "/konfig.txt"));
        QCOMPARE(dialogs.messages.size(), 1); // the report exists now: no second message

        ChooseFolderNext(dir.path()); // closing the question box counts as no
        Form1->RunAccessMode(TForm11::LocalFolder);
        QVERIFY(QFileInfo::exists(dir.path() + "/konfig.txt"));

        dialogs.answers.enqueue(ResultYes);
        ChooseFolderNext(dir.path());
        Form1->RunAccessMode(TForm11::LocalFolder);
        QVERIFY(!QFileInfo::exists(dir.path() + "/konfig.txt"));
        QCOMPARE(dialogs.questions.size(), 3);
        QVERIFY(dialogs.errors.isEmpty());
    }

    void folderWithoutCardFilesBecomesOneOnlyWhenConfirmed()
    {
        Forms forms(Texts);
        QTemporaryDir card;
        ChooseFolderNext(card.path());
        Form1->RunAccessMode(TForm11::LocalFolder);
        QTemporaryDir home;
        WriteFileBytes(home.path() + "/notes.odt", "mine");

        // No, or closing the box, writes nothing and counts as cancelling the choice.
        for (int answer : {int(ResultNo), int(ResultCancel)}) {
            dialogs.Clear();
            dialogs.answers.enqueue(answer);
            ChooseFolderNext(home.path());
            Form1->RunAccessMode(TForm11::LocalFolder);
            QCOMPARE(dialogs.questions.size(), 1);
            QVERIFY(dialogs.questions[0].contains(home.path() + '/'));
            QCOMPARE(dialogs.defaults, QList<int>{ResultNo}); // Enter answers no
            QCOMPARE(QDir(home.path()).entryList(QDir::Files), QStringList{"notes.odt"});
            QVERIFY(!Form1->Card.IsOpen());
            QCOMPARE(SummaryValues(), QStringList(6, "Sd card directory has not been chosen"));
        }

        // Yes: the defaults as for an empty folder, and no second question.
        dialogs.Clear();
        dialogs.answers.enqueue(ResultYes);
        ChooseFolderNext(home.path());
        Form1->RunAccessMode(TForm11::LocalFolder);
        QCOMPARE(dialogs.questions.size(), 1);
        QCOMPARE(dialogs.messages.size(), 1);
        QCOMPARE(QDir(home.path()).entryList(QDir::Files).size(), 4);
        QCOMPARE(Form1->Card.Folder(), home.path() + '/');

        // Event files alone mark a card.
        QTemporaryDir events;
        WriteFileBytes(events.path() + "/20260307.CSV", "");
        dialogs.Clear();
        ChooseFolderNext(events.path());
        Form1->RunAccessMode(TForm11::LocalFolder);
        QVERIFY(dialogs.questions.isEmpty());
        QVERIFY(Form1->Card.IsOpen());
    }

    void pendingCommandsWithoutReportAreAskedThenReplaced()
    {
        Forms forms(Texts);
        QTemporaryDir dir;
        WriteFileBytes(dir.path() + "/konfig.txt", "DeviceID=mine\r\n");
        dialogs.answers.enqueue(ResultNo);
        ChooseFolderNext(dir.path());
        Form1->RunAccessMode(TForm11::LocalFolder);
        QCOMPARE(dialogs.questions.size(), 1);
        QVERIFY(ReadFileBytes(dir.path() + "/konfig.txt").startsWith("DeviceID=Rejestrator QTX-2\r\nport0="));
    }

    void existingReportWritesNoDefaults()
    {
        Forms forms(Texts);
        QTemporaryDir dir;
        WriteFileBytes(dir.path() + "/KONFOUT.TXT", "DeviceID=Door 7\r\nfirmware: 3.1\r\nbutton=on\r\n");
        ChooseFolderNext(dir.path());
        Form1->RunAccessMode(TForm11::LocalFolder);
        QVERIFY(!QFileInfo::exists(dir.path() + "/konfig.txt"));
        QVERIFY(dialogs.messages.isEmpty());
        QCOMPARE(Form1->Label2->text(), QString("Door 7"));
        QCOMPARE(Form1->Label11->text(), QString("button"));
        QCOMPARE(Form1->Label13->text(), QString("3.1"));
        QCOMPARE(Form1->Label6->text(), QString()); // no port lines: empty values
    }

    void cancelReturnsToNotChosenAndMenuRefusesAgain()
    {
        Forms forms(Texts);
        QTemporaryDir dir;
        ChooseFolderNext(dir.path());
        Form1->RunAccessMode(TForm11::LocalFolder);
        QVERIFY(Form1->Card.IsOpen());

        CancelFolderChooserNext();
        Form1->RunAccessMode(TForm11::LocalFolder);
        QVERIFY(!Form1->Card.IsOpen());
        QCOMPARE(SummaryValues(), QStringList(6, "Sd card directory has not been chosen"));
        dialogs.Clear();
        Form1->Button3->click();
        Form1->Button4->click();
        Form1->Button1->click();
        QCOMPARE(dialogs.messages, QStringList(3, "Choose the sd card directory first!"));
    }

    void failingStepKeepsEarlierFilesAndTheSummary()
    {
        Forms forms(Texts);
        QTemporaryDir good;
        ChooseFolderNext(good.path());
        Form1->RunAccessMode(TForm11::LocalFolder);
        const QStringList before = SummaryValues();

        // konfig.txt is a folder here: it can be neither deleted nor replaced.
        QTemporaryDir bad;
        QDir(bad.path()).mkdir("konfig.txt");
        dialogs.Clear();
        dialogs.answers.enqueue(ResultYes);
        ChooseFolderNext(bad.path());
        RunGuarded([] { Form1->RunAccessMode(TForm11::LocalFolder); });
        QCOMPARE(dialogs.errors.size(), 1);
        QVERIFY(dialogs.errors[0].contains("konfig.txt"));
        QVERIFY(QFileInfo::exists(bad.path() + "/USERS.txt")); // written before the failing step
        QVERIFY(!QFileInfo::exists(bad.path() + "/KONFOUT.TXT"));
        QCOMPARE(Form1->Card.Folder(), good.path() + '/');
        QCOMPARE(SummaryValues(), before);

        dialogs.Clear();
        dialogs.answers.enqueue(ResultNo);
        ChooseFolderNext(bad.path());
        RunGuarded([] { Form1->RunAccessMode(TForm11::LocalFolder); });
        QCOMPARE(dialogs.errors.size(), 1);
        QVERIFY(QFileInfo::exists(bad.path() + "/KONFOUT.TXT")); // the report came before the failing file
        QCOMPARE(Form1->Card.Folder(), good.path() + '/');
        QCOMPARE(SummaryValues(), before);

        // A download folder that does not exist fails at the user list.
        dialogs.Clear();
        Form1->DownloadPath = bad.path() + "/missing";
        RunGuarded([] { Form1->OpenWorkspace(false); });
        QCOMPARE(dialogs.errors.size(), 1);
        QVERIFY(dialogs.errors[0].contains("USERS.txt"));
    }

    void rootFolderKeepsItsSeparator()
    {
        QCOMPARE(WithTrailingChar("/media/card/", '/'), QString("/media/card/"));
        QCOMPARE(WithTrailingChar("/media/card", '/'), QString("/media/card/"));
        QCOMPARE(WithTrailingChar("", '/'), QString("/"));
        QCOMPARE(DirOfPath("C:\\card\\KONFOUT.TXT"), QString("C:\\card\\"));
        QCOMPARE(DirOfPath("/w/x\\y/KONFOUT.TXT"), QString("/w/x\\y/"));
        QCOMPARE(DirOfPath("KONFOUT.TXT"), QString());
    }

    void accessModeChooserDispatches()
    {
        Forms forms(Texts);
        QTemporaryDir dir;
        OnNextModal([](QWidget*) { Form11->BitBtn1->click(); });
        ChooseFolderNext(dir.path());
        Form1->Button5->click();
        QCOMPARE(Form11->AccessMode, int(TForm11::LocalFolder));
        QVERIFY(Form1->Card.IsOpen());
        QVERIFY(!Form11->isVisible());

        // "Do not choose" leaves an open workspace open.
        OnNextModal([](QWidget*) { Form11->BitBtn4->click(); });
        Form1->Button5->click();
        QCOMPARE(Form11->AccessMode, int(TForm11::DoNothing));
        QVERIFY(Form1->Card.IsOpen());
        QCOMPARE(Form11->windowTitle(), Form1->Button5->text());
    }

    void leftShiftChoosesTheRawConsole()
    {
        Forms forms(Texts);
        SetLeftShiftHeld(false);
        QKeyEvent rightShift(QEvent::KeyPress, Qt::Key_Shift, Qt::ShiftModifier, 0x3e, 0xFFE2, 0);
        QApplication::sendEvent(Form11->BitBtn3, &rightShift);
        QVERIFY(!LeftShiftHeld());
        QKeyEvent leftShift(QEvent::KeyPress, Qt::Key_Shift, Qt::ShiftModifier, 0x32, 0xFFE1, 0);
        QApplication::sendEvent(Form11->BitBtn3, &leftShift);
        QVERIFY(LeftShiftHeld());
        QKeyEvent leftRelease(QEvent::KeyRelease, Qt::Key_Shift, Qt::NoModifier, 0x32, 0xFFE1, 0);
        QApplication::sendEvent(Form11->BitBtn3, &leftRelease);
        QVERIFY(!LeftShiftHeld());

        // What each choice opens belongs to the link; here only the code matters.
        auto closeWhateverOpens = [](QWidget* w) { w->close(); };
        SetLeftShiftHeld(true);
        OnNextModal(closeWhateverOpens);
        Form11->BitBtn3->click();
        QCOMPARE(Form11->AccessMode, int(TForm11::RawConsole));
        SetLeftShiftHeld(false);
        OnNextModal(closeWhateverOpens);
        Form11->BitBtn3->click();
        QCOMPARE(Form11->AccessMode, int(TForm11::ConnectRs232));
        ClearModalActions();
    }

    void folderChooserLaysItselfOut()
    {
        Forms forms(Texts);
        TForm6* f = Form6;
        QCOMPARE(f->size(), QSize(577, 547));
        // The drive selector and the tree across the window 8 pixels from its sides, the tree 16
        // below the selector; the buttons in the bottom corners 8 from the edges.
        QCOMPARE(GapsInside(f->DriveComboBox1).left(), 8);
        QCOMPARE(GapsInside(f->DriveComboBox1).top(), 8);
        QCOMPARE(GapsInside(f->DriveComboBox1).right(), 8);
        QCOMPARE(GapsInside(f->DirectoryListBox1).left(), 8);
        QCOMPARE(GapsInside(f->DirectoryListBox1).right(), 8);
        QCOMPARE(GapDown(f->DriveComboBox1, f->DirectoryListBox1), 16);
        QCOMPARE(GapsInside(f->Button2).left(), 8);
        QCOMPARE(GapsInside(f->Button2).bottom(), 8);
        QCOMPARE(GapsInside(f->Button1).right(), 8);
        QCOMPARE(GapsInside(f->Button1).bottom(), 8);
        // The folder label halfway between the tree and the buttons, 16 pixels of room in all.
        const int gapAbove = GapDown(f->DirectoryListBox1, f->Label1);
        const int gapBelow = GapDown(f->Label1, f->Button2);
        QVERIFY(qAbs(gapAbove - gapBelow) <= 1);
        QCOMPARE(gapAbove + gapBelow, 16);
        const QString fault = LayoutFault({f->DriveComboBox1, f->DirectoryListBox1, f->Label1, f->Button1, f->Button2});
        QVERIFY2(fault.isEmpty(), qPrintable(fault));

        // The accept button takes the folder opened in the tree, which the window remembers.
        QTemporaryDir dir;
        ChooseFolderNext(dir.path());
        f->Cancelled = true;
        f->exec();
        QVERIFY(!f->Cancelled);
        QCOMPARE(f->ChosenDirectory, dir.path());
        QCOMPARE(f->Label1->text(), dir.path());
        OnNextModal([](QWidget* w) { w->close(); }); // closing from the frame counts as cancel
        f->Cancelled = true;
        f->exec();
        QVERIFY(f->Cancelled);
        QCOMPARE(f->CurrentDirectory(), dir.path());
    }

    void folderSelectedInTheTreeIsTheOneAccepted()
    {
        Forms forms(Texts);
        QTemporaryDir root;
        for (const char* name : {"alpha", "beta", "gamma"})
            QDir(root.path()).mkdir(name);
        QTreeView* tree = Form6->DirectoryListBox1;
        auto indexOf = [tree, &root](const char* name) {
            return static_cast<QFileSystemModel*>(tree->model())->index(root.path() + '/' + name);
        };
        // Each way of picking a folder, then what Enter and the accept button do after it.
        const QList<std::pair<const char*, std::function<void()>>> picks{
            {"beta",
             [&] {
                 QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualRect(indexOf("beta")).center());
             }},
            {"gamma",
             [&] {
                 QTest::mouseDClick(tree->viewport(), Qt::LeftButton, {}, tree->visualRect(indexOf("gamma")).center());
             }},
            {"alpha",
             [&] {
                 tree->setCurrentIndex(indexOf("beta"));
                 QTest::keyClick(tree, Qt::Key_Up);
             }},
        };
        for (const auto& entry : picks) {
            const char* name = entry.first;
            const std::function<void()>& pick = entry.second;
            const QString expected = root.path() + '/' + name;
            bool stillOpenAfterEnter = false;
            OnNextModal([&](QWidget*) {
                const auto close = qScopeGuard([] { Form6->close(); });
                Form6->OpenDirectory(root.path());
                // The model lists and sorts a folder in the background; wait until it is in order.
                QTRY_VERIFY(tree->visualRect(indexOf("alpha")).bottom() < tree->visualRect(indexOf("beta")).top()
                            && tree->visualRect(indexOf("beta")).bottom() < tree->visualRect(indexOf("gamma")).top());
                tree->scrollTo(indexOf("gamma"));
                pick();
                QCOMPARE(tree->currentIndex(), indexOf(name));
                QCOMPARE(Form6->Label1->text(), expected);
                QTest::keyClick(tree, Qt::Key_Return);
                stillOpenAfterEnter = Form6->isVisible();
                Form6->Button2->click();
            });
            Form6->Cancelled = true;
            Form6->exec();
            QVERIFY(stillOpenAfterEnter);
            QVERIFY(!Form6->Cancelled);
            QCOMPARE(Form6->ChosenDirectory, expected);
        }
    }

    void chosenFolderStaysWhileFoldersBesideItComeAndGo()
    {
        // The folders exist before the windows: when the program runs from the temporary folder,
        // a listing of it read before they were made would drop them for a moment.
        QTemporaryDir root;
        QDir parent(root.path());
        QVERIFY(parent.mkpath("a") && parent.mkpath("b") && parent.mkpath("c"));
        Forms forms(Texts);
        const QString chosen = parent.filePath(QStringLiteral("b"));
        QTreeView* tree = Form6->DirectoryListBox1;
        auto* model = static_cast<QFileSystemModel*>(tree->model());
        Form6->show();
        Form6->OpenDirectory(chosen);
        const QPersistentModelIndex listing = model->index(root.path());
        auto listed = [&](const QString& name) {
            return !model->match(model->index(0, 0, listing), Qt::DisplayRole, name, 1, Qt::MatchExactly).isEmpty();
        };
        QTRY_COMPARE(model->rowCount(listing), 3);
        // Another program makes and removes folders before and after the chosen one, then removes
        // the chosen one and makes it again, and the model re-lists the parent each time. The
        // folder the chooser takes stays the chosen one, highlighted whenever it is there.
        const QList<std::pair<QString, bool>> changes{{"0", true},  {"bb", true}, {"a", false}, {"c", false},
                                                      {"0", false}, {"b", false}, {"b", true}};
        for (const auto& [name, made] : changes) {
            QVERIFY(made ? parent.mkdir(name) : parent.rmdir(name));
            QTRY_COMPARE(listed(name), made);
            QTRY_COMPARE(model->filePath(tree->currentIndex()), made || name != "b" ? chosen : QString());
            QCOMPARE(Form6->CurrentDirectory(), chosen);
            QCOMPARE(Form6->Label1->text(), chosen);
        }
    }

    void downloadFolderIsOfferedByNameInTheDriveList()
    {
        Forms forms(Texts + QStringLiteral("DOWNLOADED CARD\tPOBRANA KARTA\t\n"));
        QTemporaryDir data;
        const QString download = data.filePath(QStringLiteral(".local/share/qtx-manager/card"));
        QComboBox* drives = Form6->DriveComboBox1;
        auto entry = [drives, &download] { return drives->findData(download); };
        // Offered once a download has made it, under the name the interface gives it.
        Form6->SetDownloadFolder(download);
        QCOMPARE(entry(), -1);
        QVERIFY(QDir().mkpath(download));
        OnNextModal([&](QWidget*) {
            QVERIFY(entry() >= 0);
            QVERIFY(drives->itemText(entry()).startsWith(QStringLiteral("Downloaded card")));
            drives->setCurrentIndex(entry());
            emit drives->activated(entry());
            QCOMPARE(Form6->Label1->text(), download);
            // The tree shows it among its neighbours, selected, not the empty inside of it.
            QTreeView* tree = Form6->DirectoryListBox1;
            QCOMPARE(static_cast<QFileSystemModel*>(tree->model())->filePath(tree->currentIndex()), download);
            QVERIFY(tree->rootIndex() == tree->currentIndex().parent());
            Form6->Button2->click();
        });
        Form6->Cancelled = true;
        Form6->exec();
        QVERIFY(!Form6->Cancelled);
        QCOMPARE(Form6->ChosenDirectory, download);
    }

private:
    ScriptedDialogs dialogs;
};

QTX_GUI_TEST_MAIN(WorkspaceTest)
#include "workspace_test.moc"
