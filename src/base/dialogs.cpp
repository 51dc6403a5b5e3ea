#include "base/dialogs.h"

#include <cstdio>

namespace qtx {

DialogSeam::~DialogSeam() = default;

namespace {

// Without windows, messages go to standard error and questions are answered with cancel.
class ConsoleDialogs final : public DialogSeam {
public:
    void ShowMessage(const QString& text) override { std::fprintf(stderr, "%s\n", qPrintable(text)); }
    void ShowError(const QString& text) override { std::fprintf(stderr, "error: %s\n", qPrintable(text)); }
    int AskQuestion(const QString&, const QString& text, const QString&, int, const QString&, int, int = 0) override
    {
        std::fprintf(stderr, "%s\n", qPrintable(text));
        return ResultCancel;
    }
    QString ChooseFileToOpen(const QString&, const QString& = QString(), const QString& = QString(),
                             const QString& = QString()) override
    {
        return {};
    }
    QString ChooseFileToSave(const QString&, const QString&, const QStringList&, int*) override { return {}; }
};

ConsoleDialogs consoleDialogs;
DialogSeam* current = &consoleDialogs;

} // namespace

DialogSeam& Dialogs()
{
    return *current;
}

DialogSeam* SetDialogs(DialogSeam* seam)
{
    DialogSeam* previous = current;
    current = seam ? seam : &consoleDialogs;
    return previous;
}

} // namespace qtx
