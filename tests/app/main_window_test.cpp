// The main window: start sequence, menu refusals, languages, banner, question box, error box,
// single-instance guard and the debug argument.

#include "app/banner.h"
#include "app/single_instance.h"
#include "base/command_line.h"
#include "base/errors.h"
#include "base/paths.h"
#include "base/widgets/message_boxes.h"
#include "base/widgets/question_box.h"
#include "config/config_editor_window.h"
#include "lang/language_chooser_window.h"
#include "link/link_controller.h"
#include "link/port_chooser_window.h"
#include "link/progress_window.h"
#include "support/forms_fixture.h"
#include "users/user_manager_window.h"
#include "workspace/access_mode_window.h"
#include "workspace/folder_chooser_window.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFont>
#include <QLabel>
#include <QLocalServer>
#include <QPainter>
#include <QPushButton>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTemporaryDir>

using namespace qtx;
using namespace qtx::test;

namespace {

const QString Texts =
    QStringLiteral("CHOOSE SD CARD DIRECTORY\tWYBIERZ FOLDER KARTY SD\t\n"
                   "CHANGE DEVICE CONFIGURATION\tZMIEŃ KONFIGURACJĘ URZĄDZENIA\t\n"
                   "ARCHIVE\tARCHIWUM\t\nUSER MANAGER\tMENEDŻER UŻYTKOWNIKÓW\t\nOPTIONS\tOPCJE\t\nEXIT\tWYJŚCIE\t\n"
                   "ABOUT\tO PROGRAMIE\t\nDEVICE NAME\tNAZWA URZĄDZENIA\t\nCLOSE\tZAMKNIJ\t\nLANGUAGE\tJĘZYK\t\n"
                   "SD CARD DIRECTORY HAS NOT BEEN CHOSEN\tNIE WYBRANO FOLDERU\t\n"
                   "CHOOSE THE SD CARD DIRECTORY FIRST\tNAJPIERW WYBIERZ FOLDER\t\n");

QStringList MainTexts()
{
    QStringList texts{Form1->windowTitle()};
    for (QPushButton* b : {Form1->Button5, Form1->Button1, Form1->Button4, Form1->Button3, Form1->Button6,
                           Form1->Button8, Form1->Button7})
        texts << b->text();
    for (QLabel* l : {Form1->Label8, Form1->Label9, Form1->Label1, Form1->Label2, Form1->Label5, Form1->Label6,
                      Form1->Label3, Form1->Label4, Form1->Label10, Form1->Label11, Form1->Label12, Form1->Label13})
        texts << l->text();
    return texts;
}

QImage SolidJpegSource()
{
    QImage image(40, 20, QImage::Format_RGB32);
    image.fill(QColor(200, 30, 30));
    return image;
}

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

private slots:
    void init() { dialogs.Clear(); }

    void debugArgumentRule()
    {
        QVERIFY(IsDebugArgument({"DEBUG"}));
        QVERIFY(IsDebugArgument({"debug"}));
        QVERIFY(IsDebugArgument({"DeBuG"}));
        QVERIFY(!IsDebugArgument({}));
        QVERIFY(!IsDebugArgument({"DEBUG", "DEBUG"}));
        QVERIFY(!IsDebugArgument({"DEBUGGER"}));
    }

    void startsWithTheNotChosenSummaryInPolish()
    {
        Forms forms(Texts);
        Form1->Language.SetLanguageIndex(Polish);
        Form1->ApplyLanguage();
        QCOMPARE(Form1->windowTitle(), QString("QTX MANAGER v.1.2.1 (build 48)"));
        QCOMPARE(Form1->Button4->text(), QString("Archiwum"));
        QCOMPARE(Form1->Button3->text(), QString("Menedżer użytkowników"));
        QCOMPARE(Form1->Label1->text(), QString("Nazwa urządzenia:"));
        for (QLabel* value :
             {Form1->Label9, Form1->Label2, Form1->Label6, Form1->Label4, Form1->Label11, Form1->Label13})
            QCOMPARE(value->text(), QString("Nie wybrano folderu"));
        QCOMPARE(Form1->size(), QSize(741, 294));
        // The banner across the top, the menu buttons 7 pixels apart.
        QCOMPARE(GapsInside(Form1->Image1), QMargins(0, 0, 0, 294 - 64));
        QCOMPARE(Form1->Button5->size(), QSize(331, 25));
        QCOMPARE(GapDown(Form1->Button5, Form1->Button1), 7);
        QVERIFY(Form1->Label8->x() > Form1->Button5->geometry().right());
        QVERIFY(Form1->Label9->x() > Form1->Label8->x()); // values indented below their captions
        QCOMPARE(Form1->Label7->text(), QString("MENU"));
        QVERIFY(!Form1->Button7->isVisible() && !Form1->Button7->isEnabled());
        QCOMPARE(Form1->Link->Tasks().TaskGroup(), 0);
    }

    void withoutLanguageFileKeysShowInBraces()
    {
        Forms forms;
        QCOMPARE(Form1->Button4->text(), QString("{archive}"));
        QCOMPARE(Form1->Button5->text(), QString("{choose sd card directory}"));
        QCOMPARE(Form1->Label2->text(), QString("{sd card directory has not been chosen}"));
        QVERIFY(dialogs.errors.isEmpty());
    }

    void workspaceButtonsRefuseBeforeAWorkspace()
    {
        Forms forms(Texts);
        Form1->Button1->click();
        Form1->Button4->click();
        Form1->Button3->click();
        QCOMPARE(dialogs.messages, QStringList(3, "Choose the sd card directory first!"));
        QVERIFY(QApplication::activeModalWidget() == nullptr);
    }

    void switchingLanguageAndBackRestoresEveryText()
    {
        Forms forms(Texts);
        Form1->Language.SetLanguageIndex(Polish);
        Form1->ApplyLanguage();
        const QStringList polish = MainTexts();
        const QString editorPolish = Form2->windowTitle() + Form2->Button1->text() + Form11->BitBtn1->text();

        OnNextModal([](QWidget*) {
            QCOMPARE(Form8->Button1->text(), QString("Zamknij"));
            QCOMPARE(Form8->Label1->text(), QString("Język"));
            QCOMPARE(Form8->ComboBox1->currentIndex(), 1);
            Form8->ComboBox1->setCurrentIndex(0);
            Form8->Button1->click();
        });
        Form1->Button6->click();
        QCOMPARE(Form1->Language.LanguageIndex(), 0);
        QCOMPARE(Form1->Button4->text(), QString("Archive"));
        QCOMPARE(Form8->windowTitle(), QString("Opcje"));
        QVERIFY(MainTexts() != polish);

        OnNextModal([](QWidget*) {
            Form8->ComboBox1->setCurrentIndex(1);
            Form8->Button1->click();
        });
        Form1->Button6->click();
        QCOMPARE(MainTexts(), polish);
        QCOMPARE(Form2->windowTitle() + Form2->Button1->text() + Form11->BitBtn1->text(), editorPolish);
        QCOMPARE(Form8->ComboBox1->count(), 2);
        QCOMPARE(Form8->ComboBox1->itemText(0), QString("english"));
        QCOMPARE(Form8->ComboBox1->itemText(1), QString("polski"));
    }

    void brokenRecordShowsListIndexErrorAndKeepsEarlierTexts()
    {
        Forms forms(Texts);
        // A record holding the key without a Polish column breaks the lookup of that key.
        Form1->Language.Reset();
        Form1->Language.LoadLanguageText("USER MANAGER\tMENEDŻER\t\nCHOOSE SD CARD DIRECTORY\tWYBIERZ\t\n"
                                         "ARCHIVE\t\n");
        Form1->Language.SetLanguageIndex(Polish);
        RunGuarded([] { Form1->ApplyLanguage(); });
        QCOMPARE(dialogs.errors.size(), 1);
        QVERIFY(dialogs.errors[0].contains("List index"));
        QCOMPARE(Form3->windowTitle(), QString("Menedżer"));
        QCOMPARE(Form1->Button5->text(), QString("Wybierz"));
        QCOMPARE(Form1->Button4->text(), QString("Archive")); // not reached: keeps the English text
    }

    void errorEscapingAHandlerReachesTheErrorBox()
    {
        Forms forms(Texts);
        QPushButton button;
        OnClick(&button, &button, [](QPushButton*) { throw FileError("disk on fire"); });
        button.click();
        QCOMPARE(dialogs.errors, QStringList({"disk on fire"}));
    }

    void questionBoxGeometryAndAnswers()
    {
        QuestionBox box("title", QString(300, 'x').replace(QRegularExpression("(.{20})"), "\\1 "), "Yes", ResultYes,
                        "No", ResultNo);
        const int labelHeight = box.Label->height();
        QVERIFY(labelHeight > 20); // wrapped on several lines
        QCOMPARE(box.width(), 500);
        // The text 16 pixels from the edges; the buttons 16 above the bottom and 16 either side
        // of the centre line.
        QCOMPARE(GapsInside(box.Label).left(), 16);
        QCOMPARE(GapsInside(box.Label).top(), 16);
        QCOMPARE(GapsInside(box.Label).right(), 16);
        QCOMPARE(box.height(), box.FirstButton->height() + labelHeight + 56);
        QCOMPARE(GapAcross(box.FirstButton, box.SecondButton), 32);
        QCOMPARE(GapsInside(box.FirstButton).left(), GapsInside(box.SecondButton).right());
        QCOMPARE(GapsInside(box.FirstButton).bottom(), 16);
        QCOMPARE(box.SecondButton->y(), box.FirstButton->y());
        const QString fault = LayoutFault({box.Label, box.FirstButton, box.SecondButton});
        QVERIFY2(fault.isEmpty(), qPrintable(fault));

        OnNextModal([&](QWidget*) { box.SecondButton->click(); });
        QCOMPARE(box.Ask(), int(ResultNo));
        OnNextModal([&](QWidget*) { box.FirstButton->click(); });
        QCOMPARE(box.Ask(), int(ResultYes));
        OnNextModal([&](QWidget*) { box.reject(); });
        QCOMPARE(box.Ask(), int(ResultCancel));
    }

    // The dialogs the main window opens, and the boxes, appear centred over it, not over the screen;
    // a question asked with No as its default answers No to Enter.
    void dialogsOpenCentredOverTheMainWindow()
    {
        Forms forms(Texts);
        Form1->move(0, 280); // its centre is off the screen's centre
        Form1->show();
        const int centre = Form1->geometry().center().x();
        const QList<QWidget*> windows{Form2, Form6, Form11, Form13, Form14};
        for (qsizetype i = 0; i < windows.size(); ++i) {
            windows[i]->show();
            QVERIFY2(qAbs(windows[i]->geometry().center().x() - centre) <= 1, qPrintable(QString::number(i)));
            windows[i]->hide();
        }
        int boxCentre = -1;
        OnNextModal([&](QWidget* box) {
            boxCentre = box->geometry().center().x();
            QVERIFY(static_cast<QuestionBox*>(box)->SecondButton->isDefault());
            QTest::keyClick(box, Qt::Key_Return);
        });
        WidgetDialogs widgets([] { return Form1; });
        QCOMPARE(widgets.AskQuestion(QString(), "?", "Yes", ResultYes, "No", ResultNo, ResultNo), int(ResultNo));
        QVERIFY(qAbs(boxCentre - centre) <= 1);
        Form1->hide();
    }

    // Qt's own buttons and dialogs speak the interface language and switch with it.
    void qtStandardTextsFollowTheInterfaceLanguage()
    {
        Forms forms(Texts);
        QDialogButtonBox buttons(QDialogButtonBox::Cancel);
        Form1->Language.SetLanguageIndex(Polish);
        Form1->ApplyLanguage();
        QTRY_COMPARE(buttons.button(QDialogButtonBox::Cancel)->text(), QString("Anuluj"));
        Form1->Language.SetLanguageIndex(English);
        Form1->ApplyLanguage();
        QTRY_COMPARE(buttons.button(QDialogButtonBox::Cancel)->text(), QString("Cancel"));
    }

    void bannerFollowsTheLogoFolder()
    {
        QTemporaryDir app;
        const QString dir = app.path() + '/';
        QCOMPARE(MakeBanner(dir, false).size(), QSize(741, 64)); // no logo folder: built-in

        QDir(dir).mkdir("logo");
        QVERIFY(MakeBanner(dir, false).isNull()); // no picture: empty banner
        QVERIFY(SolidJpegSource().save(dir + "logo/Site Gate.jpg", "JPG"));
        const QImage one = MakeBanner(dir, true);
        QCOMPARE(one.size(), QSize(40, 20));
        bool white = false; // the caption is drawn in white from the top left
        for (int y = 0; y < 20 && !white; ++y)
            for (int x = 0; x < 40 && !white; ++x)
                white = qGray(one.pixel(x, y)) > 230;
        QVERIFY(white);
        QVERIFY(qRed(one.pixel(39, 19)) > 150); // the picture itself, unscaled

        QVERIFY(SolidJpegSource().save(dir + "logo/second.jpg", "JPG"));
        QVERIFY(MakeBanner(dir, false).isNull()); // two pictures: no banner

        QFile::remove(dir + "logo/second.jpg");
        WriteFileBytes(dir + "logo/Site Gate.jpg", "not a jpeg at all");
        QVERIFY_THROWS_EXCEPTION(FileError, MakeBanner(dir, false));
        WriteFileBytes(dir + "logo/Site Gate.jpg", QByteArray("\xff\xd8\xff\xe0", 4)); // cut short
        QVERIFY_THROWS_EXCEPTION(FileError, MakeBanner(dir, false));
    }

    void undecodableLogoIsReportedAndTheStartFinishes()
    {
        // The logo folder sits beside the program, so the test puts one beside itself for a while.
        const QString logo = AppDir() + "logo";
        QDir(logo).removeRecursively();
        QVERIFY(QDir().mkpath(logo));
        const auto removeLogo = qScopeGuard([&logo] { QDir(logo).removeRecursively(); });
        WriteFileBytes(logo + "/Site Gate.jpg", "not a jpeg at all");
        Forms forms(Texts);
        QCOMPARE(dialogs.errors.size(), 1);
        QVERIFY(dialogs.errors.front().contains("Site Gate.jpg"));
        QVERIFY(Form1->Image1->pixmap().isNull());
        QCOMPARE(Form1->Button4->text(), QString("Archive"));
        QCOMPARE(Form1->Label9->text(), QString("Sd card directory has not been chosen"));
    }

    void secondCopyRaisesTheFirstAndStops()
    {
        qputenv("QTX_INSTANCE_NAME", "qtx-test-single-instance-probe");
        int raised = 0;
        auto first = ClaimSingleInstance("QTX MANAGER v.1.2.1 (build 48)", [&] { ++raised; });
        QVERIFY(first);
        QVERIFY(first->isListening());
        QVERIFY(!ClaimSingleInstance("QTX MANAGER v.1.2.1 (build 48)", [] {}));
        QTRY_COMPARE(raised, 1);
        first.reset();
        auto again = ClaimSingleInstance("QTX MANAGER v.1.2.1 (build 48)", [] {});
        QVERIFY(again && again->isListening());
    }

    void labelsShowDeviceValuesAsTheyAre()
    {
        Forms forms(Texts);
        QTemporaryDir dir;
        const QString report = dir.filePath("KONFOUT.TXT");
        QFile file(report);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("DeviceID=<h1>Drzwi</h1>\r\nport1=a<b>b\r\nport0=x\r\n");
        file.close();
        Form1->show();
        QVERIFY(QTest::qWaitForWindowExposed(Form1));
        Form1->ReadConfigReport(report);
        // As markup the name would be a heading taller than the summary's other lines.
        QCOMPARE(Form1->Label2->sizeHint().height(), Form1->Label6->sizeHint().height());
        QCOMPARE(Form1->Label4->text(), QString("a<b>b"));
        // Every label of every window, whatever it will show.
        for (QWidget* window : QApplication::topLevelWidgets())
            for (QLabel* label : window->findChildren<QLabel*>()) {
                label->ensurePolished();
                QVERIFY2(label->textFormat() == Qt::PlainText, qPrintable(window->metaObject()->className()));
            }
    }

    void summaryFontIsFixedPitch()
    {
        Forms forms(Texts);
        const QFontInfo info(Form1->Label2->font());
        QVERIFY(info.fixedPitch());
        QCOMPARE(Form1->font().pixelSize(), 13);
    }

    // The folder chooser, the boxes and the language chooser in the one font of the other windows.
    void everyWindowWritesInTheFixedFont()
    {
        Forms forms(Texts);
        auto fixed = [](const QWidget* window) {
            for (const QWidget* widget : window->findChildren<QWidget*>())
                if ((qobject_cast<const QLabel*>(widget) || qobject_cast<const QAbstractButton*>(widget))
                    && !QFontInfo(widget->font()).fixedPitch())
                    return QString::fromLatin1(window->metaObject()->className()) + QLatin1Char(' ')
                           + widget->objectName() + QLatin1Char(' ') + widget->font().family();
            return QString();
        };
        QuestionBox question("title", "?", "Yes", ResultYes, "No", ResultNo);
        for (const QWidget* window :
             {static_cast<QWidget*>(Form6), static_cast<QWidget*>(Form8), static_cast<QWidget*>(&question)})
            QVERIFY2(fixed(window).isEmpty(), qPrintable(fixed(window)));
        QString boxFault = QStringLiteral("no box");
        OnNextModal([&](QWidget* box) {
            boxFault = fixed(box);
            box->close();
        });
        WidgetDialogs widgets([] { return Form1; });
        widgets.ShowMessage(QStringLiteral("message"));
        QVERIFY2(boxFault.isEmpty(), qPrintable(boxFault));
    }

    // Tab walks every window in reading order: down the rows, and left to right along a row.
    void tabFollowsReadingOrderInEveryWindow()
    {
        Forms forms(Texts);
        int checked = 0;
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (window->windowType() != Qt::Window && window->windowType() != Qt::Dialog)
                continue;
            const QString name = window->windowTitle() + QLatin1Char('/') + QString::number(qintptr(window), 16);
            ++checked;
            window->show();
            QList<QPoint> stops;
            for (QWidget* w = window->nextInFocusChain(); w != window; w = w->nextInFocusChain())
                if ((w->focusPolicy() & Qt::TabFocus) && w->window() == window && w->isVisibleTo(window)
                    && w->isEnabled())
                    stops.append(w->mapTo(window, QPoint()));
            for (qsizetype i = 1; i < stops.size(); ++i) {
                const QPoint a = stops[i - 1];
                const QPoint b = stops[i];
                const bool inOrder = b.y() > a.y() + 8 || (qAbs(b.y() - a.y()) <= 8 && b.x() > a.x());
                QVERIFY2(inOrder, qPrintable(QStringLiteral("%1, stop %2").arg(name).arg(i)));
            }
            window->hide();
        }
        QVERIFY(checked >= 14);
    }

private:
    ScriptedDialogs dialogs;
};

QTX_GUI_TEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
