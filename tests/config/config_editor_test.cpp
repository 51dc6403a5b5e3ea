// The configuration command editor opened from the main window, headless.

#include "config/config_editor_window.h"
#include "support/forms_fixture.h"

#include <QCheckBox>
#include <QDate>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>

using namespace qtx;
using namespace qtx::test;

namespace {

const QString Texts =
    QStringLiteral("BUTTON\tPRZYCISK\t\nREADER\tCZYTNIK\t\nUNREAD\tNIEODCZYTANY\t\n"
                   "YOU NEED TO INSERT THE CARD TO THE DEVICE IN ORDER TO PROCEED THE CHANGES\t"
                   "WŁÓŻ KARTĘ\t\n"
                   "THE DEVICE CANNOT STORE THESE CHARACTERS\tURZĄDZENIE NIE ZAPISZE TYCH ZNAKÓW\t\n");

// A workspace with a report, opened without questions.
void OpenWorkspaceAt(const QString& dir, const QByteArray& report)
{
    WriteFileBytes(dir + "/KONFOUT.TXT", report);
    Form1->DownloadPath = dir;
    Form1->OpenWorkspace(false);
}

void UntickAll()
{
    for (QCheckBox* box : {Form2->CheckBox4, Form2->CheckBox5, Form2->CheckBox6, Form2->CheckBox7})
        box->setChecked(false);
}

} // namespace

class ConfigEditorTest : public QObject {
    Q_OBJECT

private slots:
    void init() { dialogs.Clear(); }

    void emptyDeviceNameTicksItsBoxAndEnablesTheField()
    {
        Forms forms(Texts);
        QTemporaryDir dir;
        OpenWorkspaceAt(dir.path(), "firmware: 1\r\nport0=IN\r\nport1=OUT\r\nbutton=on\r\n");
        OnNextModal([](QWidget*) {
            QVERIFY(Form2->CheckBox1->isChecked());
            QVERIFY(Form2->Edit4->isEnabled());
            QVERIFY(!Form2->CheckBox2->isChecked());
            QVERIFY(!Form2->Edit5->isEnabled());
            QCOMPARE(Form2->Edit6->text(), QString("IN"));
            QVERIFY(Form2->RadioButton2->isChecked()); // the summary shows "button"
            Form2->Edit6->setText("Front door");
            Form2->Button1->click();
        });
        Form1->Button1->click();
        QCOMPARE(Form2->windowTitle(), Form1->Button1->text());
        QVERIFY(Form2->NotCreated);
        QVERIFY(dialogs.messages.isEmpty());
        QVERIFY(!QFileInfo::exists(dir.path() + "/konfig.txt"));
        // The summary shows what the recorder reported: neither a cancelled edit nor a rename it
        // has not carried out yet changes it.
        QCOMPARE(Form1->Label6->text(), QString("IN"));
        OnNextModal([](QWidget*) {
            UntickAll();
            Form2->CheckBox3->setChecked(true);
            Form2->Edit6->setText("Front door");
            Form2->Button2->click();
        });
        Form1->Button1->click();
        QVERIFY(ReadFileBytes(dir.path() + "/konfig.txt").contains("Front door"));
        QCOMPARE(Form1->Label6->text(), QString("IN"));
        QCOMPARE(Form1->Label4->text(), QString("OUT"));
    }

    void onlyExitModeTickedWritesOneLine()
    {
        Forms forms(Texts);
        QTemporaryDir dir;
        OpenWorkspaceAt(dir.path(), "DeviceID=D\r\nport0=IN\r\nport1=OUT\r\n");
        OnNextModal([](QWidget*) {
            UntickAll();
            Form2->CheckBox7->click();
            QVERIFY(Form2->RadioButton2->isEnabled());
            Form2->RadioButton2->setChecked(true);
            Form2->Button2->click();
        });
        Form1->Button1->click();
        QCOMPARE(ReadFileBytes(dir.path() + "/konfig.txt"), QByteArray("button=on\r\n"));
        QVERIFY(!Form2->NotCreated);
        QCOMPARE(dialogs.messages,
                 QStringList({"You need to insert the card to the device in order to proceed the changes"}));
    }

    void exitModeIsPreselectedFromTheReportInEitherLanguage()
    {
        Forms forms(Texts);
        QTemporaryDir dir;
        OpenWorkspaceAt(dir.path(), "DeviceID=D\r\nbutton=on\r\n");
        QCOMPARE(Form1->Label11->text(), QString("button"));
        Form1->Language.SetLanguageIndex(Polish);
        Form1->ApplyLanguage(); // the summary keeps "button", read in English
        OnNextModal([](QWidget*) {
            QVERIFY(Form2->RadioButton2->isChecked());
            QVERIFY(!Form2->RadioButton1->isChecked());
            Form2->Button1->click();
        });
        Form1->Button1->click();
    }

    void nothingTickedWritesNothingButStillCloses()
    {
        Forms forms(Texts);
        QTemporaryDir dir;
        OpenWorkspaceAt(dir.path(), "DeviceID=D\r\nport0=IN\r\nport1=OUT\r\n");
        WriteFileBytes(dir.path() + "/konfig.txt", "DeviceID=pending\r\n");
        OnNextModal([](QWidget*) {
            UntickAll();
            Form2->Button2->click();
        });
        Form1->Button1->click();
        QCOMPARE(ReadFileBytes(dir.path() + "/konfig.txt"), QByteArray("DeviceID=pending\r\n"));
        QVERIFY(!Form2->NotCreated);
        QCOMPARE(dialogs.messages.size(), 1);
    }

    void enterCreatesAndEscapeCancelsFromFieldsBoxesAndButtons()
    {
        Forms forms(Texts);
        QTemporaryDir dir;
        OpenWorkspaceAt(dir.path(), "DeviceID=D\r\nport0=IN\r\nport1=OUT\r\n");
        const QString konfig = dir.path() + "/konfig.txt";
        for (QWidget* target : std::initializer_list<QWidget*>{Form2->Edit9, Form2->CheckBox6, Form2->Button1,
                                                               Form2->Edit4, Form2->CheckBox2}) {
            QFile::remove(konfig);
            OnNextModal([target](QWidget*) {
                UntickAll();
                Form2->CheckBox1->setChecked(true);
                QTest::keyClick(target, Qt::Key_Escape);
            });
            Form1->Button1->click();
            QVERIFY(!QFileInfo::exists(konfig));
            QVERIFY(Form2->NotCreated);

            OnNextModal([target](QWidget*) {
                UntickAll();
                Form2->CheckBox1->setChecked(true);
                QTest::keyClick(target, Qt::Key_Return);
            });
            Form1->Button1->click();
            QCOMPARE(ReadFileBytes(konfig), QByteArray("DeviceID=D\r\n"));
            QVERIFY(!Form2->NotCreated);
        }
        // The exit-mode choices keep Enter to themselves.
        OnNextModal([](QWidget*) {
            QTest::keyClick(Form2->RadioButton1, Qt::Key_Return);
            QTest::keyClick(Form2->RadioButton1, Qt::Key_Escape);
            QVERIFY(Form2->isVisible());
            Form2->Button1->click();
        });
        Form1->Button1->click();
    }

    void clockFillAndTypedDatesAreWrittenAsTheyStand()
    {
        Forms forms(Texts);
        QTemporaryDir dir;
        OpenWorkspaceAt(dir.path(), "DeviceID=D\r\nport0=IN\r\nport1=OUT\r\n");
        OnNextModal([](QWidget*) {
            UntickAll();
            Form2->CheckBox6->setChecked(true);
            Form2->CheckBox4->click();
            QTRY_VERIFY(!Form2->Edit1->text().isEmpty());
            QTRY_COMPARE(Form2->Edit1->text(), QString::number(QDate::currentDate().year()));
            Form2->Button2->click();
        });
        Form1->Button1->click();
        const QDate today = QDate::currentDate();
        QCOMPARE(ReadFileBytes(dir.path() + "/konfig.txt"),
                 QString("data:%1.%2.%3\r\n").arg(today.year()).arg(today.month()).arg(today.day()).toLatin1());

        OnNextModal([](QWidget*) {
            UntickAll();
            Form2->CheckBox4->click();
            Form2->Edit1->setText("2026");
            Form2->Edit2->setText("03");
            Form2->Edit3->setText("07");
            Form2->Timer1Timer(); // a clock tick must not overwrite typing while the box is off
            Form2->Button2->click();
        });
        Form1->Button1->click();
        QCOMPARE(ReadFileBytes(dir.path() + "/konfig.txt"), QByteArray("data:2026.03.07\r\n"));
    }

    void failedSaveKeepsTheEditorOpen()
    {
        Forms forms(Texts);
        QTemporaryDir dir;
        OpenWorkspaceAt(dir.path(), "DeviceID=D\r\nport0=IN\r\nport1=OUT\r\n");
        QDir(dir.path()).mkdir("konfig.txt"); // cannot be replaced by a file
        OnNextModal([](QWidget*) {
            UntickAll();
            Form2->CheckBox1->setChecked(true);
            Form2->Button2->click();
            QVERIFY(Form2->isVisible());
            QVERIFY(Form2->NotCreated);
            Form2->Button1->click();
        });
        Form1->Button1->click();
        QCOMPARE(dialogs.errors.size(), 1);
        QVERIFY(dialogs.messages.isEmpty());
    }

    // A character code page 1250 lacks would be stored as a substitute byte: refused by name.
    void charactersTheDeviceCannotStore()
    {
        Forms forms(Texts);
        QTemporaryDir dir;
        OpenWorkspaceAt(dir.path(), "DeviceID=D\r\nport0=IN\r\nport1=OUT\r\n");
        OnNextModal([](QWidget*) {
            UntickAll();
            Form2->CheckBox1->setChecked(true);
            Form2->Edit4->setText(QString::fromUtf8("Drzwi \U0001F600 ñ ąę"));
            Form2->Button2->click();
            QVERIFY(Form2->isVisible());
            Form2->Button1->click();
        });
        Form1->Button1->click();
        QCOMPARE(dialogs.messages,
                 QStringList{QString::fromUtf8("The device cannot store these characters: \U0001F600 ñ!")});
        QVERIFY(!QFileInfo::exists(dir.path() + "/konfig.txt"));
        QVERIFY(Form2->NotCreated);
    }

private:
    ScriptedDialogs dialogs;
};

QTX_GUI_TEST_MAIN(ConfigEditorTest)
#include "config_editor_test.moc"
