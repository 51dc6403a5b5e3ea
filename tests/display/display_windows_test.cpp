// Windows on a real X server with input made on the server: window names as the server holds
// them, list buttons after a focus change, quick clicks on the calendar, clicks made while the
// archive loads, the left Shift key held before the program had the focus, and the keyboard:
// Enter on buttons, Tab order, the folder chooser's first key, focus after nested dialogs.

#include "archive/archive_test_data.h"
#include "archive/archive_window.h"
#include "archive/day_list_window.h"
#include "base/widgets/question_box.h"
#include "config/config_editor_window.h"
#include "display/x_input.h"
#include "lang/language_chooser_window.h"
#include "link/console_window.h"
#include "link/progress_window.h"
#include "support/forms_fixture.h"
#include "users/pin_dialog_window.h"
#include "users/user_editor_window.h"
#include "users/user_manager_window.h"
#include "users/users_test_data.h"
#include "workspace/access_mode_window.h"
#include "workspace/folder_chooser_window.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTreeView>

using namespace qtx;
using namespace qtx::test;

namespace {

// Makes a click on the X server the first time the watched widget paints, from inside that paint.
class ClickAtFirstPaint : public QObject {
public:
    explicit ClickAtFirstPaint(QPoint global) : global_(global) {}
    bool clicked = false;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && !clicked) {
            clicked = true;
            XInput().ClickAt(global_);
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QPoint global_;
};

constexpr unsigned KeysymShiftL = 0xFFE1;
constexpr unsigned KeysymShiftR = 0xFFE2;
constexpr unsigned KeysymReturn = 0xFF0D;
constexpr unsigned KeysymTab = 0xFF09;
constexpr unsigned KeysymDown = 0xFF54;
constexpr unsigned KeysymEscape = 0xFF1B;

void Press(XInput& x, unsigned keysym)
{
    x.KeyDown(keysym);
    x.KeyUp(keysym);
}

bool Active(QWidget* window)
{
    window->activateWindow();
    return QTest::qWaitForWindowActive(window);
}

// The widgets that have the focus after each of count presses of Tab.
QList<QWidget*> TabStops(XInput& x, int count)
{
    QList<QWidget*> stops;
    for (int i = 0; i < count; ++i) {
        QWidget* before = QApplication::focusWidget();
        Press(x, KeysymTab);
        if (!QTest::qWaitFor([before] { return QApplication::focusWidget() != before; }, 2000))
            qWarning("Tab left the focus where it was");
        stops.append(QApplication::focusWidget());
    }
    return stops;
}

bool Shown(QWidget* window)
{
    window->show();
    return QTest::qWaitForWindowExposed(window);
}

// May 2021 in the archive window, its calendar shown.
void LoadMay(const QTemporaryDir& dir)
{
    WriteBytes(dir.filePath("20210511.csv"), EventFile({EventLine("0001", 7, 5, 9, true, true, "Piotr", "IN")}));
    Form5->OpenFolder(dir.path() + QLatin1Char('/'));
    Form5->SetPortNames("IN", "OUT");
    QVERIFY(Shown(Form5));
    Form5->Button2->click();
    QCOMPARE(Form5->shownMonth, QDate(2021, 5, 11));
}

QPoint NextMonthArrow()
{
    return {Form5->Image1->width() - 25, Form5->Image1->height() / 2};
}

} // namespace

class DisplayWindowsTest : public QObject {
    Q_OBJECT

private slots:
    void init() { QVERIFY(QGuiApplication::platformName() == QLatin1String("xcb")); }

    void windowsAreNamedExactlyAsTheirTitles()
    {
        Forms forms;
        ScriptedDialogs dialogs;
        XInput x;
        Form2->setWindowTitle(QStringLiteral("Edytor"));
        QuestionBox question(QString(), QStringLiteral("?"), QStringLiteral("Tak"), ResultYes, QStringLiteral("Nie"),
                             ResultNo);
        for (QWidget* window :
             {static_cast<QWidget*>(Form1), static_cast<QWidget*>(Form2), static_cast<QWidget*>(Form3),
              static_cast<QWidget*>(Form6), static_cast<QWidget*>(Form13), static_cast<QWidget*>(&question)}) {
            QVERIFY(Shown(window));
            QCOMPARE(x.WindowName(window->windowHandle()), window->windowTitle());
            // A title set while the window is shown is followed as exactly.
            const QString title = window->windowTitle();
            window->setWindowTitle(QStringLiteral("x"));
            window->setWindowTitle(title);
            QCOMPARE(x.WindowName(window->windowHandle()), title);
            window->hide();
        }
        QVERIFY(Form6->windowTitle().isEmpty());
        QVERIFY(Form13->windowTitle().isEmpty());
    }

    void userListButtonsActOnlyOnASelectedLine()
    {
        Forms forms(UserTexts());
        ScriptedDialogs dialogs;
        XInput x;
        QTemporaryDir dir;
        WriteUserFile(SampleUsers(), dir.path() + QLatin1Char('/'));
        OpenManager(dir.path());
        QVERIFY(QTest::qWaitForWindowExposed(Form3));
        Form3->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(Form3));
        const QStringList before = ListLines();

        // Focus makes the first line current without selecting it: neither button may act.
        Form3->ListBox1->setFocus(Qt::TabFocusReason);
        QTRY_VERIFY(Form3->ListBox1->hasFocus());
        QCOMPARE(Form3->ListBox1->currentIndex().row(), 0);
        QVERIFY(!Form3->ListBox1->selectionModel()->hasSelection());
        bool editorOpened = false;
        OnNextModal([&](QWidget* window) {
            editorOpened = true;
            window->close();
        });
        const QListView* list = Form3->ListBox1;
        const QPoint third = list->visualRect(Form3->Lines->index(2)).center();
        x.Click(Form3->Button2);
        x.Click(Form3->Button4);
        // A line picked with the mouse; its click is handled after the two before it.
        x.Click(list->viewport(), third);
        QTRY_COMPARE(Form3->ListBox1->selectionModel()->selectedIndexes().size(), 1);
        QVERIFY(!editorOpened);
        ClearModalActions();
        QCOMPARE(ListLines(), before);

        // The picked line is the one deleted.
        x.Click(Form3->Button4);
        QTRY_COMPARE(ListLines().size(), before.size() - 1);
        QVERIFY(!ListLines().contains(before[2]));
    }

    void everyPressOnTheCalendarCounts()
    {
        Forms forms;
        ScriptedDialogs dialogs;
        XInput x;
        QTemporaryDir dir;
        LoadMay(dir);
        // Two quick clicks make a press and a double click: two months on.
        x.Click(Form5->Image1, NextMonthArrow(), 2);
        QTRY_COMPARE(Form5->shownMonth.month(), 7);
        x.Click(Form5->Image1, NextMonthArrow(), 4);
        QTRY_COMPARE(Form5->shownMonth.month(), 11);
    }

    void clicksMadeDuringALoadAreDropped()
    {
        Forms forms;
        ScriptedDialogs dialogs;
        QTemporaryDir dir;
        WriteBytes(dir.filePath("20210511.csv"), EventFile({EventLine("0001", 7, 5, 9, true, true, "Piotr", "IN")}));
        WriteBytes(dir.filePath("20210512.csv"), EventFile({EventLine("0001", 8, 0, 0, true, true, "Piotr", "IN")}));
        Form5->OpenFolder(dir.path() + QLatin1Char('/'));
        Form5->SetPortNames("IN", "OUT");
        QVERIFY(Shown(Form5));
        // Over the file panel now, over a day of the calendar once the load is done.
        const QPoint overADay =
            Form5->Image1->mapToGlobal(QPoint(Form5->Image1->width() / 2, Form5->Image1->height() / 2));

        // The click is made at the load's first painted step, while the load holds the event loop.
        ClickAtFirstPaint operatorHand(overADay);
        Form5->ProgressBar2->installEventFilter(&operatorHand);
        Form5->Button2->click();
        Form5->ProgressBar2->removeEventFilter(&operatorHand);
        QVERIFY(operatorHand.clicked);
        QCOMPARE(Form5->EventStore.Size(), std::size_t(2));

        // A click made after the load is delivered, and only after everything queued before it.
        XInput x;
        x.Click(Form5->Image1, NextMonthArrow());
        QTRY_COMPARE(Form5->shownMonth.month(), 6);
        QVERIFY(!Form7->isVisible());
        QVERIFY(!Form5->dayListOpen);
    }

    void leftShiftHeldBeforeTheWindowsOpenChoosesTheRawConsole()
    {
        Forms forms;
        ScriptedDialogs dialogs;
        XInput x;
        // Pressed while no window of the program is on screen: the program sees no key event.
        x.KeyDown(KeysymShiftL);
        const auto release = qScopeGuard([&] { x.KeyUp(KeysymShiftL); });
        QVERIFY(Shown(Form11));
        QWidget* opened = nullptr;
        OnNextModal([&](QWidget* window) {
            opened = window;
            window->close();
        });
        x.Click(Form11->BitBtn3);
        QTRY_VERIFY(opened != nullptr);
        QCOMPARE(opened, static_cast<QWidget*>(Form12));
        QCOMPARE(Form11->AccessMode, int(TForm11::RawConsole));

        x.KeyUp(KeysymShiftL);
        QVERIFY(!LeftShiftHeld());
        x.KeyDown(KeysymShiftR);
        QVERIFY(!LeftShiftHeld());
        x.KeyUp(KeysymShiftR);
    }

    void enterPressesTheFocusedButton()
    {
        Forms forms(UserTexts());
        ScriptedDialogs dialogs;
        XInput x;
        QTemporaryDir dir;
        WriteUserFile(SampleUsers(), dir.path() + QLatin1Char('/'));
        struct Case {
            const char* name;
            QWidget* window;
            std::function<QWidget*()> focus; // where Enter is pressed
            std::function<bool()> done;      // what the press did
        };
        QWidget* opened = nullptr;
        const Case cases[] = {
            {"main window", Form1, [] { return Form1->Button6; },
             [&] { return opened == static_cast<QWidget*>(Form8); }},
            {"access-mode chooser", Form11, [] { return Form11->BitBtn4; },
             [] { return !Form11->isVisible() && Form11->AccessMode == int(TForm11::DoNothing); }},
            {"user editor", Form4, [] { return Form4->Button1; }, [] { return !Form4->isVisible(); }},
            // After both PINs, in the repetition's field: confirmed as by the button.
            {"PIN dialog", Form10,
             [] {
                 Form10->Edit1->setText(QStringLiteral("123456"));
                 Form10->Edit2->setText(QStringLiteral("123456"));
                 return Form10->Edit2;
             },
             [] { return !Form10->isVisible() && Form10->result() == QDialog::Accepted && !Form10->PinCancelled; }},
        };
        for (const Case& c : cases) {
            if (c.window == Form4)
                OpenManager(dir.path());
            opened = nullptr;
            OnNextModal([&](QWidget* window) {
                opened = window;
                window->close();
            });
            QVERIFY2(Shown(c.window) && Active(c.window), c.name);
            QWidget* target = c.focus();
            target->setFocus(Qt::TabFocusReason);
            QTRY_VERIFY2(target->hasFocus(), c.name);
            Press(x, KeysymReturn);
            QTRY_VERIFY2(c.done(), c.name);
            ClearModalActions();
            c.window->hide();
        }
    }

    void tabFollowsReadingOrderAndStopsOnTheCheckedSortChoice()
    {
        Forms forms(UserTexts());
        ScriptedDialogs dialogs;
        XInput x;
        QTemporaryDir dir;
        WriteUserFile(SampleUsers(), dir.path() + QLatin1Char('/'));
        OpenManager(dir.path());
        QVERIFY(QTest::qWaitForWindowExposed(Form3) && Active(Form3));
        TForm3* f = Form3;
        for (QRadioButton* checked : {f->RadioButton2, f->RadioButton1}) {
            checked->click();
            f->ListBox1->setFocus(Qt::TabFocusReason);
            QTRY_VERIFY(f->ListBox1->hasFocus());
            const QList<QWidget*> expected = {checked,    f->CheckBox1, f->ComboBox1, f->Edit1,   f->Button5,
                                              f->Button3, f->Button2,   f->Button4,   f->Button1, f->ListBox1};
            QCOMPARE(TabStops(x, int(expected.size())), expected);
        }
    }

    void folderChooserOpensWithTheKeyboardInTheTree()
    {
        // The folder exists before the windows: when the program runs from a folder under the
        // temporary folder, the tree has read that folder before this one was made.
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("a/b")));
        Forms forms;
        ScriptedDialogs dialogs;
        XInput x;
        Form6->OpenDirectory(dir.path());
        const int drive = Form6->DriveComboBox1->currentIndex();
        QVERIFY(Shown(Form6) && Active(Form6));
        // The tree reads folders in the background: a person sees "a" before pressing a key, and
        // until then Down would step to the next folder beside this one.
        QTreeView* tree = Form6->DirectoryListBox1;
        QTRY_VERIFY(tree->model()->rowCount(tree->currentIndex()) > 0 && tree->isExpanded(tree->currentIndex()));
        // The README's advice: the arrow keys walk the tree.
        Press(x, KeysymDown);
        QTRY_COMPARE(Form6->CurrentDirectory(), QDir::cleanPath(dir.filePath(QStringLiteral("a"))));
        QCOMPARE(Form6->DriveComboBox1->currentIndex(), drive);
        Form6->hide();
    }

    void focusReturnsToTheOpenerWhenNestedDialogsClose()
    {
        Forms forms;
        ScriptedDialogs dialogs;
        XInput x;
        QVERIFY(Shown(Form1) && Active(Form1));
        // Access-mode chooser, then the local folder, left with Escape: both close.
        bool folderChooserLeft = false;
        OnNextModal([&](QWidget* window) {
            QCOMPARE(window, static_cast<QWidget*>(Form11));
            x.Click(Form11->BitBtn1);
        });
        OnNextModal([&](QWidget* window) {
            folderChooserLeft = true;
            // Escape goes where the server's focus is: wait until that is the chooser.
            const bool focused = QTest::qWaitFor([&] { return x.FocusedWindow() == unsigned(Form6->winId()); });
            Press(x, KeysymEscape);
            QVERIFY(focused);
            QCOMPARE(window, static_cast<QWidget*>(Form6));
        });
        x.Click(Form1->Button5);
        QTRY_VERIFY(folderChooserLeft && !Form6->isVisible() && !Form11->isVisible());
        // The server's keyboard focus is back in the main window, and Tab moves on from the button.
        QTRY_COMPARE(x.FocusedWindow(), unsigned(Form1->winId()));
        QTRY_VERIFY(Form1->Button5->hasFocus());
        Press(x, KeysymTab);
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(Form1->Button1));
    }
};

QTX_GUI_TEST_MAIN(DisplayWindowsTest)
#include "display_windows_test.moc"
