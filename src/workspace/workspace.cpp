#include "workspace/workspace.h"

#include "base/dialogs.h"
#include "base/paths.h"
#include "base/text_file.h"
#include "lang/language_table.h"
#include "workspace/workspace_files.h"

#include <QFileInfo>

namespace qtx {

WorkspaceSummary SummaryOfReport(const ConfigReport& report, const QString& reportPath, const LanguageTable& texts)
{
    WorkspaceSummary summary;
    summary.folder = DirOfPath(reportPath);
    summary.deviceName = FromCp1250(report.deviceName);
    summary.port0Name = FromCp1250(report.port0Name);
    summary.port1Name = FromCp1250(report.port1Name);
    summary.exitByButton = report.exitByButton;
    summary.exitMode =
        texts.GetSentence(report.exitByButton ? QStringLiteral("BUTTON") : QStringLiteral("READER")).toLower();
    summary.firmware =
        report.firmware == "?" ? texts.GetText(QStringLiteral("UNREAD")).toLower() : FromCp1250(report.firmware);
    return summary;
}

bool Workspace::AskToMakeCard(const QString& dir) const
{
    // Anything but yes counts as cancelling the choice.
    const QString question = texts_.GetSentence(QStringLiteral("THIS FOLDER HOLDS NO SD CARD FILES"))
                             + QStringLiteral(":\n") + dir + QLatin1Char('\n')
                             + texts_.GetSentence(QStringLiteral("DO YOU WANT TO MAKE IT A NEW SD CARD FOLDER"))
                             + QLatin1Char('?');
    return Dialogs().AskQuestion(QString(), question, texts_.GetSentence(QStringLiteral("YES")), ResultYes,
                                 texts_.GetSentence(QStringLiteral("NO")), ResultNo, ResultNo)
           == ResultYes;
}

bool Workspace::AskToDeletePendingCommands() const
{
    const QString question =
        texts_.GetSentence(QStringLiteral("SD CARD CONTENT CONTAINS COMMANDS CHANGING THE DEVICE CONFIGURATION"))
        + QStringLiteral(". ")
        + texts_.GetSentence(QStringLiteral("THESE COMMANDS HAS NOT BEEN DELIVERED TO THE DEVICE YET"))
        + QStringLiteral(". ") + texts_.GetSentence(QStringLiteral("DO YOU WISH TO DELETE THESE COMMANDS"))
        + QLatin1Char('?');
    return Dialogs().AskQuestion(QString(), question, texts_.GetSentence(QStringLiteral("YES")), ResultYes,
                                 texts_.GetSentence(QStringLiteral("NO")), ResultNo)
           == ResultYes;
}

bool Workspace::Open(const QString& folder, bool pickedByUser)
{
    const QString dir = WithTrailingChar(folder, QLatin1Char('/'));
    // A home or program folder would otherwise silently fill with card files.
    if (pickedByUser && HoldsNoCardFiles(dir) && !AskToMakeCard(dir)) {
        open_ = false;
        return false;
    }

    if (!QFileInfo::exists(dir + UserFileName))
        WriteDefaultUserFile(dir);

    if (QFileInfo::exists(dir + CommandFileName) && AskToDeletePendingCommands())
        DeleteFileOrThrow(dir + CommandFileName);

    if (!QFileInfo::exists(dir + ReportFileName)) {
        // Said only once it is true: a full disk raises before it.
        WriteDefaultReport(dir);
        WriteDefaultCommandFile(dir);
        Dialogs().ShowMessage(
            texts_.GetSentence(QStringLiteral("NO INFORMATION ABOUT THE DEVICE CONFIGURATION HAS BEEN FOUND"))
            + QStringLiteral(". ") + texts_.GetSentence(QStringLiteral("THE DEFAULT CONFIGURATION HAS BEEN SAVED"))
            + QStringLiteral(". "));
    }

    // The report is read before the state changes, so a failed read leaves everything as it was.
    const QString reportPath = dir + ReportFileName;
    report_ = ReadConfigReportFile(reportPath);
    reportPath_ = reportPath;
    folder_ = dir;
    open_ = true;
    openedBefore_ = true;
    return true;
}

} // namespace qtx
