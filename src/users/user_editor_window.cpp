#include "users/user_editor_window.h"

#include "base/dialogs.h"
#include "base/text_file.h"
#include "base/widgets/application.h"
#include "base/widgets/buttons.h"
#include "base/widgets/fonts.h"
#include "users/card_number.h"
#include "users/pin_dialog_window.h"
#include "users/user_manager_window.h"

#include <QCheckBox>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

constexpr int LabelLeft = 16;
constexpr int FieldLeft = 190;
constexpr int RowHeight = 24;

QLabel* MakeLabel(const QString& text, QWidget* parent, int x, int y, int width)
{
    auto* label = new QLabel(text, parent);
    label->setGeometry(x, y, width, RowHeight);
    return label;
}

QLineEdit* MakeEdit(QWidget* parent, int x, int y, int width, int maxLength)
{
    auto* edit = new QLineEdit(parent);
    edit->setGeometry(x, y, width, RowHeight);
    if (maxLength > 0)
        edit->setMaxLength(maxLength);
    return edit;
}

} // namespace

TForm4::TForm4(TForm3* manager, QWidget* parent) : QDialog(parent), Manager(manager)
{
    setFont(qtx::FixedFont());
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFixedSize(560, 232);

    Label1 = MakeLabel(QString(), this, LabelLeft, 16, FieldLeft - LabelLeft - 8);
    Edit1 = MakeEdit(this, FieldLeft, 16, 354, 0);
    Label2 = MakeLabel(QStringLiteral("ID"), this, LabelLeft, 48, FieldLeft - LabelLeft - 8);
    Edit3 = MakeEdit(this, FieldLeft, 48, 60, 4);
    CheckBox1 = new QCheckBox(this);
    CheckBox1->setGeometry(FieldLeft + 80, 48, 200, RowHeight);
    Label3 = MakeLabel(QStringLiteral("PIN"), this, LabelLeft, 80, FieldLeft - LabelLeft - 8);
    Edit2 = MakeEdit(this, FieldLeft, 80, 60, 0);
    Edit2->hide();
    Button4 = qtx::MakeButton(this);
    Button4->setGeometry(FieldLeft, 80, 160, RowHeight + 2);
    Label4 = MakeLabel(QString(), this, LabelLeft, 114, FieldLeft - LabelLeft - 8);
    Edit4 = MakeEdit(this, FieldLeft, 114, 130, 13);
    Edit5 = MakeEdit(this, FieldLeft + 150, 114, 44, 3);
    Label7 = MakeLabel(QStringLiteral(","), this, FieldLeft + 198, 114, 10);
    Edit6 = MakeEdit(this, FieldLeft + 210, 114, 60, 5);
    Label5 = MakeLabel(QStringLiteral("HEX:"), this, LabelLeft, 146, FieldLeft - LabelLeft - 8);
    Label6 = MakeLabel(qtx::ShowCardHex(0), this, FieldLeft, 146, 354);
    Button2 = qtx::MakeButton(this);
    Button2->setGeometry(LabelLeft, 186, 190, 30);
    Button3 = qtx::MakeButton(this);
    Button3->setGeometry(560 - 16 - 130 - 8 - 130, 186, 130, 30);
    Button1 = qtx::MakeButton(this);
    Button1->setGeometry(560 - 16 - 130, 186, 130, 30);

    for (QLineEdit* edit : {Edit3, Edit4, Edit5, Edit6})
        edit->installEventFilter(this);
    qtx::OnClick(Button1, this, &TForm4::Button1Click);
    qtx::OnClick(Button2, this, &TForm4::Button2Click);
    qtx::OnClick(Button3, this, &TForm4::Button3Click);
    qtx::OnClick(Button4, this, &TForm4::Button4Click);
}

void TForm4::ShowTexts()
{
    setWindowTitle(QString());
    Label1->setText(Manager->NameText);
    Label4->setText(Manager->FullCardNumberText);
    CheckBox1->setText(QStringLiteral("Administrator").toLower());
    Button2->setText(Manager->AddAnotherCardText);
    Button3->setText(Manager->ConfirmText);
    Button1->setText(Manager->CancelText);
}

void TForm4::ShowCard(std::int64_t card)
{
    Edit4->setText(qtx::ShowFullCardNumber(card));
    Edit5->setText(qtx::ShowFacility(qtx::CardFacility(card)));
    Edit6->setText(qtx::ShowShortNumber(qtx::CardShortNumber(card)));
    Label6->setText(qtx::ShowCardHex(card));
}

void TForm4::OpenForAdd(qtx::UserList& users, const QString& id)
{
    users_ = &users;
    for (QLineEdit* edit : {Edit1, Edit2, Edit4, Edit5, Edit6})
        edit->clear();
    Edit3->setText(id);
    Label6->setText(qtx::ShowCardHex(0));
    PinMismatchText = Manager->PinMismatchText;
    Button4->setEnabled(true);
    Button4->setText(Manager->SetPinText);
    EditorMode = 1;
    EditorCancelled = true;
    Edit3->setEnabled(true);
    Edit1->setEnabled(true);
    CheckBox1->setChecked(false);
    Button2->setEnabled(false);
    ShowTexts();
    Edit1->setFocus();
    exec();
    users_ = nullptr;
}

void TForm4::OpenForEdit(qtx::UserList& users, qsizetype position)
{
    users_ = &users;
    const qtx::CUser& user = users.at(static_cast<std::size_t>(position));
    Edit1->setText(qtx::FromCp1250(user.name));
    Edit2->setText(QString::fromLatin1(user.pin));
    Button4->setText(user.pin.isEmpty() ? Manager->SetPinText : Manager->ChangePinText);
    Edit3->setText(qtx::FromCp1250(user.id));
    ShowCard(user.card);
    PinMismatchText = Manager->PinMismatchText;
    Button4->setEnabled(true);
    CheckBox1->setChecked(user.IsAdministrator());
    EditorMode = 2;
    EditedUser = position;
    EditorCancelled = true;
    Edit3->setEnabled(false);
    Edit1->setEnabled(true);
    Button2->setEnabled(true);
    ShowTexts();
    Edit1->setFocus();
    exec();
    users_ = nullptr;
}

void TForm4::Edit4KeyUp()
{
    const std::int64_t v = qtx::ReadNumberField(Edit4->text());
    Edit5->setText(qtx::ShowFacility(qtx::CardFacility(v)));
    Edit6->setText(qtx::ShowShortNumber(qtx::CardShortNumber(v)));
    Label6->setText(qtx::ShowCardHex(v));
}

void TForm4::Edit5KeyUp()
{
    const std::int64_t v = qtx::WithFacility(qtx::ReadNumberField(Edit4->text()), qtx::ReadNumberField(Edit5->text()));
    Edit4->setText(qtx::ShowFullCardNumber(v));
    Label6->setText(qtx::ShowCardHex(v));
}

void TForm4::Edit6KeyUp()
{
    const std::int64_t v =
        qtx::WithShortNumber(qtx::ReadNumberField(Edit4->text()), qtx::ReadNumberField(Edit6->text()));
    Edit4->setText(qtx::ShowFullCardNumber(v));
    Label6->setText(qtx::ShowCardHex(v));
}

void TForm4::Edit3Exit()
{
    Edit3->setText(qtx::PaddedId(Edit3->text()));
}

void TForm4::Edit4Exit()
{
    Edit4->setText(qtx::ShowFullCardNumber(qtx::ReadNumberField(Edit4->text())));
}

void TForm4::Edit5Exit()
{
    Edit5->setText(qtx::ShowFacility(qtx::ReadNumberField(Edit5->text())));
}

void TForm4::Edit6Exit()
{
    Edit6->setText(qtx::ShowShortNumber(qtx::ReadNumberField(Edit6->text())));
}

bool TForm4::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (type == QEvent::KeyRelease || type == QEvent::FocusOut) {
        qtx::RunGuarded([this, watched, type] {
            const bool keyUp = type == QEvent::KeyRelease;
            if (watched == Edit4)
                keyUp ? Edit4KeyUp() : Edit4Exit();
            else if (watched == Edit5)
                keyUp ? Edit5KeyUp() : Edit5Exit();
            else if (watched == Edit6)
                keyUp ? Edit6KeyUp() : Edit6Exit();
            else if (watched == Edit3 && !keyUp)
                Edit3Exit();
        });
    }
    return QDialog::eventFilter(watched, event);
}

qtx::UserEntry TForm4::Entry() const
{
    return {Edit1->text(), Edit3->text(), Edit2->text(), Edit4->text(), CheckBox1->isChecked()};
}

QString TForm4::FirstRefusal() const
{
    const qtx::EntryRefusal refusal = qtx::FirstRefusal(Entry(), *users_);
    switch (refusal.kind) {
    case qtx::EntryRefusal::None:
        break;
    case qtx::EntryRefusal::PinRule:
        return Manager->PinRuleText;
    case qtx::EntryRefusal::NoPinOrCard:
        return Manager->PinOrCardText;
    case qtx::EntryRefusal::CommaInName:
        return Manager->CommaForbiddenText;
    case qtx::EntryRefusal::NameCharacters:
        return Manager->NameCharactersText + QStringLiteral(": ") + refusal.characters.join(QLatin1Char(' '));
    case qtx::EntryRefusal::WrongId:
        return Manager->WrongIdText;
    case qtx::EntryRefusal::CardExists:
        return Manager->CardExistsText;
    case qtx::EntryRefusal::PinExists:
        return Manager->PinExistsText;
    }
    return QString();
}

void TForm4::Button3Click()
{
    const QString refusal = FirstRefusal();
    if (!refusal.isEmpty()) {
        qtx::Dialogs().ShowMessage(refusal + QLatin1Char('!'));
        return;
    }
    EditorCancelled = false;
    if (EditorMode == 1)
        EditedUser = qtx::AddUserRecord(*users_, Entry());
    else if (EditorMode == 2)
        qtx::UpdateUserRecord(*users_, EditedUser, Entry());
    Button1Click();
}

void TForm4::Button1Click()
{
    EditorMode = 0;
    close();
}

void TForm4::Button2Click()
{
    for (QLineEdit* edit : {Edit4, Edit5, Edit6})
        edit->clear();
    EditorMode = 1;
    Button2->setEnabled(false);
    Button4->setEnabled(false);
    Edit1->setEnabled(false);
}

void TForm4::Button4Click()
{
    const std::optional<QString> pin = PinDialog->AskNewPin(
        {ShowPins ? Edit2->text() : QString(), Manager->InputNewPinText, Manager->RepeatNewPinText,
         Manager->ConfirmText, Manager->CancelText, PinMismatchText, Manager->PinRuleText + QLatin1Char('!')},
        !ShowPins);
    if (!pin)
        return;
    if (Button4->text() == Manager->SetPinText)
        Button4->setText(Manager->ChangePinText);
    Edit2->setText(*pin);
    if (Edit2->text().isEmpty())
        Button4->setText(Manager->SetPinText);
}
