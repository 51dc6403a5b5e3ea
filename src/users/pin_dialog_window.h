#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

// TForm10, the new-PIN dialog: a PIN typed twice, checked against its repetition and the PIN rule.
class TForm10 : public QDialog {
public:
    explicit TForm10(QWidget* parent = nullptr);

    // Entries masked with "*", or in clear.
    void SetMasked(bool masked);

    void Button1Click();
    void Button2Click();

    bool PinCancelled = false;
    QString MismatchText;
    QString RuleText;

    QLabel* Label1 = nullptr;       // "Input new PIN" caption
    QLabel* Label2 = nullptr;       // "Repeat new PIN" caption
    QLineEdit* Edit1 = nullptr;     // new PIN
    QLineEdit* Edit2 = nullptr;     // the PIN again
    QPushButton* Button1 = nullptr; // confirm
    QPushButton* Button2 = nullptr; // cancel

protected:
    // Escape cancels like the cancel button: the dialog has no other way out.
    void reject() override;
};

using PinDialogWindow = TForm10; // the name new code may use
