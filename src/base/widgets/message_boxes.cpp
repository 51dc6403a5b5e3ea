#include "base/widgets/message_boxes.h"

#include "base/widgets/application.h"
#include "base/widgets/fonts.h"
#include "base/widgets/question_box.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPushButton>
#include <algorithm>

namespace qtx {

// The window a box belongs to, so it opens centred over it: the modal window in front, else the
// active one, else the main window.
QWidget* WidgetDialogs::BoxParent() const
{
    if (QWidget* modal = QApplication::activeModalWidget())
        return modal;
    if (QWidget* active = QApplication::activeWindow())
        return active;
    return mainWindow_ ? mainWindow_() : nullptr;
}

namespace {

void ShowBox(QMessageBox::Icon icon, const QString& text, QWidget* parent)
{
    QMessageBox box(icon, QApplication::applicationName(), text, QMessageBox::Ok, parent);
    box.setFont(FixedFont());
    box.exec();
}

} // namespace

void WidgetDialogs::ShowMessage(const QString& text)
{
    ShowBox(QMessageBox::NoIcon, text, BoxParent());
}

void WidgetDialogs::ShowError(const QString& text)
{
    ShowBox(QMessageBox::Critical, text, BoxParent());
}

int WidgetDialogs::AskQuestion(const QString& title, const QString& text, const QString& firstText, int firstResult,
                               const QString& secondText, int secondResult, int defaultResult)
{
    QuestionBox box(title, text, firstText, firstResult, secondText, secondResult, BoxParent(), defaultResult);
    return box.Ask();
}

QString WidgetDialogs::ChooseFileToOpen(const QString& title, const QString& folder, const QString& filter,
                                        const QString& defaultSuffix)
{
    QFileDialog dialog(BoxParent(), title, folder, filter);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(defaultSuffix);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().constFirst();
}

QString WidgetDialogs::ChooseFileToSave(const QString& title, const QString& suggestedPath, const QStringList& filters,
                                        int* filterIndex)
{
    QString selected = filters.value(filterIndex != nullptr ? *filterIndex : 0);
    QString path =
        QFileDialog::getSaveFileName(BoxParent(), title, suggestedPath, filters.join(QStringLiteral(";;")), &selected);
    if (filterIndex != nullptr)
        *filterIndex = std::max<int>(static_cast<int>(filters.indexOf(selected)), 0);
    return path;
}

bool WidgetDialogs::Print(const QString& title, QPrinter& printer, const std::function<void(QPrinter*)>& paint)
{
    // The preview's print button opens the print dialog, or asks for a PDF file name when no
    // printer is installed.
    QPrintPreviewDialog preview(&printer, BoxParent());
    preview.setWindowTitle(title);
    QObject::connect(&preview, &QPrintPreviewDialog::paintRequested, &preview,
                     [&paint](QPrinter* target) { RunGuarded([&] { paint(target); }); });
    return preview.exec() == QDialog::Accepted;
}

} // namespace qtx
