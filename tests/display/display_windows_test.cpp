// Windows on a real X server with input made on the server: window names as the server holds
// them, list buttons after a focus change, quick clicks on the calendar, clicks made while the
// archive loads, and the left Shift key held before the program had the focus.

#include "archive/archive_test_data.h"
#include "archive/archive_window.h"
#include "archive/day_list_window.h"
#include "base/widgets/question_box.h"
#include "config/config_editor_window.h"
#include "display/x_input.h"
#include "link/console_window.h"
#include "link/progress_window.h"
#include "support/forms_fixture.h"
#include "users/user_manager_window.h"
#include "users/users_test_data.h"
#include "workspace/access_mode_window.h"
#include "workspace/folder_chooser_window.h"

#include <QListView>
#include <QPushButton>
#include <QTemporaryDir>

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
};

QTX_GUI_TEST_MAIN(DisplayWindowsTest)
#include "display_windows_test.moc"
