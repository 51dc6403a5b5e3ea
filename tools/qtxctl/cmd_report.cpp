// qtxctl report: a month of hits and presence times per day as CSV, computed exactly as the
// archive's calendar computes them.

#include "commands.h"
#include "month_options.h"

#include "archive/event_store.h"
#include "archive/statistics.h"
#include "base/errors.h"

namespace qtxctl {

namespace {

const char* const ReportHelp =
    "usage: qtxctl report --month YYYY-MM [--mode daily|daynight|span] [--user NNNN]\n"
    "                     [--entrance NAME] [--exit NAME] [--json] WORKSPACE_DIR\n"
    "\n"
    "Loads the workspace's event files (*.csv) of the month and of the day before it in name\n"
    "order, as the archive window does, and prints one CSV row per day of the month (UTF-8,\n"
    "CR LF line ends, RFC 4180 quoting):\n"
    "\n"
    "  date,hits,users,seconds,time\n"
    "  2021-05-01,12,3,86400,\"24h, 0min\"\n"
    "  ...\n"
    "  total,<month hits>,,<month seconds>,<month time>\n"
    "\n"
    "hits are the accepted events, users the distinct user numbers among them, seconds the\n"
    "presence time and time the same as the calendar shows it.\n"
    "\n"
    "Options:\n"
    "  --month YYYY-MM   the month to report (required)\n"
    "  --mode MODE       daily (default): entrance to exit within the day;\n"
    "                    daynight: presence across midnight counts up to or from midnight;\n"
    "                    span: first to last event of each user, ports ignored\n"
    "  --user NNNN       only this user number (the first four characters are compared)\n"
    "  --entrance NAME   the entrance port name (default: port0= of KONFOUT.TXT)\n"
    "  --exit NAME       the exit port name (default: port1= of KONFOUT.TXT)\n"
    "  --json            one JSON object per line instead of CSV:\n"
    "                    {\"date\": \"2021-05-01\", \"hits\": 12, \"users\": 3, \"seconds\": 86400,\n"
    "                     \"time\": \"24h, 0min\"} per day, then\n"
    "                    {\"month\": \"2021-05\", \"hits\": ..., \"seconds\": ..., \"time\": \"...\"}\n"
    "\n"
    "An event file whose name is not a date (notes.csv) is skipped with a warning on standard\n"
    "error.\n"
    "\n"
    "Exit status: 0 done, 1 the workspace folder or a file could not be read, 2 wrong arguments,\n"
    "3 done, but a file whose name is not a date was skipped.\n";

} // namespace

int RunReport(const QStringList& arguments)
{
    ReportOptions options;
    const Command command{.name = QStringLiteral("report"),
                          .help = QLatin1String(ReportHelp),
                          .options = ReportOptionsOf(options),
                          .positional = {QStringLiteral("WORKSPACE_DIR")}};
    const Parsed parsed = Parse(command, arguments);
    if (parsed.status >= 0)
        return parsed.status;
    options.workspace = parsed.positional[0];
    if (!CheckWorkspaceFolder(command.name, options.workspace))
        return 1;

    try {
        const qtx::PortNames ports = ResolvePorts(options);
        qtx::EventStore store;
        const int done = LoadMonthFiles(store, command.name, options) ? SkippedFileStatus : 0;
        const qtx::MonthFigures figures =
            qtx::ComputeMonthFigures(store, options.year, options.month, options.filter, options.mode, ports);

        return PrintMonthReport(figures, options, done);
    } catch (const qtx::Error& e) {
        Say(command.name, e.message());
        return 1;
    }
}

} // namespace qtxctl
