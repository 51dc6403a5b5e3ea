#include "support/scripted_dialogs.h"

namespace qtx::test {

ScriptedDialogs::ScriptedDialogs() : previous_(SetDialogs(this)) {}

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

int ScriptedDialogs::AskQuestion(const QString&, const QString& text, const QString&, int, const QString&, int,
                                 bool secondIsDefault)
{
    questions.append(text);
    secondDefaults.append(secondIsDefault);
    return answers.isEmpty() ? ResultCancel : answers.dequeue();
}

QString ScriptedDialogs::ChooseFileToOpen(const QString&)
{
    return filesToOpen.isEmpty() ? QString() : filesToOpen.dequeue();
}

void ScriptedDialogs::Clear()
{
    messages.clear();
    errors.clear();
    questions.clear();
    secondDefaults.clear();
}

} // namespace qtx::test
