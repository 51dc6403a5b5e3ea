#pragma once
// The widget implementation of the dialog seam: real message boxes and the built question box.

#include "base/dialogs.h"
#include "base/widgets/printing.h"

#include <functional>
#include <utility>

class QWidget;

namespace qtx {

// Modal message boxes with one OK button, the error box, the question box, the file dialogs and
// the print preview.
class WidgetDialogs final : public DialogSeam, public PrintSeam {
public:
    // mainWindow: the window a box opens over when no window is modal or active (the program's
    // main window, which may not exist yet).
    explicit WidgetDialogs(std::function<QWidget*()> mainWindow = {}) : mainWindow_(std::move(mainWindow)) {}

    void ShowMessage(const QString& text) override;
    void ShowError(const QString& text) override;
    int AskQuestion(const QString& title, const QString& text, const QString& firstText, int firstResult,
                    const QString& secondText, int secondResult, int defaultResult = 0) override;
    QString ChooseFileToOpen(const QString& title, const QString& folder = QString(), const QString& filter = QString(),
                             const QString& defaultSuffix = QString()) override;
    QString ChooseFileToSave(const QString& title, const QString& suggestedPath, const QStringList& filters,
                             int* filterIndex) override;
    bool Print(const QString& title, QPrinter& printer, const std::function<void(QPrinter*)>& paint) override;

private:
    QWidget* BoxParent() const;

    std::function<QWidget*()> mainWindow_;
};

} // namespace qtx
