#include "workspace/workspace_files.h"

#include "archive/event_store.h"
#include "base/text_file.h"
#include "config/config_files.h"
#include "users/pin_code.h"

#include <QDir>
#include <QFileInfo>

namespace qtx {

bool HoldsNoCardFiles(const QString& dir)
{
    const QDir folder(dir);
    if (folder.isEmpty(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot))
        return false;
    for (const QString& name : {UserFileName, ReportFileName, CommandFileName})
        if (QFileInfo::exists(folder.filePath(name)))
            return false;
    return ListEventFiles(dir).isEmpty();
}

void WriteDefaultUserFile(const QString& dir)
{
    WriteWholeFile(dir + UserFileName, DefaultUserFileBytes());
}

void WriteDefaultReport(const QString& dir)
{
    WriteTextLines(dir + ReportFileName, DefaultReportLines());
}

void WriteDefaultCommandFile(const QString& dir)
{
    WriteTextLines(dir + CommandFileName, DefaultCommandLines());
}

} // namespace qtx
