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

    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLineEdit* Edit1 = nullptr;
    QLineEdit* Edit2 = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* Button2 = nullptr;

protected:
    // Escape cancels like the cancel button: the dialog has no other way out.
    void reject() override;
};
