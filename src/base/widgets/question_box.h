#pragma once
// The two-button question box, built at run time with a fixed geometry around its wrapped text.

#include "base/dialogs.h"

#include <QDialog>

class QLabel;
class QPushButton;

namespace qtx {

// A 500-pixel-wide modal box: word-wrapped text at (16, 16), two buttons either side of the centre line.
// The button whose result is defaultResult (the first when 0) has the focus and answers Enter.
class QuestionBox : public QDialog {
public:
    QuestionBox(const QString& title, const QString& text, const QString& firstText, int firstResult,
                const QString& secondText, int secondResult, QWidget* parent = nullptr, int defaultResult = 0);
    // Shows the box modally; the pressed button's result, or ResultCancel when closed another way.
    int Ask();

    QLabel* Label = nullptr;
    QPushButton* FirstButton = nullptr;
    QPushButton* SecondButton = nullptr;

private:
    int result_ = ResultCancel;
};

} // namespace qtx
