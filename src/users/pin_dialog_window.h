#pragma once

#include <QDialog>
#include <optional>

class QLabel;
class QLineEdit;
class QPushButton;

// TForm10, the new-PIN dialog: a PIN typed twice, checked against its repetition and the PIN rule.
class TForm10 : public QDialog {
public:
    // What the dialog shows; the title is the current PIN while PINs are shown, else empty.
    struct Texts {
        QString title;
        QString input;
        QString repeat;
        QString confirm;
        QString cancel;
        QString mismatch;
        QString rule;
    };

    explicit TForm10(QWidget* parent = nullptr);

    // Shows the empty dialog, entries masked or not, until closed; the new PIN, or nothing when
    // cancelled.
    std::optional<QString> AskNewPin(const Texts& texts, bool masked);

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
