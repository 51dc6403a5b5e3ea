#pragma once
// The one seam every message box, question box and file dialog goes through, so tests can answer them.

#include <QString>
#include <QStringList>

namespace qtx {

// Result codes of the question box, as the platform's message boxes return them.
enum DialogResult { ResultCancel = 2, ResultYes = 6, ResultNo = 7 };

// Shows messages and asks questions; the windows install a widget implementation,
// tests install a scripted one, command-line tools keep the console one.
class DialogSeam {
public:
    virtual ~DialogSeam();
    // A modal message with one OK button.
    virtual void ShowMessage(const QString& text) = 0;
    // The application-wide error box.
    virtual void ShowError(const QString& text) = 0;
    // The modal two-button question box; returns the result of the pressed button,
    // or ResultCancel when the box is closed another way. The button whose result is
    // defaultResult is the default one (Enter); 0 means the first.
    virtual int AskQuestion(const QString& title, const QString& text, const QString& firstText, int firstResult,
                            const QString& secondText, int secondResult, int defaultResult = 0) = 0;
    // An open-file dialog starting in folder, with the one filter given ("Name (*)") and the
    // suffix added to a typed name that has none; an empty text when the user cancels.
    virtual QString ChooseFileToOpen(const QString& title, const QString& folder = QString(),
                                     const QString& filter = QString(), const QString& defaultSuffix = QString()) = 0;
    // A save-file dialog starting at suggestedPath with the given filters ("CSV file (*.csv)");
    // returns the chosen path (empty on cancel) and sets filterIndex to the chosen filter.
    virtual QString ChooseFileToSave(const QString& title, const QString& suggestedPath, const QStringList& filters,
                                     int* filterIndex) = 0;
};

// The installed seam (the console one until something else is installed).
DialogSeam& Dialogs();

// Installs a seam and returns the one it replaces; nullptr restores the console seam.
DialogSeam* SetDialogs(DialogSeam* seam);

} // namespace qtx
