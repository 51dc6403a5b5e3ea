#pragma once
// The options that qtxctl report and timesheet (and site report and site timesheet) share: the
// month, the counting mode, the two port names and the workspace folder, each command's own
// options, and the outputs they write.

#include "arguments.h"

#include "archive/event_store.h"
#include "archive/statistics.h"
#include "archive/timesheet.h"
#include "archive/timesheet_export.h"
#include "lang/language_table.h"

#include <QString>
#include <QStringList>
#include <optional>

namespace qtxctl {

struct MonthOptions {
    int year = 0;
    int month = 0;
    qtx::CountingMode mode = qtx::CountingMode::Daily;
    std::optional<QString> entrance;
    std::optional<QString> exit;
    QString workspace;
};

// report's own options.
struct ReportOptions : MonthOptions {
    qtx::UserFilter filter;
    bool json = false;
};
// report's options (the month's, --user, --json), taken into options.
std::vector<Option> ReportOptionsOf(ReportOptions& options);
// The month's figures as CSV or JSON lines on standard output; returns done, or 1 when standard
// output could not be written.
int PrintMonthReport(const qtx::MonthFigures& figures, const ReportOptions& options, int done);

// timesheet's own options.
struct TimesheetOptions : MonthOptions {
    bool seconds = false;
    bool xlsx = false;
    bool excel = false;
    qtx::TimesheetRows rows = qtx::TimesheetRows::EveryListedUser; // --active-only: Active
    int language = qtx::Polish;
    QString output;
};
// timesheet's options (the month's, --seconds, --format, --excel, --active-only, --lang, -o).
std::vector<Option> TimesheetOptionsOf(TimesheetOptions& options);
// The error of options that do not go together ("--format xlsx needs -o FILE"), or an empty text.
QString TimesheetOptionsError(const TimesheetOptions& options);

// Where the timesheet's events come from, for the workbook's heading: a device and its folder, or
// a site's doors and its database.
struct TimesheetSource {
    QString deviceName;
    QString folder;
};

// Writes the timesheet as the options ask (CSV, spreadsheet CSV or XLSX, to FILE or standard
// output), the workbook's heading naming the source, the month, the mode, every port name and
// the filter. Returns done, or 1 when standard output could not be written; throws qtx::Error
// when FILE cannot be written.
int WriteMonthTimesheet(const qtx::Timesheet& sheet, const qtx::EventStore& store, const qtx::UserNames& names,
                        const TimesheetOptions& options, const qtx::PortNames& ports, const TimesheetSource& source,
                        int done);

// The port names: the ones given, the others from the workspace's KONFOUT.TXT (read only when
// a name is missing). Throws qtx::Error when the report cannot be read.
qtx::PortNames ResolvePorts(const MonthOptions& options);

// The exit status of a command that did its work but skipped an event file whose name is not a
// date.
constexpr int SkippedFileStatus = 3;

// Loads the event files the month needs: its days and the day before the first, where a night
// shift starts. A file whose name is not a date is skipped with a warning on standard error;
// returns whether one was. Throws qtx::Error when a file cannot be read.
bool LoadMonthFiles(qtx::EventStore& store, const QString& command, const MonthOptions& options);

// The device name of the workspace's KONFOUT.TXT; empty when there is none or it cannot be read.
QString WorkspaceDeviceName(const QString& workspace);

} // namespace qtxctl
