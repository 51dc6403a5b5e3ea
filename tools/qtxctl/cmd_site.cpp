// qtxctl site: the site archive, every door's events in one database: import a card folder,
// list the doors, and report and timesheet across doors as report and timesheet do for one card.

#include "commands.h"
#include "month_options.h"

#include "archive/statistics.h"
#include "archive/timesheet.h"
#include "archive/timesheet_export.h"
#include "base/errors.h"
#include "base/text_file.h"
#include "site/site_archive.h"
#include "site/site_database.h"
#include "site/site_import.h"

#include <cstdio>
#include <optional>

namespace qtxctl {

namespace {

const char* const SiteHelp =
    "usage: qtxctl site import [--db LOCATION] [--progress] --door NAME CARD_DIR\n"
    "       qtxctl site doors [--db LOCATION] [--json]\n"
    "       qtxctl site report --month YYYY-MM [--door NAME]... [--mode MODE] [--user NNNN]\n"
    "                          [--entrance NAME] [--exit NAME] [--json] [--db LOCATION]\n"
    "       qtxctl site timesheet --month YYYY-MM [--door NAME]... [--mode MODE] [--entrance NAME]\n"
    "                          [--exit NAME] [--seconds] [--format csv|xlsx] [--excel]\n"
    "                          [--active-only] [--lang pl|en] [-o FILE] [--db LOCATION]\n"
    "\n"
    "The site archive keeps the events of every door in one database, fed from the doors' card\n"
    "folders.\n"
    "\n"
    "import     reads a card folder as the door NAME: its device ID and entrance and exit names\n"
    "           from KONFOUT.TXT, the people's numbers and names from USERS.txt (never PIN\n"
    "           codes), then every event file, each in one transaction. Importing the same card\n"
    "           again adds nothing; a day that has grown adds its new lines; a day that was\n"
    "           rewritten replaces that day's events of the door and is named on standard\n"
    "           output. Run it after 'qtxctl sync' for the nightly job.\n"
    "doors      lists the doors: name, device ID, entrance, exit.\n"
    "report     as 'qtxctl report', over the chosen doors (every door without --door): each\n"
    "           person's events of all chosen doors merged in time order, each door's own\n"
    "           entrance and exit names deciding what is an entrance or an exit.\n"
    "timesheet  as 'qtxctl timesheet', over the chosen doors: a row for every person of the\n"
    "           doors' user lists; the workbook's heading names the doors, the database and\n"
    "           every chosen door's entrance and exit.\n"
    "\n"
    "Options:\n"
    "  --db LOCATION     the site database: an SQLite file (or sqlite:FILE), a PostgreSQL URI\n"
    "                    (postgresql://USER@HOST/DB) or a libpq connection string such as\n"
    "                    service=NAME; default: $QTX_SITE_DB, else\n"
    "                    ~/.local/share/qtx-manager/site.sqlite. A location with a password is\n"
    "                    refused: passwords go in ~/.pgpass or the service file.\n"
    "  --progress        import: name each file on standard error as it is read\n"
    "  --door NAME       import: the door's name; report, timesheet: only this door (repeat\n"
    "                    for several)\n"
    "  --entrance NAME, --exit NAME\n"
    "                    report, timesheet: the entrance or exit port name of every chosen\n"
    "                    door (default: each door's own, from its KONFOUT.TXT at import)\n"
    "  --month, --mode, --user, --json, --seconds, --format, --excel, --active-only, --lang, -o\n"
    "                    as for 'qtxctl report' and 'qtxctl timesheet'\n"
    "\n"
    "Exit status: 0 done, 1 a folder or file could not be read, an event file name is not a\n"
    "date, the database refused the work (nothing of the file at hand is kept) or FILE could not\n"
    "be written; 2 wrong arguments, or the database server could not be reached or was lost.\n";

int Usage(const QString& message)
{
    std::fprintf(stderr, "qtxctl site: %s\n\n%s", qPrintable(message), SiteHelp);
    return 2;
}

// import's and doors' options.
struct SiteOptions {
    QString command;
    QString db;
    QStringList doors;
    QString folder;
    bool json = false;
    bool progress = false;
};

// Parses import's and doors' arguments. Returns -1 when the command should run, else the exit
// status.
int Parse(const QStringList& arguments, SiteOptions& o)
{
    for (int i = 1; i < arguments.size(); ++i) {
        QString arg = arguments[i];
        if (arg == QLatin1String("--help") || arg == QLatin1String("-h")) {
            std::fputs(SiteHelp, stdout);
            return 0;
        }
        if (arg == QLatin1String("--json") && o.command == QLatin1String("doors")) {
            o.json = true;
            continue;
        }
        if (arg == QLatin1String("--progress") && o.command == QLatin1String("import")) {
            o.progress = true;
            continue;
        }
        if (!arg.startsWith(QLatin1Char('-'))) {
            if (o.command != QLatin1String("import") || !o.folder.isEmpty())
                return Usage(QStringLiteral("unexpected argument '%1'").arg(arg));
            o.folder = arg;
            continue;
        }
        QString value;
        if (!TakeOptionValue(arguments, i, arg, value))
            return Usage(QStringLiteral("%1 needs a value").arg(arg));
        if (arg == QLatin1String("--db")) {
            o.db = value;
        } else if (arg == QLatin1String("--door") && o.command == QLatin1String("import")) {
            if (value.trimmed().isEmpty())
                return Usage(QStringLiteral("--door needs a name"));
            o.doors.append(value);
        } else {
            return Usage(QStringLiteral("unknown option %1 for site %2").arg(arg, o.command));
        }
    }
    if (o.command == QLatin1String("import")) {
        if (o.doors.size() != 1)
            return Usage(QStringLiteral("site import needs one --door NAME"));
        if (o.folder.isEmpty())
            return Usage(QStringLiteral("no card folder given"));
    }
    return -1;
}

// The database and doors that site report and site timesheet read, beside the options they share
// with report and timesheet.
struct SiteChoice {
    QString db;
    QStringList doors;
};

// A month command of the site: report's or timesheet's own options, and --db and --door.
MonthCommand SiteMonthCommand(const QString& name, const QStringList& flags, QStringList valued)
{
    valued << QStringLiteral("--db") << QStringLiteral("--door");
    MonthCommand command{QStringLiteral("site ") + name, SiteHelp, flags, valued};
    command.workspace = false;
    return command;
}

// Takes --db or --door; returns false for another option.
bool TakeSiteOption(SiteChoice& site, const QString& option, const QString& value, QString& error)
{
    if (option == QLatin1String("--db")) {
        site.db = value;
        return true;
    }
    if (option != QLatin1String("--door"))
        return false;
    if (value.trimmed().isEmpty())
        error = QStringLiteral("--door needs a name");
    else
        site.doors.append(value);
    return true;
}

// The chosen doors' port names; --entrance and --exit replace every door's own.
qtx::PortNames ChosenPorts(const qtx::SiteArchive& archive, const MonthOptions& options)
{
    if (!options.entrance && !options.exit)
        return archive.Ports();
    qtx::PortNames ports;
    bool first = true;
    for (const qtx::SiteDoor& door : archive.Doors()) {
        const QByteArray entrance =
            qtx::QualifiedPortName(door, options.entrance ? qtx::ToCp1250(*options.entrance) : door.entrance);
        const QByteArray exit = qtx::QualifiedPortName(door, options.exit ? qtx::ToCp1250(*options.exit) : door.exit);
        if (first) {
            ports.entrance = entrance;
            ports.exit = exit;
            first = false;
        } else {
            ports.moreEntrances.append(entrance);
            ports.moreExits.append(exit);
        }
    }
    return ports;
}

int WriteOut(const QByteArray& bytes)
{
    std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
}

int Import(qtx::SiteDatabase& db, const SiteOptions& o)
{
    const QString door = o.doors.first();
    qtx::SiteImportProgress progress;
    if (o.progress)
        progress = [](int position, int count, const QString& name) {
            if (!name.isEmpty())
                std::fprintf(stderr, "%d/%d %s\n", position + 1, count, qPrintable(name));
        };
    const qtx::SiteImportResult r = qtx::ImportCardFolder(db, door, o.folder, progress);
    QString out;
    for (const QString& name : r.rewrittenFiles)
        out += QStringLiteral("rewritten: %1 (its events of door %2 were replaced)\n").arg(name, door);
    out += QStringLiteral("door %1: %2 files, %3 new, %4 grown, %5 rewritten, %6 unchanged; %7 events added\n")
               .arg(door)
               .arg(r.files)
               .arg(r.added)
               .arg(r.grown)
               .arg(r.rewritten)
               .arg(r.unchanged)
               .arg(r.events);
    return WriteOut(out.toUtf8());
}

int Doors(qtx::SiteDatabase& db, const SiteOptions& o)
{
    QString out;
    for (const qtx::SiteDoor& door : db.Doors()) {
        const QStringList fields{door.name, qtx::FromCp1250(door.deviceId), qtx::FromCp1250(door.entrance),
                                 qtx::FromCp1250(door.exit)};
        if (o.json)
            PrintJsonLine({{QStringLiteral("door"), fields[0]},
                           {QStringLiteral("device"), fields[1]},
                           {QStringLiteral("entrance"), fields[2]},
                           {QStringLiteral("exit"), fields[3]}});
        else
            out += qtx::CsvRow(fields);
    }
    return o.json ? 0 : WriteOut(out.toUtf8());
}

// Runs work on the site database, saying a failure as the command: exit 2 when the server could
// not be reached or was lost, 1 for any other.
template <class Work>
int Guarded(const QString& command, const QString& db, Work work)
{
    const QString name = QStringLiteral("qtxctl ") + command;
    try {
        qtx::SiteDatabase site(qtx::ResolveSiteLocation(db));
        return work(site);
    } catch (const qtx::SiteConnectionError& e) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(name), e.message().toLocal8Bit().constData());
        return 2;
    } catch (const qtx::Error& e) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(name), e.message().toLocal8Bit().constData());
        return 1;
    }
}

int Report(const QStringList& arguments)
{
    ReportOptions options;
    SiteChoice site;
    const MonthCommand command = SiteMonthCommand(QStringLiteral("report"), ReportFlags(), ReportValued());
    const int status = ParseMonthOptions(command, arguments, options, [&](const QString& option, const QString& value) {
        QString error;
        return TakeSiteOption(site, option, value, error) ? error : TakeReportOption(options, option, value);
    });
    if (status >= 0)
        return status;
    return Guarded(command.name, site.db, [&](qtx::SiteDatabase& db) {
        qtx::SiteArchive archive;
        qtx::LoadSiteMonth(db, site.doors, options.year, options.month, archive);
        const qtx::MonthFigures figures = qtx::ComputeMonthFigures(
            archive.Store(), options.year, options.month, options.filter, options.mode, ChosenPorts(archive, options));
        return PrintMonthReport(figures, options, 0);
    });
}

int Timesheet(const QStringList& arguments)
{
    TimesheetOptions options;
    SiteChoice site;
    const MonthCommand command = SiteMonthCommand(QStringLiteral("timesheet"), TimesheetFlags(), TimesheetValued());
    const int status = ParseMonthOptions(command, arguments, options, [&](const QString& option, const QString& value) {
        QString error;
        return TakeSiteOption(site, option, value, error) ? error : TakeTimesheetOption(options, option, value);
    });
    if (status >= 0)
        return status;
    if (const QString error = TimesheetOptionsError(options); !error.isEmpty())
        return MonthUsageError(command, error);
    return Guarded(command.name, site.db, [&](qtx::SiteDatabase& db) {
        qtx::SiteArchive archive;
        qtx::LoadSiteMonth(db, site.doors, options.year, options.month, archive);
        const qtx::PortNames ports = ChosenPorts(archive, options);
        const qtx::Timesheet sheet =
            qtx::ComputeTimesheet(archive.Store(), options.year, options.month, options.mode, ports, archive.Names(),
                                  qtx::UserFilter::All(), TimesheetRowsOf(options));
        // The heading names the site: its doors and where their database is.
        QStringList doors;
        for (const qtx::SiteDoor& door : archive.Doors())
            doors.append(door.name);
        return WriteMonthTimesheet(sheet, archive.Store(), archive.Names(), options, ports,
                                   {doors.join(QStringLiteral(", ")), db.Location().Display()}, 0);
    });
}

} // namespace

int RunSite(const QStringList& arguments)
{
    if (arguments.isEmpty())
        return Usage(QStringLiteral("no site command given"));
    SiteOptions options;
    options.command = arguments.first();
    if (options.command == QLatin1String("--help") || options.command == QLatin1String("-h")) {
        std::fputs(SiteHelp, stdout);
        return 0;
    }
    if (options.command == QLatin1String("report"))
        return Report(arguments.mid(1));
    if (options.command == QLatin1String("timesheet"))
        return Timesheet(arguments.mid(1));
    if (options.command != QLatin1String("import") && options.command != QLatin1String("doors"))
        return Usage(QStringLiteral("unknown site command '%1'").arg(options.command));
    const int status = Parse(arguments, options);
    if (status >= 0)
        return status;
    return Guarded(QStringLiteral("site ") + options.command, options.db, [&options](qtx::SiteDatabase& db) {
        return options.command == QLatin1String("import") ? Import(db, options) : Doors(db, options);
    });
}

} // namespace qtxctl
