#include "app/message_boxes.h"

#include "app/question_box.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

namespace qtx {

void WidgetDialogs::ShowMessage(const QString& text)
{
    QMessageBox box(QMessageBox::NoIcon, QApplication::applicationName(), text, QMessageBox::Ok,
                    QApplication::activeWindow());
    box.exec();
}

void WidgetDialogs::ShowError(const QString& text)
{
    QMessageBox box(QMessageBox::Critical, QApplication::applicationName(), text, QMessageBox::Ok,
                    QApplication::activeWindow());
    box.exec();
}

int WidgetDialogs::AskQuestion(const QString& title, const QString& text, const QString& firstText,
                               int firstResult, const QString& secondText, int secondResult, bool secondIsDefault)
{
    QuestionBox box(title, text, firstText, firstResult, secondText, secondResult, QApplication::activeWindow());
    if (secondIsDefault) {
        // Enter answers with the second button, whether it reaches the box or the focused button.
        box.SecondButton->setDefault(true);
        box.SecondButton->setFocus();
    }
    return box.Ask();
}

QString WidgetDialogs::ChooseFileToOpen(const QString& title)
{
    return QFileDialog::getOpenFileName(QApplication::activeWindow(), title);
}

} // namespace qtx
