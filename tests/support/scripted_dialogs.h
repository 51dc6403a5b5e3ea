#pragma once
// A dialog seam for tests: records every message and answers questions from a script.

#include "base/dialogs.h"

#include <QQueue>
#include <QStringList>

namespace qtx::test {

// Installed for its lifetime; restores the previous seam when destroyed.
class ScriptedDialogs : public DialogSeam {
public:
    ScriptedDialogs();
    ~ScriptedDialogs() override;

    void ShowMessage(const QString& text) override;
    void ShowError(const QString& text) override;
    int AskQuestion(const QString& title, const QString& text, const QString& firstText, int firstResult,
                    const QString& secondText, int secondResult, int defaultResult = 0) override;
    QString ChooseFileToOpen(const QString& title, const QString& folder = QString(), const QString& filter = QString(),
                             const QString& defaultSuffix = QString()) override;
    QString ChooseFileToSave(const QString& title, const QString& suggestedPath, const QStringList& filters,
                             int* filterIndex) override;

    // Answers for the next questions, in order; ResultCancel when the script runs out.
    QQueue<int> answers;
    // Files the open-file dialog returns, in order; empty (cancel) when none is left.
    QQueue<QString> filesToOpen;
    // Paths (and the filter index with them) the save-file dialog returns; cancel when none is left.
    QQueue<std::pair<QString, int>> filesToSave;
    // The path each save-file dialog suggested.
    QStringList suggestedSavePaths;

    QStringList messages;
    QStringList errors;
    QStringList questions;
    // The default answer of each question, and each open-file dialog as title, folder, filter, suffix.
    QList<int> defaults;
    QList<QStringList> fileDialogs;

    void Clear();
    // What the script holds that no dialog took ("2 answers", ...), then drops it.
    virtual QStringList TakeUnused();

private:
    DialogSeam* previous_;
};

} // namespace qtx::test
