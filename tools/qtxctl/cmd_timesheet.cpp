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

#include <QFileInfo>
#include <cstdio>

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

struct TimesheetOptions : MonthOptions {
    bool seconds = false;
    bool xlsx = false;
    bool excel = false;
    bool activeOnly = false;
    int language = qtx::Polish;
    QString output;
};

// The interface texts, from the copy of lang.txt built into the program.
qtx::LanguageTable Texts(int language)
{
    qtx::LanguageTable table;
    table.LoadLanguageFile(QStringLiteral(":/lang/lang.txt"));
    table.SetLanguageIndex(language);
    return table;
}

// The workbook's heading, worded as the archive window words it.
qtx::TimesheetHeading Heading(const qtx::LanguageTable& t, const TimesheetOptions& options, const qtx::PortNames& ports)
{
    static const char* const months[] = {"JANUARY", "FEBRUARY", "MARCH",     "APRIL",   "MAY",      "JUNE",
                                         "JULY",    "AUGUST",   "SEPTEMBER", "OCTOBER", "NOVEMBER", "DECEMBER"};
    static const char* const modes[] = {"DAILY", "DAY/NIGHT", "DAILY (IGNORE I/O TYPE)"};
    qtx::TimesheetHeading heading;
    heading.deviceName = WorkspaceDeviceName(options.workspace);
    heading.folder = QFileInfo(options.workspace).absoluteFilePath();
    heading.month =
        t.Lower(QLatin1String(months[options.month - 1])) + QLatin1Char(' ') + QString::number(options.year);
    heading.countingMode = t.Lower(QLatin1String(modes[static_cast<int>(options.mode)]));
    heading.entrance = qtx::FromCp1250(ports.entrance);
    heading.exit = qtx::FromCp1250(ports.exit);
    heading.filter = t.GetSentence(QStringLiteral("ALL"));
    return heading;
}

} // namespace

int RunTimesheet(const QStringList& arguments)
{
    TimesheetOptions options;
    const MonthCommand command{
        QStringLiteral("timesheet"),
        TimesheetHelp,
        {QStringLiteral("--seconds"), QStringLiteral("--excel"), QStringLiteral("--active-only")},
        {QStringLiteral("--format"), QStringLiteral("--lang"), QStringLiteral("-o")}};
    const int status =
        ParseMonthOptions(command, arguments, options, [&options](const QString& option, const QString& value) {
            if (option == QLatin1String("--seconds")) {
                options.seconds = true;
            } else if (option == QLatin1String("--excel")) {
                options.excel = true;
            } else if (option == QLatin1String("--active-only")) {
                options.activeOnly = true;
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
        const int done = LoadMonthFiles(store, command.name, options) ? SkippedFileStatus : 0;
        const qtx::UserNames names = qtx::ReadWorkspaceUserNames(folder);
        const qtx::Timesheet sheet = qtx::ComputeTimesheet(
            store, options.year, options.month, options.mode, ports, names, qtx::UserFilter::All(),
            options.activeOnly ? qtx::TimesheetRows::Active : qtx::TimesheetRows::EveryListedUser);
        const qtx::LanguageTable texts = Texts(options.language);
        if (options.xlsx) {
            qtx::WriteTimesheetXlsx(options.output, sheet, store, qtx::UserFilter::All(), names,
                                    qtx::TimesheetTextsOf(texts), Heading(texts, options, ports));
            return done;
        }
        const QByteArray csv = options.excel ? qtx::TimesheetSpreadsheetCsv(sheet, qtx::TimesheetTextsOf(texts))
                                             : qtx::TimesheetCsv(sheet, options.seconds);
        if (!options.output.isEmpty()) {
            qtx::WriteWholeFile(options.output, csv);
            return done;
        }
        std::fwrite(csv.constData(), 1, static_cast<std::size_t>(csv.size()), stdout);
        return std::fflush(stdout) == 0 ? done : 1;
    } catch (const qtx::Error& e) {
        std::fprintf(stderr, "qtxctl timesheet: %s\n", e.message().toLocal8Bit().constData());
        return 1;
    }
}

} // namespace qtxctl
