// The user editor and the PIN dialog: the linked card fields, the normal forms on leaving a
// field, the six checks in order, add and edit mode, another card, and the new-PIN dialog.

#include "support/forms_fixture.h"
#include "users/pin_dialog_window.h"
#include "users/user_editor_window.h"
#include "users_test_data.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>

using namespace qtx;
using namespace qtx::test;

namespace {

// Moves the focus out of a field as tabbing away would.
void Leave(QLineEdit* edit)
{
    QFocusEvent event(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(edit, &event);
}

void Type(QLineEdit* edit, const QString& text)
{
    edit->clear();
    QTest::keyClicks(edit, text);
}

// Runs the action inside the editor opened by the manager's add button (or edit button on a
// row), the editor closing afterwards in any case.
void InEditor(const std::function<void()>& action, int editRow = -1)
{
    OnNextModal([action](QWidget*) {
        const auto close = qScopeGuard([] { Form4->close(); });
        action();
    });
    if (editRow < 0) {
        Form3->Button3->click();
    } else {
        Form3->SelectRow(editRow);
        Form3->Button2->click();
    }
}

// Answers the PIN dialog that the editor's PIN button opens; returns the messages it showed.
void SetPinThroughDialog(const QString& first, const QString& second, bool cancel = false)
{
    OnNextModal([first, second, cancel](QWidget*) {
        const auto close = qScopeGuard([] { Form10->close(); });
        QTest::keyClicks(Form10->Edit1, first);
        QTest::keyClicks(Form10->Edit2, second);
        (cancel ? Form10->Button2 : Form10->Button1)->click();
    });
    Form4->Button4->click();
}

} // namespace

class UserEditorTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;

    void Open(const UserList& users, bool showPins = false)
    {
        WriteUserFile(users, dir_.path() + QLatin1Char('/'));
        OpenManager(dir_.path(), showPins);
    }

private slots:
    void linkedCardFields()
    {
        Forms forms(UserTexts());
        Open(SampleUsers());
        InEditor([] {
            QCOMPARE(Form4->Label6->text(), QString("00  00  00  00  00  00  00  00"));
            QTest::keyClicks(Form4->Edit5, "12");
            QCOMPARE(Form4->Edit4->text(), QString("0000786432"));
            QTest::keyClicks(Form4->Edit6, "345");
            QCOMPARE(Form4->Edit4->text(), QString("0000786777"));
            QCOMPARE(Form4->Label6->text(), QString("00  00  00  00  00  0C  01  59"));
            QCOMPARE(Form4->Edit5->text(), QString("12"));
            Leave(Form4->Edit5);
            Leave(Form4->Edit6);
            QCOMPARE(Form4->Edit5->text(), QString("012"));
            QCOMPARE(Form4->Edit6->text(), QString("00345"));

            Type(Form4->Edit5, "300");
            QCOMPARE(Form4->Edit4->text(), QString("0016712025")); // 255 * 65536 + 345
            Leave(Form4->Edit5);
            QCOMPARE(Form4->Edit5->text(), QString("255"));

            // Typing the full number moves the parts but leaves the field as typed.
            Type(Form4->Edit4, "12345678901");
            QCOMPARE(Form4->Edit4->text(), QString("12345678901"));
            QCOMPARE(Form4->Edit5->text(), QString("220"));
            QCOMPARE(Form4->Edit6->text(), QString("07221"));
            QCOMPARE(Form4->Label6->text(), QString("00  00  00  02  DF  DC  1C  35"));
            Leave(Form4->Edit4);
            QCOMPARE(Form4->Edit4->text(), QString("0012345678901"));

            Type(Form4->Edit3, "5");
            Leave(Form4->Edit3);
            QCOMPARE(Form4->Edit3->text(), QString("0005"));
        });
    }

    void refusalsInOrder()
    {
        Forms forms(UserTexts());
        ScriptedDialogs dialogs;
        Open(SampleUsers());
        InEditor([&dialogs] {
            auto refusal = [&dialogs]() {
                dialogs.Clear();
                Form4->Button3->click();
                return dialogs.messages.value(0);
            };
            Form4->Edit2->setText("12345678");
            Form4->Edit1->setText("Kowalski, Jan");
            QCOMPARE(refusal(), QString("Pin must be 1 to 7 digits long and contain digits only!"));
            Form4->Edit2->clear();
            QCOMPARE(refusal(), QString("You have to enter pin and/or card!"));
            Form4->Edit4->setText("0000000000");
            QCOMPARE(refusal(), QString("You have to enter pin and/or card!"));
            Form4->Edit4->setText("0000786777"); // Anna's card
            QCOMPARE(refusal(), QString("Comma ( sign ' ) is forbidden!"));
            Form4->Edit1->setText("Jan Kowalski");
            for (const char* id : {"0000", "12a4", "004"}) {
                Form4->Edit3->setText(id);
                QCOMPARE(refusal(), QString("Wrong id number!"));
            }
            Form4->Edit3->setText("0004");
            QCOMPARE(refusal(), QString("Given card already exists!"));
            Form4->Edit4->setText("0000000099");
            Form4->Edit2->setText("1234"); // admin's PIN
            QCOMPARE(refusal(), QString("Given pin already exists!"));
            QVERIFY(Form4->isVisible());
            QVERIFY(Form4->EditorCancelled);
            QCOMPARE(Form3->AllUsers.size(), std::size_t{4});
        });
    }

    void nameOutsideTheCodePageIsRefusedInTheInterfaceLanguage()
    {
        Forms forms(UserTexts()
                    + "THE DEVICE CANNOT STORE THESE CHARACTERS OF THE NAME\t"
                      "URZĄDZENIE NIE ZAPISZE TYCH ZNAKÓW NAZWY\t\n");
        Form1->Language.SetLanguageIndex(Polish);
        Form1->ApplyLanguage();
        ScriptedDialogs dialogs;
        Open(SampleUsers());
        InEditor([&dialogs] {
            // The euro sign and Polish letters fit; Cyrillic, an emoji and a zero-width space do not.
            Form4->Edit1->setText(QString::fromUtf8("Жук € Łoś \xF0\x9F\x94\x91\u200B ж"));
            Form4->Edit4->setText("0000000099");
            Form4->Button3->click();
            QCOMPARE(dialogs.messages,
                     QStringList(QString::fromUtf8(
                         "Urządzenie nie zapisze tych znaków nazwy: Ж у к \xF0\x9F\x94\x91 U+200B ж!")));
            QVERIFY(Form4->isVisible());
            QCOMPARE(Form3->AllUsers.size(), std::size_t{4});
            Form4->Edit1->setText(QString::fromUtf8("Łoś €"));
            Form4->Button3->click();
        });
        QCOMPARE(Form3->AllUsers.back().name, QByteArray("\xa3o\x9c \x80"));
    }

    void addMode()
    {
        Forms forms(UserTexts());
        ScriptedDialogs dialogs;
        Open(SampleUsers());
        // An empty name gets a made-up one.
        InEditor([] {
            Form4->Edit1->setText("  ");
            Form4->Edit4->setText("0000000042");
            Form4->CheckBox1->setChecked(true);
            Form4->Button3->click();
        });
        const CUser& added = Form3->AllUsers.back();
        QCOMPARE(added.name, QByteArray("Nowy uzytkownik (0004)"));
        QCOMPARE(added.kind, std::uint8_t{'a'});
        QCOMPARE(added.card, std::int64_t{42});
        QVERIFY(!Form4->EditorCancelled);
        QCOMPARE(Form4->EditorMode, 0);

        // An existing user's ID typed in: one more card record, and the PIN for all of them.
        InEditor([] {
            Form4->Edit3->setText("0002");
            Form4->Edit1->setText("Anna\r\nK.\r\n"); // pasted from a spreadsheet
            Form4->Edit4->setText("0000786777");     // her own card again is allowed
            Form4->Edit2->setText("555");
            Form4->Button3->click();
        });
        QCOMPARE(Form3->AllUsers.size(), std::size_t{6});
        QCOMPARE(Form3->AllUsers[1].pin, QByteArray("555"));
        QCOMPARE(Form3->AllUsers[2].pin, QByteArray("555"));
        QCOMPARE(Form3->AllUsers[5].pin, QByteArray("555"));
        QCOMPARE(Form3->AllUsers[1].name, QByteArray("Anna Kowalska"));
        QCOMPARE(Form3->AllUsers[5].name, QByteArray("Anna K."));
        QVERIFY(dialogs.messages.isEmpty());
    }

    void editMode()
    {
        Forms forms(UserTexts());
        UserList users = SampleUsers();
        users[3].card = 0x7FFF000000000000; // above what can be entered
        Open(users);
        InEditor(
            [] {
                QVERIFY(!Form4->Edit3->isEnabled());
                QCOMPARE(Form4->Button4->text(), QString("Set pin"));
                QCOMPARE(Form4->Edit4->text(), QString("9999999999999"));
                QVERIFY(Form4->Button2->isEnabled());
                Form4->Edit1->clear();
                Form4->Button3->click();
            },
            3);
        QCOMPARE(Form3->AllUsers[3].card, std::int64_t{9999999999999});
        QVERIFY(Form3->AllUsers[3].name.isEmpty());

        // A new PIN for one card record goes to all records of the user; the close box changes nothing.
        InEditor(
            [] {
                QCOMPARE(Form4->Button4->text(), QString("Change pin"));
                QVERIFY(Form4->CheckBox1->isChecked() == false);
                Form4->Edit2->setText("777");
                Form4->CheckBox1->setChecked(true);
                Form4->Button3->click();
            },
            2);
        QCOMPARE(Form3->AllUsers[1].pin, QByteArray("777"));
        QCOMPARE(Form3->AllUsers[2].pin, QByteArray("777"));
        QCOMPARE(Form3->AllUsers[1].kind, std::uint8_t{'u'});
        QCOMPARE(Form3->AllUsers[2].kind, std::uint8_t{'a'});
        const UserList before = Form3->AllUsers;
        InEditor([] { Form4->Edit1->setText("changed"); }, 0);
        QVERIFY(Form4->EditorCancelled);
        QCOMPARE(Form3->AllUsers, before);
    }

    void addAnotherCard()
    {
        Forms forms(UserTexts());
        Open(SampleUsers());
        InEditor(
            [] {
                Form4->Button2->click();
                QVERIFY(Form4->Edit4->text().isEmpty() && Form4->Edit5->text().isEmpty());
                QVERIFY(!Form4->Button2->isEnabled() && !Form4->Button4->isEnabled() && !Form4->Edit1->isEnabled());
                QCOMPARE(Form4->Label6->text(), QString("00  00  00  00  00  0C  01  5A"));
                QTest::keyClicks(Form4->Edit6, "9");
                Form4->Button3->click();
            },
            2);
        QCOMPARE(Form3->AllUsers.size(), std::size_t{5});
        const CUser& card = Form3->AllUsers.back();
        QCOMPARE(card.id, QByteArray("0002"));
        QCOMPARE(card.name, QByteArray("Anna Kowalska"));
        QCOMPARE(card.pin, QByteArray("4821"));
        QCOMPARE(card.card, std::int64_t{9});
        QCOMPARE(CurrentLine().left(4), QString("0002"));
    }

    void pinDialog()
    {
        Forms forms(UserTexts());
        ScriptedDialogs dialogs;
        Open(SampleUsers());
        InEditor([&dialogs] {
            QCOMPARE(Form4->Button4->text(), QString("Set pin"));
            OnNextModal([&dialogs](QWidget* window) {
                const auto close = qScopeGuard([] { Form10->close(); });
                QCOMPARE(window, static_cast<QWidget*>(Form10));
                QCOMPARE(Form10->Edit1->echoMode(), QLineEdit::Password);
                QCOMPARE(Form10->windowTitle(), QString());
                QCOMPARE(Form10->Label2->text(), QString("Repeat new pin"));
                QTest::keyClicks(Form10->Edit1, "1111");
                QTest::keyClicks(Form10->Edit2, "1112");
                Form10->Button1->click();
                QCOMPARE(dialogs.messages.value(0), QString("Pin numbers does differ."));
                Form10->Edit1->setText("12345678");
                Form10->Edit2->setText("12345678");
                Form10->Button1->click();
                QCOMPARE(dialogs.messages.value(1), QString("Pin must be 1 to 7 digits long and contain digits only!"));
                QVERIFY(Form10->isVisible());
                Form10->Edit1->setText("2468");
                Form10->Edit2->setText("2468");
                Form10->Button1->click();
            });
            Form4->Button4->click();
            QCOMPARE(Form4->Edit2->text(), QString("2468"));
            QCOMPARE(Form4->Button4->text(), QString("Change pin"));

            SetPinThroughDialog("99", "99", true);
            QCOMPARE(Form4->Edit2->text(), QString("2468"));
            SetPinThroughDialog("", "");
            QVERIFY(Form4->Edit2->text().isEmpty());
            QCOMPARE(Form4->Button4->text(), QString("Set pin"));
        });
        QCOMPARE(PendingModalActions(), 0);

        // Debug mode: the PIN in the caption and the entries in clear.
        Open(SampleUsers(), true);
        InEditor(
            [] {
                OnNextModal([](QWidget*) {
                    const auto close = qScopeGuard([] { Form10->close(); });
                    QCOMPARE(Form10->windowTitle(), QString("1234"));
                    QCOMPARE(Form10->Edit1->echoMode(), QLineEdit::Normal);
                    QTest::keyClick(Form10, Qt::Key_Escape);
                    QVERIFY(Form10->PinCancelled);
                });
                Form4->Button4->click();
                QCOMPARE(Form4->Edit2->text(), QString("1234"));
            },
            0);
    }
};

QTX_GUI_TEST_MAIN(UserEditorTest)
#include "user_editor_test.moc"
