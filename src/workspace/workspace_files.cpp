#include "workspace/workspace_files.h"

#include "app/text_file.h"
#include "config/config_files.h"
#include "users/pin_code.h"

namespace qtx {

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
