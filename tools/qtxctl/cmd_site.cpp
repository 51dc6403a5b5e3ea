// qtxctl site: the site archive, every door's events in one database: import a card folder,
// list the doors, and report and timesheet across doors as report and timesheet do for one card.

#include "commands.h"

#include "archive/statistics.h"
#include "archive/timesheet.h"
#include "archive/timesheet_export.h"
#include "base/errors.h"
#include "base/text_file.h"
#include "lang/language_table.h"
#include "site/site_archive.h"
#include "site/site_database.h"
#include "site/site_import.h"

#include <QRegularExpression>
#include <cstdio>
#include <optional>

namespace qtxctl {

namespace {

const char* const SiteHelp =
    "usage: qtxctl site import [--db LOCATION] [--progress] --door NAME CARD_DIR\n"
    "       qtxctl site doors [--db LOCATION] [--json]\n"
    "       qtxctl site report --month YYYY-MM [--door NAME]... [--mode MODE] [--user NNNN] [--json]\n"
    "                          [--db LOCATION]\n"
    "       qtxctl site timesheet --month YYYY-MM [--door NAME]... [--mode MODE] [--seconds]\n"
    "                          [--format csv|xlsx] [--lang pl|en] [-o FILE] [--db LOCATION]\n"
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
    "timesheet  as 'qtxctl timesheet', over the chosen doors.\n"
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
    "  --month, --mode, --user, --json, --seconds, --format, --lang, -o\n"
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

struct SiteOptions {
    QString command;
    QString db;
    QStringList doors;
    QString folder;
    int year = 0;
    int month = 0;
    qtx::CountingMode mode = qtx::CountingMode::Daily;
    qtx::UserFilter filter;
    bool json = false;
    bool progress = false;
    bool seconds = false;
    bool xlsx = false;
    int language = qtx::Polish;
    QString output;
};

// Returns -1 when the command should run, else the exit status.
int Parse(const QStringList& arguments, SiteOptions& o)
{
    if (arguments.isEmpty())
        return Usage(QStringLiteral("no site command given"));
    o.command = arguments.first();
    if (o.command == QLatin1String("--help") || o.command == QLatin1String("-h")) {
        std::fputs(SiteHelp, stdout);
        return 0;
    }
    const QStringList commands{QStringLiteral("import"), QStringLiteral("doors"), QStringLiteral("report"),
                               QStringLiteral("timesheet")};
    if (!commands.contains(o.command))
        return Usage(QStringLiteral("unknown site command '%1'").arg(o.command));
    const bool monthly = o.command == QLatin1String("report") || o.command == QLatin1String("timesheet");
    bool haveMonth = false;
    for (int i = 1; i < arguments.size(); ++i) {
        QString arg = arguments[i];
        if (arg == QLatin1String("--help") || arg == QLatin1String("-h")) {
            std::fputs(SiteHelp, stdout);
            return 0;
        }
        if (arg == QLatin1String("--json") && o.command != QLatin1String("import")
            && o.command != QLatin1String("timesheet")) {
            o.json = true;
            continue;
        }
        if (arg == QLatin1String("--progress") && o.command == QLatin1String("import")) {
            o.progress = true;
            continue;
        }
        if (arg == QLatin1String("--seconds") && o.command == QLatin1String("timesheet")) {
            o.seconds = true;
            continue;
        }
        if (!arg.startsWith(QLatin1Char('-'))) {
            if (o.command != QLatin1String("import") || !o.folder.isEmpty())
                return Usage(QStringLiteral("unexpected argument '%1'").arg(arg));
            o.folder = arg;
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
            return Usage(QStringLiteral("%1 needs a value").arg(arg));
        }
        if (arg == QLatin1String("--db")) {
            o.db = value;
        } else if (arg == QLatin1String("--door") && o.command != QLatin1String("doors")) {
            if (value.trimmed().isEmpty())
                return Usage(QStringLiteral("--door needs a name"));
            o.doors.append(value);
        } else if (monthly && arg == QLatin1String("--month")) {
            static const QRegularExpression format(QStringLiteral("^(\\d{4})-(\\d{2})$"));
            const QRegularExpressionMatch m = format.match(value);
            o.year = m.hasMatch() ? m.captured(1).toInt() : 0;
            o.month = m.hasMatch() ? m.captured(2).toInt() : 0;
            if (o.year < 1 || o.month < 1 || o.month > 12)
                return Usage(QStringLiteral("--month must be YYYY-MM, got '%1'").arg(value));
            haveMonth = true;
        } else if (monthly && arg == QLatin1String("--mode")) {
            if (value == QLatin1String("daily"))
                o.mode = qtx::CountingMode::Daily;
            else if (value == QLatin1String("daynight"))
                o.mode = qtx::CountingMode::DayNight;
            else if (value == QLatin1String("span"))
                o.mode = qtx::CountingMode::DailyIgnoreIoType;
            else
                return Usage(QStringLiteral("--mode must be daily, daynight or span, got '%1'").arg(value));
        } else if (o.command == QLatin1String("report") && arg == QLatin1String("--user")) {
            o.filter = qtx::UserFilter::Number(qtx::ToCp1250(value.left(4)));
        } else if (o.command == QLatin1String("timesheet") && arg == QLatin1String("--format")) {
            if (value != QLatin1String("csv") && value != QLatin1String("xlsx"))
                return Usage(QStringLiteral("--format must be csv or xlsx, got '%1'").arg(value));
            o.xlsx = value == QLatin1String("xlsx");
        } else if (o.command == QLatin1String("timesheet") && arg == QLatin1String("--lang")) {
            if (value != QLatin1String("pl") && value != QLatin1String("en"))
                return Usage(QStringLiteral("--lang must be pl or en, got '%1'").arg(value));
            o.language = value == QLatin1String("en") ? qtx::English : qtx::Polish;
        } else if (o.command == QLatin1String("timesheet") && arg == QLatin1String("-o")) {
            if (value.isEmpty())
                return Usage(QStringLiteral("-o needs a file name"));
            o.output = value;
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
    if (monthly && !haveMonth)
        return Usage(QStringLiteral("--month is required"));
    if (o.xlsx && o.output.isEmpty())
        return Usage(QStringLiteral("--format xlsx needs -o FILE"));
    return -1;
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

int Report(qtx::SiteDatabase& db, const SiteOptions& o)
{
    qtx::SiteArchive archive;
    qtx::LoadSiteMonth(db, o.doors, o.year, o.month, archive);
    const qtx::MonthFigures figures =
        qtx::ComputeMonthFigures(archive.Store(), o.year, o.month, o.filter, o.mode, archive.Ports());
    const auto dateOf = [&o](int d) { return QDate(o.year, o.month, d).toString(QStringLiteral("yyyy-MM-dd")); };
    if (o.json) {
        for (int d = 1; d <= figures.days; ++d) {
            const qtx::DayFigures& day = figures.day[static_cast<std::size_t>(d - 1)];
            PrintJsonLine({{QStringLiteral("date"), dateOf(d)},
                           {QStringLiteral("hits"), day.hits},
                           {QStringLiteral("users"), day.users},
                           {QStringLiteral("seconds"), qint64(day.seconds)},
                           {QStringLiteral("time"), qtx::FormatDuration(day.seconds)}});
        }
        PrintJsonLine(
            {{QStringLiteral("month"),
              QStringLiteral("%1-%2").arg(o.year, 4, 10, QLatin1Char('0')).arg(o.month, 2, 10, QLatin1Char('0'))},
             {QStringLiteral("hits"), qint64(figures.hits)},
             {QStringLiteral("seconds"), qint64(figures.seconds)},
             {QStringLiteral("time"), qtx::FormatDuration(figures.seconds)}});
        return 0;
    }
    QString out = qtx::CsvRow({QStringLiteral("date"), QStringLiteral("hits"), QStringLiteral("users"),
                               QStringLiteral("seconds"), QStringLiteral("time")});
    for (int d = 1; d <= figures.days; ++d) {
        const qtx::DayFigures& day = figures.day[static_cast<std::size_t>(d - 1)];
        out += qtx::CsvRow({dateOf(d), QString::number(day.hits), QString::number(day.users),
                            QString::number(day.seconds), qtx::FormatDuration(day.seconds)});
    }
    out += qtx::CsvRow({QStringLiteral("total"), QString::number(figures.hits), QString(),
                        QString::number(figures.seconds), qtx::FormatDuration(figures.seconds)});
    return WriteOut(out.toUtf8());
}

int Timesheet(qtx::SiteDatabase& db, const SiteOptions& o)
{
    qtx::SiteArchive archive;
    qtx::LoadSiteMonth(db, o.doors, o.year, o.month, archive);
    const qtx::Timesheet sheet =
        qtx::ComputeTimesheet(archive.Store(), o.year, o.month, o.mode, archive.Ports(), archive.Names());
    if (o.xlsx) {
        qtx::LanguageTable table;
        table.LoadLanguageFile(QStringLiteral(":/lang/lang.txt"));
        table.SetLanguageIndex(o.language);
        qtx::WriteTimesheetXlsx(o.output, sheet, archive.Store(), qtx::UserFilter::All(), archive.Names(),
                                qtx::TimesheetTextsOf(table), qtx::TimesheetHeading{});
        return 0;
    }
    const QByteArray csv = qtx::TimesheetCsv(sheet, o.seconds);
    if (!o.output.isEmpty()) {
        qtx::WriteWholeFile(o.output, csv);
        return 0;
    }
    return WriteOut(csv);
}

} // namespace

int RunSite(const QStringList& arguments)
{
    SiteOptions options;
    const int status = Parse(arguments, options);
    if (status >= 0)
        return status;
    const QString name = QStringLiteral("qtxctl site ") + options.command;
    try {
        qtx::SiteDatabase db(qtx::ResolveSiteLocation(options.db));
        if (options.command == QLatin1String("import"))
            return Import(db, options);
        if (options.command == QLatin1String("doors"))
            return Doors(db, options);
        if (options.command == QLatin1String("report"))
            return Report(db, options);
        return Timesheet(db, options);
    } catch (const qtx::SiteConnectionError& e) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(name), e.message().toLocal8Bit().constData());
        return 2;
    } catch (const qtx::Error& e) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(name), e.message().toLocal8Bit().constData());
        return 1;
    }
}

} // namespace qtxctl
