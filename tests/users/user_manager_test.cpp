// The user manager: opening from the main window, lines and counts, filter and sort, delete,
// add and edit through the editor, saving, the closing question and the layout.

#include "support/forms_fixture.h"
#include "support/full_folder.h"
#include "users/user_editor_window.h"
#include "users/user_list.h"
#include "users_test_data.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>

using namespace qtx;
using namespace qtx::test;

namespace {

QString WriteWorkspace(const QTemporaryDir& dir, const UserList& users)
{
    WriteUserFile(users, dir.path() + QLatin1Char('/'));
    return dir.path();
}

QStringList Ids()
{
    QStringList ids;
    for (const QString& line : ListLines())
        ids << line.left(4);
    return ids;
}

} // namespace

class UserManagerTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // Sorting by name follows the user's locale.
        QLocale::setDefault(QLocale(QLocale::Polish, QLocale::Poland));
    }

    void opensFromMainWindow()
    {
        Forms forms(UserTexts());
        ScriptedDialogs dialogs;
        QTemporaryDir dir;
        WriteWorkspace(dir, SampleUsers());
        QVERIFY(Form1->Card.Open(dir.path(), false));
        OnNextModal([](QWidget* window) {
            const auto close = qScopeGuard([] { Form3->Button1->click(); });
            QCOMPARE(window, static_cast<QWidget*>(Form3));
            QCOMPARE(Form3->windowTitle(), QString("User manager"));
            QCOMPARE(Form3->Label1->text(), QString("All users: 4"));
            QCOMPARE(Form3->Label7->text(), QString("filtered: 4"));
            QCOMPARE(Form3->RadioButton2->text(), QString("sort by id"));
            QCOMPARE(Form3->ComboBox1->count(), 4);
            QCOMPARE(Form3->ComboBox1->itemText(3), QString("Administrator"));
        });
        Form1->Button3->click();
        QCOMPARE(PendingModalActions(), 0);
        QVERIFY(!Form3->isVisible());
        QVERIFY(dialogs.questions.isEmpty());
        QVERIFY(Form3->AllUsers.empty());

        // A missing user list: the error box, no window.
        QFile::remove(dir.filePath("USERS.txt"));
        Form1->Button3->click();
        QCOMPARE(dialogs.errors.size(), 1);
        QVERIFY(dialogs.errors[0].startsWith("Cannot open file"));
        QVERIFY(!Form3->isVisible());
    }

    void linesCountsAndPins()
    {
        Forms forms(UserTexts());
        QTemporaryDir dir;
        OpenManager(WriteWorkspace(dir, {}));
        QCOMPARE(Form3->Label1->text(), QString("All users: 0"));
        QCOMPARE(Form3->Lines->rowCount(), 0);

        OpenManager(WriteWorkspace(dir, SampleUsers()));
        QCOMPARE(ListLines()[0], QString("0001          EXISTS        000,00000          admin (administrator)"));
        QCOMPARE(ListLines()[3], QString("0003                        012,06699          Piotr Nowak"));
        // Debug mode: the PINs in clear, also on the first opening.
        OpenManager(dir.path(), true);
        QCOMPARE(ListLines()[1].mid(14, 6), QString("4821  "));
        QVERIFY(Form3->Label4->x() > Form3->Label3->x());
        QVERIFY(Form3->Label5->x() > Form3->Label4->x());
    }

    void filterAndSort()
    {
        Forms forms(UserTexts());
        QTemporaryDir dir;
        UserList users = SampleUsers();
        users.push_back(MakeUser("0004", 0x10000 + 3, "", "Gate 2"));
        users.push_back(MakeUser("0005", 0, "77", "LATE SHIFT"));
        users.push_back(MakeUser("0006", 0, "78", "Anna Kowalska"));
        OpenManager(WriteWorkspace(dir, users));

        Form3->CheckBox1->click();
        QCOMPARE(Form3->Lines->rowCount(), 7); // on, but no search text
        QTest::keyClicks(Form3->Edit1, "ate");
        QCOMPARE(Ids(), QStringList({"0004", "0005"}));
        QCOMPARE(Form3->Label7->text(), QString("filtered: 2"));
        QCOMPARE(Form3->ProgressBar1->value(), 0);
        Form3->ComboBox1->setCurrentIndex(3);
        QCOMPARE(Ids(), QStringList({"0001"}));
        Form3->ComboBox1->setCurrentIndex(2);
        Form3->Edit1->setText("6");
        QCOMPARE(Ids(), QStringList({"0002", "0003"})); // 00346 and 06699, not 00345
        QCOMPARE(Form3->ComboBox1->currentIndex(), 2);

        Form3->CheckBox1->click();
        Form3->RadioButton1->click();
        // Equal names stay in file order.
        QCOMPARE(Ids(), QStringList({"0001", "0002", "0002", "0006", "0004", "0005", "0003"}));
        QVERIFY(!Form3->Modified);
    }

    void deleteSelectsNeighbour()
    {
        Forms forms(UserTexts());
        ScriptedDialogs dialogs;
        QTemporaryDir dir;
        OpenManager(WriteWorkspace(dir, SampleUsers()));
        Form3->SelectRow(3);
        Form3->Button4->click();
        QCOMPARE(Form3->Lines->rowCount(), 3);
        QCOMPARE(CurrentRow(), 2);
        Form3->SelectRow(1);
        Form3->Button4->click(); // one card of Anna; her other record stays
        QCOMPARE(Ids(), QStringList({"0001", "0002"}));
        QCOMPARE(Form3->AllUsers[1].card, std::int64_t{786778});
        QCOMPARE(CurrentRow(), 1);
        QCOMPARE(Form3->Label1->text(), QString("All users: 2"));
        Form3->Button4->click();
        Form3->Button4->click();
        QCOMPARE(Form3->Lines->rowCount(), 0);
        QCOMPARE(CurrentRow(), -1);
        QVERIFY(Form3->Modified);
        QVERIFY(dialogs.messages.isEmpty());
    }

    // Edit with nothing selected changes nothing, but the close button and the close box then
    // both ask; "no" leaves the file alone, "yes" saves.
    void closingQuestion()
    {
        Forms forms(UserTexts());
        ScriptedDialogs dialogs;
        QTemporaryDir dir;
        const QString folder = WriteWorkspace(dir, SampleUsers());
        const QByteArray before = ReadFileBytes(dir.filePath("USERS.txt"));
        OpenManager(folder);
        Form3->Button2->click();
        QVERIFY(Form3->Modified);
        dialogs.answers.enqueue(ResultNo);
        Form3->Button1->click();
        QCOMPARE(dialogs.questions, QStringList({"Do you want to save changes?"}));
        QVERIFY(!Form3->isVisible());
        QVERIFY(Form3->AllUsers.empty() && Form3->Lines->ShownUsers().empty());
        QCOMPARE(ReadFileBytes(dir.filePath("USERS.txt")), before);

        OpenManager(folder);
        QVERIFY(!Form3->Modified);
        Form3->SelectRow(0);
        Form3->Button4->click();
        dialogs.answers.enqueue(ResultYes);
        Form3->close();
        QCOMPARE(dialogs.questions.size(), 2);
        QCOMPARE(dialogs.messages, QStringList({"Saving has succeeded."}));
        QVERIFY(!Form3->isVisible());
        QCOMPARE(ReadUserFile(dir.filePath("USERS.txt")).size(), std::size_t{3});

        // Without changes no question at all.
        OpenManager(folder);
        Form3->close();
        QCOMPARE(dialogs.questions.size(), 2);
    }

    // A save that fails: the error box, no confirmation, the old file intact, Modified kept, and
    // when closing the window stays open with its list.
    void failedSave()
    {
        Forms forms(UserTexts());
        ScriptedDialogs dialogs;
        QTemporaryDir dir;
        const QString folder = WriteWorkspace(dir, SampleUsers());
        OpenManager(folder);
        Form3->SetWorkspaceFolder(folder + "/missing/");
        Form3->SelectRow(0);
        Form3->Button4->click();
        Form3->Button5->click();
        QCOMPARE(dialogs.errors.size(), 1);
        QVERIFY(dialogs.messages.isEmpty());
        QVERIFY(Form3->Modified);

        dialogs.answers.enqueue(ResultYes);
        Form3->Button1->click();
        QCOMPARE(dialogs.errors.size(), 2);
        QVERIFY(Form3->isVisible());
        QCOMPARE(Form3->Lines->rowCount(), 3);
        QCOMPARE(Form3->AllUsers.size(), std::size_t{3});
        QCOMPARE(ReadUserFile(folder + "/USERS.txt"), SampleUsers());

        Form3->SetWorkspaceFolder(folder + QLatin1Char('/'));
        dialogs.answers.enqueue(ResultYes);
        Form3->Button1->click();
        QVERIFY(!Form3->isVisible());
        QCOMPARE(ReadUserFile(folder + "/USERS.txt").size(), std::size_t{3});
    }

    // A full disk: the error names the file and the cause, no confirmation, the old list whole.
    void saveOnFullDisk()
    {
        Forms forms(UserTexts());
        ScriptedDialogs dialogs;
        FullFolder folder;
        WriteUserFile(SampleUsers(), folder.path() + QLatin1Char('/'));
        OpenManager(folder.path());
        Form3->SelectRow(0);
        Form3->Button4->click();
        folder.Fill();
        Form3->Button5->click();
        const QString target = folder.filePath("USERS.txt");
        QCOMPARE(dialogs.errors, QStringList{QString("Cannot save file \"%1\": %2.").arg(target, folder.Cause())});
        QVERIFY(dialogs.messages.isEmpty());
        QVERIFY(Form3->Modified);
        QCOMPARE(ReadUserFile(target), SampleUsers());
        QCOMPARE(folder.Names(), QStringList{"USERS.txt"});
        Form3->Modified = false;
        Form3->hide();
    }

    // Another program replaced the list since it was read: asked first, "no" by default and on
    // "no" the other list stays; the manager's own save in between does not count as a change.
    void listReplacedSinceRead()
    {
        Forms forms(UserTexts());
        ScriptedDialogs dialogs;
        QTemporaryDir dir;
        const QString folder = WriteWorkspace(dir, SampleUsers());
        OpenManager(folder);
        Form3->SelectRow(0);
        Form3->Button4->click();
        Form3->Button5->click();
        QVERIFY(dialogs.questions.isEmpty());
        UserList theirs = SampleUsers();
        theirs.push_back(MakeUser("0009", 0, "99", "Their user"));
        WriteUserFile(theirs, folder + QLatin1Char('/'));
        Form3->Button4->click();
        dialogs.answers.enqueue(ResultNo);
        Form3->Button5->click();
        QCOMPARE(dialogs.questions,
                 QStringList{QString("The file has been changed by another program since it was read: %1/USERS.txt. "
                                     "Do you want to overwrite it?")
                                 .arg(folder)});
        QCOMPARE(dialogs.defaults, QList<int>{ResultNo});
        QCOMPARE(ReadUserFile(folder + "/USERS.txt"), theirs);
        QCOMPARE(dialogs.messages.size(), 1);
        QVERIFY(Form3->Modified);
        dialogs.answers.enqueue(ResultYes);
        Form3->Button5->click();
        QCOMPARE(ReadUserFile(folder + "/USERS.txt").size(), std::size_t{2});
        QCOMPARE(dialogs.messages.size(), 2);
        Form3->hide();
    }

    void addAndEditThroughEditor()
    {
        Forms forms(UserTexts());
        ScriptedDialogs dialogs;
        QTemporaryDir dir;
        OpenManager(WriteWorkspace(dir, SampleUsers()));
        Form3->RadioButton1->click();
        OnNextModal([](QWidget* window) {
            const auto close = qScopeGuard([] { Form4->close(); });
            QCOMPARE(window, static_cast<QWidget*>(Form4));
            QCOMPARE(Form4->Edit3->text(), QString("0004"));
            QTest::keyClicks(Form4->Edit1, "Bartosz");
            QTest::keyClicks(Form4->Edit4, "1234");
            Form4->Button3->click();
        });
        Form3->Button3->click();
        QCOMPARE(Form3->AllUsers.size(), std::size_t{5});
        QCOMPARE(CurrentLine().right(7), QString("Bartosz"));
        QCOMPARE(CurrentRow(), 3);
        QVERIFY(dialogs.messages.isEmpty());

        // Edit by double click; cancelling changes nothing.
        Form3->Modified = false;
        OnNextModal([](QWidget*) { Form4->Button1->click(); });
        Form3->SelectRow(0);
        emit Form3->ListBox1->doubleClicked(Form3->Lines->index(0));
        QVERIFY(Form3->Modified);
        QCOMPARE(CurrentRow(), 0);
        QCOMPARE(PendingModalActions(), 0);
    }

    void fullList()
    {
        Forms forms(UserTexts());
        ScriptedDialogs dialogs;
        QTemporaryDir dir;
        UserList users;
        for (int n = 1; n <= 9999; ++n)
            users.push_back(MakeUser(QByteArray::number(n).rightJustified(4, '0'), 0, QByteArray::number(n), "u"));
        users.push_back(MakeUser("0042", 5, "42", "second card"));
        OpenManager(WriteWorkspace(dir, users));
        Form3->Button3->click();
        QCOMPARE(dialogs.messages, QStringList({"Lista uzytkownikow jest pelna!"}));
        QVERIFY(Form3->Modified);

        for (int i = 0; i < 2; ++i) {
            Form3->SelectRow(41);
            QVERIFY(CurrentLine().startsWith("0042"));
            Form3->Button4->click();
        }
        QString offered;
        OnNextModal([&offered](QWidget*) {
            offered = Form4->Edit3->text();
            Form4->Button1->click();
        });
        Form3->Button3->click();
        QCOMPARE(offered, QString("0042"));
    }

    // Focus on the list with nothing selected: the current line is framed, not filled as if selected.
    void focusWithoutSelectionLooksUnselected()
    {
        Forms forms(UserTexts());
        QTemporaryDir dir;
        OpenManager(WriteWorkspace(dir, SampleUsers()));
        QVERIFY(QTest::qWaitForWindowExposed(Form3));
        Form3->activateWindow();
        QListView* list = Form3->ListBox1;
        list->setFocus(Qt::TabFocusReason);
        QTRY_VERIFY(list->hasFocus());
        QCOMPARE(list->currentIndex().row(), 0);
        QVERIFY(!list->selectionModel()->hasSelection());
        const QImage image = list->viewport()->grab().toImage();
        const QRect first = list->visualRect(Form3->Lines->index(0));
        const QRect second = list->visualRect(Form3->Lines->index(1));
        // Right of the text, inside the line: the list's own background, as on the next line.
        const int x = first.right() - 10;
        QCOMPARE(image.pixelColor(x, first.center().y()), image.pixelColor(x, second.center().y()));
    }

    void layout()
    {
        Forms forms(UserTexts());
        QTemporaryDir dir;
        OpenManager(WriteWorkspace(dir, SampleUsers()));
        Form3->resize(500, 600);
        QCOMPARE(Form3->width(), 780);
        Form3->resize(1000, 700);
        // The button row 8 pixels from the bottom and the sides, its buttons 8 apart.
        QTRY_COMPARE(GapsInside(Form3->Button1).right(), 8);
        QCOMPARE(GapsInside(Form3->Button1).bottom(), 8);
        QCOMPARE(GapsInside(Form3->Button5).left(), 8);
        for (const auto& [left, right] : {std::pair{Form3->Button5, Form3->Button3},
                                          {Form3->Button3, Form3->Button2},
                                          {Form3->Button2, Form3->Button4},
                                          {Form3->Button4, Form3->Button1}})
            QCOMPARE(GapAcross(left, right), 8);
        // The list across the window from 16 down to 12 pixels above the filter switch; the sort
        // choices below it, the second overlapping the first by 2 pixels.
        QCOMPARE(GapsInside(Form3->ListBox1).left(), 1);
        QCOMPARE(GapsInside(Form3->ListBox1).top(), 16);
        QCOMPARE(GapsInside(Form3->ListBox1).right(), 1);
        QCOMPARE(GapDown(Form3->ListBox1, Form3->CheckBox1), 12);
        QCOMPARE(GapDown(Form3->ListBox1, Form3->RadioButton1), 0);
        QCOMPARE(GapDown(Form3->RadioButton1, Form3->RadioButton2), -2);
        const QString fault = LayoutFault({Form3->ListBox1, Form3->RadioButton1, Form3->CheckBox1, Form3->ComboBox1,
                                           Form3->Edit1, Form3->ProgressBar1, Form3->Label7, Form3->Button1,
                                           Form3->Button2, Form3->Button3, Form3->Button4, Form3->Button5});
        QVERIFY2(fault.isEmpty(), qPrintable(fault));
    }
};

QTX_GUI_TEST_MAIN(UserManagerTest)
#include "user_manager_test.moc"
