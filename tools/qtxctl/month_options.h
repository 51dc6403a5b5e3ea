#pragma once
// The options that qtxctl report and timesheet (and site report and site timesheet) share: the
// month, the counting mode, the two port names and the workspace folder, each command's own
// options, and the outputs they write.

#include "archive/event_store.h"
#include "archive/statistics.h"
#include "archive/timesheet.h"
#include "archive/timesheet_export.h"
#include "lang/language_table.h"

#include <QString>
#include <QStringList>
#include <functional>
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

struct MonthCommand {
    QString name;          // "report"
    const char* help;      // the whole --help text
    QStringList flags;     // the command's own options without a value ("--json")
    QStringList valued;    // the command's own options with a value ("--user", "-o")
    bool workspace = true; // takes a workspace folder (the site's commands read a database)
};

// report's own options.
struct ReportOptions : MonthOptions {
    qtx::UserFilter filter;
    bool json = false;
};
QStringList ReportFlags();
QStringList ReportValued();
// Takes one of report's own options (see OwnOption).
QString TakeReportOption(ReportOptions& options, const QString& option, const QString& value);
// The month's figures as CSV or JSON lines on standard output; returns done, or 1 when standard
// output could not be written.
int PrintMonthReport(const qtx::MonthFigures& figures, const ReportOptions& options, int done);

// timesheet's own options.
struct TimesheetOptions : MonthOptions {
    bool seconds = false;
    bool xlsx = false;
    bool excel = false;
    bool activeOnly = false;
    int language = qtx::Polish;
    QString output;
};
QStringList TimesheetFlags();
QStringList TimesheetValued();
QString TakeTimesheetOption(TimesheetOptions& options, const QString& option, const QString& value);
// The error of options that do not go together ("--format xlsx needs -o FILE"), or an empty text.
QString TimesheetOptionsError(const TimesheetOptions& options);
// The rows a timesheet has: every listed user, or with --active-only those with an event.
qtx::TimesheetRows TimesheetRowsOf(const TimesheetOptions& options);

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

// Takes one of the command's own options (value empty for a flag); returns an error text for a
// wrong value, or an empty text.
using OwnOption = std::function<QString(const QString& option, const QString& value)>;

// Parses a month command's arguments into options. Returns -1 when the command should run;
// otherwise the exit status: 0 after --help, 2 after a usage error (said on standard error).
int ParseMonthOptions(const MonthCommand& command, const QStringList& arguments, MonthOptions& options,
                      const OwnOption& own);

// A usage error of the command: the message and the help on standard error; returns 2.
int MonthUsageError(const MonthCommand& command, const QString& message);

// Splits the option at arguments[i] into its name and value ("--name=value", or the value as the
// next argument, which i then moves past); false when no value follows.
bool TakeOptionValue(const QStringList& arguments, int& i, QString& name, QString& value);

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
