#include "base/widgets/question_box.h"

#include "base/dialogs.h"
#include "base/widgets/fonts.h"

#include <QFont>
#include <QLabel>
#include <QPushButton>

namespace qtx {

namespace {
constexpr int ClientWidth = 500;
constexpr int Margin = 16;
constexpr int ButtonWidth = 75;
constexpr int ButtonHeight = 25;
} // namespace

QuestionBox::QuestionBox(const QString& title, const QString& text, const QString& firstText, int firstResult,
                         const QString& secondText, int secondResult, QWidget* parent, int defaultResult)
    : QDialog(parent)
{
    setWindowTitle(title);
    setFont(FixedFont());
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Button);

    Label = new QLabel(text, this);
    Label->setWordWrap(true);
    Label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Label->setStyleSheet(QStringLiteral("color: black"));
    const int labelWidth = ClientWidth - 2 * Margin;
    const int labelHeight = Label->heightForWidth(labelWidth);
    Label->setGeometry(Margin, Margin, labelWidth, labelHeight);

    const int clientHeight = ButtonHeight + labelHeight + 56;
    const int buttonTop = clientHeight - Margin - ButtonHeight;
    const int centre = ClientWidth / 2;
    FirstButton = new QPushButton(firstText, this);
    FirstButton->setGeometry(centre - Margin - ButtonWidth, buttonTop, ButtonWidth, ButtonHeight);
    SecondButton = new QPushButton(secondText, this);
    SecondButton->setGeometry(centre + Margin, buttonTop, ButtonWidth, ButtonHeight);
    connect(FirstButton, &QPushButton::clicked, this, [this, firstResult] {
        result_ = firstResult;
        accept();
    });
    connect(SecondButton, &QPushButton::clicked, this, [this, secondResult] {
        result_ = secondResult;
        accept();
    });
    setFixedSize(ClientWidth, clientHeight);
    QPushButton* byDefault = defaultResult == secondResult && defaultResult != firstResult ? SecondButton : FirstButton;
    byDefault->setDefault(true);
    byDefault->setFocus();
}

int QuestionBox::Ask()
{
    result_ = ResultCancel;
    exec();
    return result_;
}

} // namespace qtx
