// qtxctl timesheet: each person's presence time per day of a month, as CSV or as a spreadsheet.

#include "commands.h"
#include "month_options.h"

#include "archive/event_store.h"
#include "archive/timesheet.h"
#include "archive/timesheet_export.h"
#include "base/errors.h"
#include "base/paths.h"
#include "base/text_file.h"
#include "lang/language_table.h"

#include <cstdio>

namespace qtxctl {

namespace {

const char* const TimesheetHelp =
    "usage: qtxctl timesheet --month YYYY-MM [--mode daily|daynight|span] [--entrance NAME]\n"
    "                        [--exit NAME] [--seconds] [--format csv|xlsx] [--lang pl|en]\n"
    "                        [-o FILE] WORKSPACE_DIR\n"
    "\n"
    "Loads every event file (*.csv) of the workspace in name order, as the archive window does,\n"
    "and writes the month's timesheet: one row per user number with at least one accepted event\n"
    "in the month, in ascending user number, with the name from the workspace's USERS.txt (empty\n"
    "when the list has no record of that number), the presence time of each day exactly as the\n"
    "calendar shows it with the user filter set to that user, and the month's total.\n"
    "\n"
    "CSV (the default; UTF-8, CR LF line ends, RFC 4180 quoting), header line first:\n"
    "\n"
    "  id,name,2025-03-01,2025-03-02,...,2025-03-31,total\n"
    "  0001,Anna Kowalska,8:05,0:00,...,173:40\n"
    "\n"
    "Times are H:MM (hours without limit, minutes rounded down); with --seconds, whole seconds.\n"
    "A month without accepted events gives the header line alone.\n"
    "\n"
    "XLSX (needs -o): sheet one the timesheet with durations a spreadsheet can sum ([h]:mm), a\n"
    "totals row and weekends shaded; sheet two the month's events, accepted and denied, in file\n"
    "order (date, time, user number, name, port, status). Headers in the language of --lang.\n"
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
    "  --lang LANG       pl (default) or en: the spreadsheet's headers and words\n"
    "  -o FILE           write to FILE (replaced in one step) instead of standard output\n"
    "\n"
    "Exit status: 0 done, 1 the workspace folder, KONFOUT.TXT (when a port name is not given)\n"
    "or a file could not be read, an event file name is not a date, or FILE could not be\n"
    "written; 2 wrong arguments.\n";

struct TimesheetOptions : MonthOptions {
    bool seconds = false;
    bool xlsx = false;
    int language = qtx::Polish;
    QString output;
};

// The interface texts, from the copy of lang.txt built into the program.
qtx::TimesheetTexts Texts(int language)
{
    qtx::LanguageTable table;
    table.LoadLanguageFile(QStringLiteral(":/lang/lang.txt"));
    table.SetLanguageIndex(language);
    return qtx::TimesheetTextsOf(table);
}

} // namespace

int RunTimesheet(const QStringList& arguments)
{
    TimesheetOptions options;
    const MonthCommand command{QStringLiteral("timesheet"),
                               TimesheetHelp,
                               {QStringLiteral("--seconds")},
                               {QStringLiteral("--format"), QStringLiteral("--lang"), QStringLiteral("-o")}};
    const int status =
        ParseMonthOptions(command, arguments, options, [&options](const QString& option, const QString& value) {
            if (option == QLatin1String("--seconds")) {
                options.seconds = true;
            } else if (option == QLatin1String("--format")) {
                if (value != QLatin1String("csv") && value != QLatin1String("xlsx"))
                    return QStringLiteral("--format must be csv or xlsx, got '%1'").arg(value);
                options.xlsx = value == QLatin1String("xlsx");
            } else if (option == QLatin1String("--lang")) {
                if (value != QLatin1String("pl") && value != QLatin1String("en"))
                    return QStringLiteral("--lang must be pl or en, got '%1'").arg(value);
                options.language = value == QLatin1String("en") ? qtx::English : qtx::Polish;
            } else if (value.isEmpty()) {
                return QStringLiteral("-o needs a file name");
            } else {
                options.output = value;
            }
            return QString();
        });
    if (status >= 0)
        return status;
    if (options.xlsx && options.output.isEmpty())
        return MonthUsageError(command, QStringLiteral("--format xlsx needs -o FILE"));

    if (!CheckWorkspaceFolder(command.name, options.workspace))
        return 1;

    try {
        const QString folder = qtx::WithTrailingChar(options.workspace, QLatin1Char('/'));
        const qtx::PortNames ports = ResolvePorts(options);
        qtx::EventStore store;
        qtx::LoadEventFolder(store, folder);
        const qtx::UserNames names = qtx::ReadWorkspaceUserNames(folder);
        const qtx::Timesheet sheet =
            qtx::ComputeTimesheet(store, options.year, options.month, options.mode, ports, names);
        if (options.xlsx) {
            qtx::WriteTimesheetXlsx(options.output, sheet, store, qtx::UserFilter::All(), names,
                                    Texts(options.language));
            return 0;
        }
        const QByteArray csv = qtx::TimesheetCsv(sheet, options.seconds);
        if (!options.output.isEmpty()) {
            qtx::WriteWholeFile(options.output, csv);
            return 0;
        }
        std::fwrite(csv.constData(), 1, static_cast<std::size_t>(csv.size()), stdout);
        return std::fflush(stdout) == 0 ? 0 : 1;
    } catch (const qtx::Error& e) {
        std::fprintf(stderr, "qtxctl timesheet: %s\n", e.message().toLocal8Bit().constData());
        return 1;
    }
}

} // namespace qtxctl
