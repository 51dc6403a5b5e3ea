// qtxctl timesheet: each person's presence time per day of a month, as CSV or as a spreadsheet.

#include "commands.h"

#include "app/errors.h"
#include "app/paths.h"
#include "app/text_file.h"
#include "archive/event_store.h"
#include "archive/timesheet.h"
#include "archive/timesheet_export.h"
#include "config/config_files.h"
#include "lang/language_table.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <cstdio>
#include <optional>

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

int UsageError(const QString& message)
{
    std::fprintf(stderr, "qtxctl timesheet: %s\n\n%s", qPrintable(message), TimesheetHelp);
    return 2;
}

struct TimesheetOptions {
    int year = 0;
    int month = 0;
    qtx::CountingMode mode = qtx::CountingMode::Daily;
    std::optional<QString> entrance;
    std::optional<QString> exit;
    bool seconds = false;
    bool xlsx = false;
    int language = qtx::Polish;
    QString output;
    QString workspace;
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
    bool haveMonth = false;
    for (int i = 0; i < arguments.size(); ++i) {
        QString arg = arguments[i];
        if (arg == QLatin1String("--help") || arg == QLatin1String("-h")) {
            std::fputs(TimesheetHelp, stdout);
            return 0;
        }
        if (arg == QLatin1String("--seconds")) {
            options.seconds = true;
            continue;
        }
        if (!arg.startsWith(QLatin1Char('-')) || arg == QLatin1String("-")) {
            if (!options.workspace.isEmpty())
                return UsageError(QStringLiteral("more than one workspace folder given"));
            options.workspace = arg;
            continue;
        }
        QString value;
        const qsizetype eq = arg.indexOf(QLatin1Char('='));
        if (eq >= 0) {
            value = arg.mid(eq + 1);
            arg = arg.left(eq);
        } else if (i + 1 < arguments.size()) {
            value = arguments[++i];
        } else {
            return UsageError(QStringLiteral("%1 needs a value").arg(arg));
        }
        if (arg == QLatin1String("--month")) {
            static const QRegularExpression format(QStringLiteral("^(\\d{4})-(\\d{2})$"));
            const QRegularExpressionMatch m = format.match(value);
            options.year = m.hasMatch() ? m.captured(1).toInt() : 0;
            options.month = m.hasMatch() ? m.captured(2).toInt() : 0;
            if (options.year < 1 || options.month < 1 || options.month > 12)
                return UsageError(QStringLiteral("--month must be YYYY-MM, got '%1'").arg(value));
            haveMonth = true;
        } else if (arg == QLatin1String("--mode")) {
            if (value == QLatin1String("daily"))
                options.mode = qtx::CountingMode::Daily;
            else if (value == QLatin1String("daynight"))
                options.mode = qtx::CountingMode::DayNight;
            else if (value == QLatin1String("span"))
                options.mode = qtx::CountingMode::DailyIgnoreIoType;
            else
                return UsageError(QStringLiteral("--mode must be daily, daynight or span, got '%1'").arg(value));
        } else if (arg == QLatin1String("--entrance")) {
            options.entrance = value;
        } else if (arg == QLatin1String("--exit")) {
            options.exit = value;
        } else if (arg == QLatin1String("--format")) {
            if (value != QLatin1String("csv") && value != QLatin1String("xlsx"))
                return UsageError(QStringLiteral("--format must be csv or xlsx, got '%1'").arg(value));
            options.xlsx = value == QLatin1String("xlsx");
        } else if (arg == QLatin1String("--lang")) {
            if (value != QLatin1String("pl") && value != QLatin1String("en"))
                return UsageError(QStringLiteral("--lang must be pl or en, got '%1'").arg(value));
            options.language = value == QLatin1String("en") ? qtx::English : qtx::Polish;
        } else if (arg == QLatin1String("-o")) {
            if (value.isEmpty())
                return UsageError(QStringLiteral("-o needs a file name"));
            options.output = value;
        } else {
            return UsageError(QStringLiteral("unknown option %1").arg(arg));
        }
    }
    if (!haveMonth)
        return UsageError(QStringLiteral("--month is required"));
    if (options.workspace.isEmpty())
        return UsageError(QStringLiteral("no workspace folder given"));
    if (options.xlsx && options.output.isEmpty())
        return UsageError(QStringLiteral("--format xlsx needs -o FILE"));

    if (!CheckWorkspaceFolder(QStringLiteral("timesheet"), options.workspace))
        return 1;

    try {
        const QString folder = qtx::WithTrailingChar(options.workspace, QLatin1Char('/'));
        qtx::PortNames ports;
        if (!options.entrance || !options.exit) {
            const qtx::ConfigReport report = qtx::ReadConfigReportFile(folder + QStringLiteral("KONFOUT.TXT"));
            ports.entrance = report.port0Name;
            ports.exit = report.port1Name;
        }
        if (options.entrance)
            ports.entrance = qtx::ToCp1250(*options.entrance);
        if (options.exit)
            ports.exit = qtx::ToCp1250(*options.exit);

        qtx::EventStore store;
        for (const QString& name : qtx::ListEventFiles(folder)) {
            try {
                qtx::LoadEventFile(store, folder + name);
            } catch (const qtx::FormatError& e) {
                throw qtx::FormatError(folder + name + QStringLiteral(": ") + e.message());
            }
        }
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
