#include "app/message_boxes.h"

#include "app/application.h"
#include "app/question_box.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <algorithm>

namespace qtx {

void WidgetDialogs::ShowMessage(const QString& text)
{
    QMessageBox box(QMessageBox::NoIcon, QApplication::applicationDisplayName(), text, QMessageBox::Ok,
                    QApplication::activeWindow());
    box.exec();
}

void WidgetDialogs::ShowError(const QString& text)
{
    QMessageBox box(QMessageBox::Critical, QApplication::applicationDisplayName(), text, QMessageBox::Ok,
                    QApplication::activeWindow());
    box.exec();
}

int WidgetDialogs::AskQuestion(const QString& title, const QString& text, const QString& firstText,
                               int firstResult, const QString& secondText, int secondResult)
{
    QuestionBox box(title, text, firstText, firstResult, secondText, secondResult, QApplication::activeWindow());
    return box.Ask();
}

QString WidgetDialogs::ChooseFileToOpen(const QString& title)
{
    return QFileDialog::getOpenFileName(QApplication::activeWindow(), title);
}

QString WidgetDialogs::ChooseFileToSave(const QString& title, const QString& suggestedPath, const QStringList& filters,
                                        int* filterIndex)
{
    QString selected = filters.value(filterIndex != nullptr ? *filterIndex : 0);
    const QString path = QFileDialog::getSaveFileName(QApplication::activeWindow(), title, suggestedPath,
                                                      filters.join(QStringLiteral(";;")), &selected);
    if (filterIndex != nullptr)
        *filterIndex = std::max<int>(static_cast<int>(filters.indexOf(selected)), 0);
    return path;
}

bool WidgetDialogs::Print(const QString& title, QPrinter& printer, const std::function<void(QPrinter*)>& paint)
{
    // The preview's print button opens the print dialog, or asks for a PDF file name when no
    // printer is installed.
    QPrintPreviewDialog preview(&printer, QApplication::activeWindow());
    preview.setWindowTitle(title);
    QObject::connect(&preview, &QPrintPreviewDialog::paintRequested, &preview,
                     [&paint](QPrinter* target) { RunGuarded([&] { paint(target); }); });
    return preview.exec() == QDialog::Accepted;
}

} // namespace qtx
