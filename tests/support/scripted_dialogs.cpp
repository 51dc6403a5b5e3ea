#include "support/scripted_dialogs.h"

namespace qtx::test {

ScriptedDialogs::ScriptedDialogs() : previous_(SetDialogs(this))
{
}

ScriptedDialogs::~ScriptedDialogs()
{
    SetDialogs(previous_);
}

void ScriptedDialogs::ShowMessage(const QString& text)
{
    messages.append(text);
}

void ScriptedDialogs::ShowError(const QString& text)
{
    errors.append(text);
}

int ScriptedDialogs::AskQuestion(const QString&, const QString& text, const QString&, int firstResult, const QString&,
                                 int, int defaultResult)
{
    questions.append(text);
    defaults.append(defaultResult == 0 ? firstResult : defaultResult);
    return answers.isEmpty() ? ResultCancel : answers.dequeue();
}

QString ScriptedDialogs::ChooseFileToOpen(const QString& title, const QString& folder, const QString& filter,
                                          const QString& defaultSuffix)
{
    fileDialogs.append({title, folder, filter, defaultSuffix});
    return filesToOpen.isEmpty() ? QString() : filesToOpen.dequeue();
}

QString ScriptedDialogs::ChooseFileToSave(const QString&, const QString& suggestedPath, const QStringList&,
                                          int* filterIndex)
{
    suggestedSavePaths.append(suggestedPath);
    if (filesToSave.isEmpty())
        return {};
    const auto [path, filter] = filesToSave.dequeue();
    if (filterIndex != nullptr)
        *filterIndex = filter;
    return path;
}

QStringList ScriptedDialogs::TakeUnused()
{
    QStringList unused;
    const auto take = [&unused](auto& queue, const char* what) {
        if (!queue.isEmpty())
            unused.append(QStringLiteral("%1 %2").arg(queue.size()).arg(QLatin1String(what)));
        queue.clear();
    };
    take(answers, "answers");
    take(filesToOpen, "files to open");
    take(filesToSave, "files to save");
    return unused;
}

void ScriptedDialogs::Clear()
{
    messages.clear();
    errors.clear();
    questions.clear();
    defaults.clear();
    fileDialogs.clear();
    suggestedSavePaths.clear();
}

} // namespace qtx::test
