// qtxctl timesheet: each person's presence time per day of a month, as CSV or as a spreadsheet.

#include "commands.h"
#include "month_options.h"

#include "archive/event_store.h"
#include "archive/timesheet.h"
#include "base/errors.h"
#include "base/paths.h"
#include "base/text_file.h"

#include <QFileInfo>

namespace qtxctl {

namespace {

const char* const TimesheetHelp =
    "usage: qtxctl timesheet --month YYYY-MM [--mode daily|daynight|span] [--entrance NAME]\n"
    "                        [--exit NAME] [--seconds] [--format csv|xlsx] [--excel]\n"
    "                        [--active-only] [--lang pl|en] [-o FILE] WORKSPACE_DIR\n"
    "\n"
    "Loads the workspace's event files (*.csv) of the month and of the day before it in name\n"
    "order, as the archive window does, and writes the month's timesheet: one row per person of\n"
    "the workspace's USERS.txt and per other user number with at least one accepted event in the\n"
    "month, in ascending user number, with the name from USERS.txt (empty when the list has no\n"
    "record of that number), the presence time of each day exactly as the calendar shows it with\n"
    "the user filter set to that user, and the month's total.\n"
    "\n"
    "CSV (the default; UTF-8, CR LF line ends, RFC 4180 quoting), header line first:\n"
    "\n"
    "  id,name,2025-03-01,2025-03-02,...,2025-03-31,total\n"
    "  0001,Anna Kowalska,8:05,0:00,...,173:40\n"
    "\n"
    "Times are H:MM: each day's time rounded to the nearest minute (half a minute up; a negative\n"
    "time, from lines out of time order, keeps its sign, \"-9:00\"), and the total the sum of the\n"
    "days as shown, so the shown parts always add up. With --seconds, exact whole seconds, the\n"
    "total their sum.\n"
    "A month without accepted events and a workspace without USERS.txt give the header line alone.\n"
    "\n"
    "--excel writes the CSV as the archive window saves it for a spreadsheet: UTF-8 with a byte\n"
    "order mark, \";\" between values and the header in the language of --lang.\n"
    "\n"
    "XLSX (needs -o): sheet one the timesheet under a heading (device name, folder, month,\n"
    "counting mode, port names, user filter and the rounding rule above), with durations a\n"
    "spreadsheet can sum ([h]:mm; a negative one as its text), a totals row, weekends shaded, an\n"
    "autofilter on the header row, printed landscape one page wide with the heading on every page;\n"
    "sheet two the month's events, accepted and denied, in file order (date, time, user number,\n"
    "name, port, status), going on in further sheets past a sheet's 1,048,576 rows. A text longer\n"
    "than a cell's 32,767 characters is cut and ends in \" [cut]\". Words in the language of --lang.\n"
    "\n"
    "Options:\n"
    "  --month YYYY-MM   the month (required)\n"
    "  --mode MODE       daily (default): entrance to exit within the day;\n"
    "                    daynight: presence across midnight counts up to or from midnight;\n"
    "                    span: first to last event of each user, ports ignored\n"
    "  --entrance NAME   the entrance port name (default: port0= of KONFOUT.TXT)\n"
    "  --exit NAME       the exit port name (default: port1= of KONFOUT.TXT)\n"
    "  --seconds         CSV times as whole seconds instead of H:MM\n"
    "  --format FORMAT   csv (default) or xlsx\n"
    "  --excel           CSV for a spreadsheet (see above)\n"
    "  --active-only     rows only for users with an accepted event in the month\n"
    "  --lang LANG       pl (default) or en: the spreadsheet's headers and words\n"
    "  -o FILE           write to FILE (replaced in one step) instead of standard output\n"
    "\n"
    "An event file whose name is not a date (notes.csv) is skipped with a warning on standard\n"
    "error.\n"
    "\n"
    "Exit status: 0 done, 1 the workspace folder, KONFOUT.TXT (when a port name is not given)\n"
    "or a file could not be read, or FILE could not be written; 2 wrong arguments; 3 done, but\n"
    "a file whose name is not a date was skipped.\n";

} // namespace

int RunTimesheet(const QStringList& arguments)
{
    TimesheetOptions options;
    const Command command{.name = QStringLiteral("timesheet"),
                          .help = QLatin1String(TimesheetHelp),
                          .options = TimesheetOptionsOf(options),
                          .positional = {QStringLiteral("WORKSPACE_DIR")}};
    const Parsed parsed = Parse(command, arguments);
    if (parsed.status >= 0)
        return parsed.status;
    if (const QString error = TimesheetOptionsError(options); !error.isEmpty())
        return UsageError(command, error);
    options.workspace = parsed.positional[0];
    if (!CheckWorkspaceFolder(command.name, options.workspace))
        return 1;

    try {
        const QString folder = qtx::WithTrailingChar(options.workspace, QLatin1Char('/'));
        const qtx::PortNames ports = ResolvePorts(options);
        qtx::EventStore store;
        const int done = LoadMonthFiles(store, command.name, options) ? SkippedFileStatus : 0;
        const qtx::UserNames names = qtx::ReadWorkspaceUserNames(folder);
        const qtx::Timesheet sheet = qtx::ComputeTimesheet(store, options.year, options.month, options.mode, ports,
                                                           names, qtx::UserFilter::All(), options.rows);
        return WriteMonthTimesheet(
            sheet, store, names, options, ports,
            {WorkspaceDeviceName(options.workspace), QFileInfo(options.workspace).absoluteFilePath()}, done);
    } catch (const qtx::Error& e) {
        Say(command.name, e.message());
        return 1;
    }
}

} // namespace qtxctl
