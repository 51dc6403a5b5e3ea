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

// What the site's commands take beside report's and timesheet's options.
struct SiteOptions {
    QString db;
    QStringList doors;
    bool json = false;
    bool progress = false;
};

Option DbOption(SiteOptions& site)
{
    return {.name = "--db", .value = "LOCATION", .take = Stores(site.db)};
}

// import's door, or each door report and timesheet choose.
Option DoorOption(SiteOptions& site)
{
    return {.name = "--door", .value = "NAME", .take = [&site](const QString& value) {
                if (value.trimmed().isEmpty())
                    return QStringLiteral("--door needs a name");
                site.doors.append(value);
                return QString();
            }};
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

// Runs work on the site database, saying a failure as the command: exit 2 when the server could
// not be reached or was lost, 1 for any other.
template <class Work>
int Guarded(const QString& command, const QString& db, Work work)
{
    try {
        qtx::SiteDatabase site(qtx::ResolveSiteLocation(db));
        return work(site);
    } catch (const qtx::SiteConnectionError& e) {
        Say(command, e.message());
        return 2;
    } catch (const qtx::Error& e) {
        Say(command, e.message());
        return 1;
    }
}

int SiteReport(const QStringList& arguments)
{
    ReportOptions options;
    SiteOptions site;
    const Command command{.name = QStringLiteral("site report"),
                          .help = QLatin1String(SiteHelp),
                          .options = Joined(ReportOptionsOf(options), {DbOption(site), DoorOption(site)})};
    if (const int status = Parse(command, arguments).status; status >= 0)
        return status;
    return Guarded(command.name, site.db, [&](qtx::SiteDatabase& db) {
        qtx::SiteArchive archive;
        qtx::LoadSiteMonth(db, site.doors, options.year, options.month, archive);
        const qtx::MonthFigures figures = qtx::ComputeMonthFigures(
            archive.Store(), options.year, options.month, options.filter, options.mode, ChosenPorts(archive, options));
        return PrintMonthReport(figures, options, 0);
    });
}

int SiteTimesheet(const QStringList& arguments)
{
    TimesheetOptions options;
    SiteOptions site;
    const Command command{.name = QStringLiteral("site timesheet"),
                          .help = QLatin1String(SiteHelp),
                          .options = Joined(TimesheetOptionsOf(options), {DbOption(site), DoorOption(site)})};
    if (const int status = Parse(command, arguments).status; status >= 0)
        return status;
    if (const QString error = TimesheetOptionsError(options); !error.isEmpty())
        return UsageError(command, error);
    return Guarded(command.name, site.db, [&](qtx::SiteDatabase& db) {
        qtx::SiteArchive archive;
        qtx::LoadSiteMonth(db, site.doors, options.year, options.month, archive);
        const qtx::PortNames ports = ChosenPorts(archive, options);
        const qtx::Timesheet sheet =
            qtx::ComputeTimesheet(archive.Store(), options.year, options.month, options.mode, ports, archive.Names(),
                                  qtx::UserFilter::All(), options.rows);
        // The heading names the site: its doors and where their database is.
        QStringList doors;
        for (const qtx::SiteDoor& door : archive.Doors())
            doors.append(door.name);
        return WriteMonthTimesheet(sheet, archive.Store(), archive.Names(), options, ports,
                                   {doors.join(QStringLiteral(", ")), db.Location().Display()}, 0);
    });
}

int SiteImport(const QStringList& arguments)
{
    SiteOptions site;
    const Command command{
        .name = QStringLiteral("site import"),
        .help = QLatin1String(SiteHelp),
        .options = {DbOption(site), {.name = "--progress", .take = Sets(site.progress)}, DoorOption(site)},
        .positional = {QStringLiteral("CARD_DIR")}};
    const Parsed parsed = Parse(command, arguments);
    if (parsed.status >= 0)
        return parsed.status;
    if (site.doors.size() != 1)
        return UsageError(command, QStringLiteral("exactly one --door NAME is needed"));
    const QString& door = site.doors.first();
    qtx::SiteImportProgress progress;
    if (site.progress)
        progress = [](int position, int count, const QString& name) {
            if (!name.isEmpty())
                std::fprintf(stderr, "%d/%d %s\n", position + 1, count, qPrintable(name));
        };
    return Guarded(command.name, site.db, [&](qtx::SiteDatabase& db) {
        const qtx::SiteImportResult r = qtx::ImportCardFolder(db, door, parsed.positional[0], progress);
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
    });
}

int SiteDoors(const QStringList& arguments)
{
    SiteOptions site;
    const Command command{.name = QStringLiteral("site doors"),
                          .help = QLatin1String(SiteHelp),
                          .options = {DbOption(site), {.name = "--json", .take = Sets(site.json)}}};
    if (const int status = Parse(command, arguments).status; status >= 0)
        return status;
    return Guarded(command.name, site.db, [&site](qtx::SiteDatabase& db) {
        QString out;
        for (const qtx::SiteDoor& door : db.Doors()) {
            const QStringList fields{door.name, qtx::FromCp1250(door.deviceId), qtx::FromCp1250(door.entrance),
                                     qtx::FromCp1250(door.exit)};
            if (site.json)
                PrintJsonLine({{QStringLiteral("door"), fields[0]},
                               {QStringLiteral("device"), fields[1]},
                               {QStringLiteral("entrance"), fields[2]},
                               {QStringLiteral("exit"), fields[3]}});
            else
                out += qtx::CsvRow(fields);
        }
        return site.json ? 0 : WriteOut(out.toUtf8());
    });
}

} // namespace

int RunSite(const QStringList& arguments)
{
    const QString command = arguments.value(0);
    if (command == QLatin1String("import"))
        return SiteImport(arguments.mid(1));
    if (command == QLatin1String("doors"))
        return SiteDoors(arguments.mid(1));
    if (command == QLatin1String("report"))
        return SiteReport(arguments.mid(1));
    if (command == QLatin1String("timesheet"))
        return SiteTimesheet(arguments.mid(1));
    // No command, --help, or an option before the command.
    const Command site{.name = QStringLiteral("site"),
                       .help = QLatin1String(SiteHelp),
                       .options = {},
                       .positional = {QStringLiteral("COMMAND")}};
    if (const int status = Parse(site, arguments.mid(0, 1)).status; status >= 0)
        return status;
    return UsageError(site, QStringLiteral("unknown site command '%1'").arg(command));
}

} // namespace qtxctl
