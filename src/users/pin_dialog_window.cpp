#include "users/pin_dialog_window.h"

#include "base/dialogs.h"
#include "base/widgets/application.h"
#include "base/widgets/buttons.h"
#include "base/widgets/fonts.h"
#include "users/card_number.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

TForm10::TForm10(QWidget* parent) : QDialog(parent)
{
    setFont(qtx::FixedFont());
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setFixedSize(300, 150);

    Label1 = new QLabel(this);
    Label1->setGeometry(16, 12, 268, 18);
    Edit1 = new QLineEdit(this);
    Edit1->setGeometry(16, 30, 268, 24);
    Label2 = new QLabel(this);
    Label2->setGeometry(16, 60, 268, 18);
    Edit2 = new QLineEdit(this);
    Edit2->setGeometry(16, 78, 268, 24);
    Button1 = qtx::MakeButton(this);
    Button1->setGeometry(16, 114, 130, 26);
    Button2 = qtx::MakeButton(this);
    Button2->setGeometry(154, 114, 130, 26);
    // Enter anywhere in the dialog confirms, as its button does (the PINs are checked the same way);
    // on the focused cancel button it cancels.
    Button1->setDefault(true);
    for (QLineEdit* edit : {Edit1, Edit2})
        edit->setStyleSheet(QStringLiteral("lineedit-password-character: 42"));
    SetMasked(true);

    qtx::OnClick(Button1, this, &TForm10::Button1Click);
    qtx::OnClick(Button2, this, &TForm10::Button2Click);
}

std::optional<QString> TForm10::AskNewPin(const Texts& texts, bool masked)
{
    setWindowTitle(texts.title);
    SetMasked(masked);
    Button1->setText(texts.confirm);
    Button2->setText(texts.cancel);
    Label1->setText(texts.input);
    Label2->setText(texts.repeat);
    MismatchText = texts.mismatch;
    RuleText = texts.rule;
    PinCancelled = false;
    Edit1->clear();
    Edit2->clear();
    Edit1->setFocus();
    exec();
    if (PinCancelled)
        return std::nullopt;
    return Edit1->text();
}

void TForm10::SetMasked(bool masked)
{
    for (QLineEdit* edit : {Edit1, Edit2})
        edit->setEchoMode(masked ? QLineEdit::Password : QLineEdit::Normal);
}

void TForm10::Button1Click()
{
    if (Edit1->text() != Edit2->text()) {
        qtx::Dialogs().ShowMessage(MismatchText);
        return;
    }
    if (!Edit2->text().isEmpty() && !qtx::PinRuleHolds(Edit2->text())) {
        qtx::Dialogs().ShowMessage(RuleText);
        return;
    }
    accept();
}

void TForm10::Button2Click()
{
    reject();
}

void TForm10::reject()
{
    PinCancelled = true;
    QDialog::reject();
}
