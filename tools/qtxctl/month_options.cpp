#include "month_options.h"

#include "commands.h"

#include "base/errors.h"
#include "base/paths.h"
#include "base/text_file.h"
#include "config/config_files.h"
#include "lang/language_table.h"

#include <QRegularExpression>
#include <cstdio>

namespace qtxctl {

bool TakeOptionValue(const QStringList& arguments, int& i, QString& name, QString& value)
{
    const qsizetype eq = name.indexOf(QLatin1Char('='));
    if (eq >= 0) {
        value = name.mid(eq + 1);
        name = name.left(eq);
        return true;
    }
    if (i + 1 >= arguments.size())
        return false;
    value = arguments[++i];
    return true;
}

int MonthUsageError(const MonthCommand& command, const QString& message)
{
    std::fprintf(stderr, "qtxctl %s: %s\n\n%s", qPrintable(command.name), qPrintable(message), command.help);
    return 2;
}

int ParseMonthOptions(const MonthCommand& command, const QStringList& arguments, MonthOptions& options,
                      const OwnOption& own)
{
    const auto usage = [&command](const QString& message) { return MonthUsageError(command, message); };
    bool haveMonth = false;
    for (int i = 0; i < arguments.size(); ++i) {
        QString arg = arguments[i];
        if (arg == QLatin1String("--help") || arg == QLatin1String("-h")) {
            std::fputs(command.help, stdout);
            return 0;
        }
        if (command.flags.contains(arg)) {
            const QString error = own(arg, QString());
            if (!error.isEmpty())
                return usage(error);
            continue;
        }
        if (!arg.startsWith(QLatin1Char('-')) || arg == QLatin1String("-")) {
            if (!command.workspace)
                return usage(QStringLiteral("unexpected argument '%1'").arg(arg));
            if (!options.workspace.isEmpty())
                return usage(QStringLiteral("more than one workspace folder given"));
            options.workspace = arg;
            continue;
        }
        QString value;
        if (!TakeOptionValue(arguments, i, arg, value))
            return usage(QStringLiteral("%1 needs a value").arg(arg));
        if (arg == QLatin1String("--month")) {
            static const QRegularExpression format(QStringLiteral("^(\\d{4})-(\\d{2})$"));
            const QRegularExpressionMatch m = format.match(value);
            options.year = m.hasMatch() ? m.captured(1).toInt() : 0;
            options.month = m.hasMatch() ? m.captured(2).toInt() : 0;
            if (options.year < 1 || options.month < 1 || options.month > 12)
                return usage(QStringLiteral("--month must be YYYY-MM, got '%1'").arg(value));
            haveMonth = true;
        } else if (arg == QLatin1String("--mode")) {
            if (value == QLatin1String("daily"))
                options.mode = qtx::CountingMode::Daily;
            else if (value == QLatin1String("daynight"))
                options.mode = qtx::CountingMode::DayNight;
            else if (value == QLatin1String("span"))
                options.mode = qtx::CountingMode::DailyIgnoreIoType;
            else
                return usage(QStringLiteral("--mode must be daily, daynight or span, got '%1'").arg(value));
        } else if (arg == QLatin1String("--entrance")) {
            options.entrance = value;
        } else if (arg == QLatin1String("--exit")) {
            options.exit = value;
        } else if (command.valued.contains(arg)) {
            const QString error = own(arg, value);
            if (!error.isEmpty())
                return usage(error);
        } else {
            return usage(QStringLiteral("unknown option %1").arg(arg));
        }
    }
    if (!haveMonth)
        return usage(QStringLiteral("--month is required"));
    if (command.workspace && options.workspace.isEmpty())
        return usage(QStringLiteral("no workspace folder given"));
    return -1;
}

qtx::PortNames ResolvePorts(const MonthOptions& options)
{
    qtx::PortNames ports;
    if (!options.entrance || !options.exit) {
        const qtx::ConfigReport report =
            qtx::ReadConfigReportFile(qtx::WithTrailingChar(options.workspace, QLatin1Char('/')) + qtx::ReportFileName);
        ports.entrance = report.port0Name;
        ports.exit = report.port1Name;
    }
    if (options.entrance)
        ports.entrance = qtx::ToCp1250(*options.entrance);
    if (options.exit)
        ports.exit = qtx::ToCp1250(*options.exit);
    return ports;
}

bool LoadMonthFiles(qtx::EventStore& store, const QString& command, const MonthOptions& options)
{
    const QDate first(options.year, options.month, 1);
    bool skipped = false;
    qtx::LoadEventFolderDays(store, options.workspace, first.addDays(-1), first.addMonths(1).addDays(-1),
                             [&](const QString& name) {
                                 skipped = true;
                                 std::fprintf(stderr, "qtxctl %s: warning: skipped %s: the file name is not a date\n",
                                              qPrintable(command), qPrintable(name));
                             });
    return skipped;
}

QString WorkspaceDeviceName(const QString& workspace)
{
    try {
        return qtx::FromCp1250(
            qtx::ReadConfigReportFile(qtx::WithTrailingChar(workspace, QLatin1Char('/')) + qtx::ReportFileName)
                .deviceName);
    } catch (const qtx::Error&) {
        return {};
    }
}

QStringList ReportFlags()
{
    return {QStringLiteral("--json")};
}

QStringList ReportValued()
{
    return {QStringLiteral("--user")};
}

QString TakeReportOption(ReportOptions& options, const QString& option, const QString& value)
{
    if (option == QLatin1String("--json"))
        options.json = true;
    else
        options.filter = qtx::UserFilter::Number(qtx::ToCp1250(value.left(4)));
    return {};
}

int PrintMonthReport(const qtx::MonthFigures& figures, const ReportOptions& options, int done)
{
    const auto dateOf = [&options](int d) {
        return QDate(options.year, options.month, d).toString(QStringLiteral("yyyy-MM-dd"));
    };
    if (options.json) {
        for (int d = 1; d <= figures.days; ++d) {
            const qtx::DayFigures& day = figures.day[static_cast<std::size_t>(d - 1)];
            PrintJsonLine({{QStringLiteral("date"), dateOf(d)},
                           {QStringLiteral("hits"), day.hits},
                           {QStringLiteral("users"), day.users},
                           {QStringLiteral("seconds"), qint64(day.seconds)},
                           {QStringLiteral("time"), qtx::FormatDuration(day.seconds)}});
        }
        PrintJsonLine({{QStringLiteral("month"), QStringLiteral("%1-%2")
                                                     .arg(options.year, 4, 10, QLatin1Char('0'))
                                                     .arg(options.month, 2, 10, QLatin1Char('0'))},
                       {QStringLiteral("hits"), qint64(figures.hits)},
                       {QStringLiteral("seconds"), qint64(figures.seconds)},
                       {QStringLiteral("time"), qtx::FormatDuration(figures.seconds)}});
        return done;
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
    const QByteArray utf8 = out.toUtf8();
    std::fwrite(utf8.constData(), 1, static_cast<std::size_t>(utf8.size()), stdout);
    return std::fflush(stdout) == 0 ? done : 1;
}

QStringList TimesheetFlags()
{
    return {QStringLiteral("--seconds"), QStringLiteral("--excel"), QStringLiteral("--active-only")};
}

QStringList TimesheetValued()
{
    return {QStringLiteral("--format"), QStringLiteral("--lang"), QStringLiteral("-o")};
}

QString TakeTimesheetOption(TimesheetOptions& options, const QString& option, const QString& value)
{
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
    return {};
}

QString TimesheetOptionsError(const TimesheetOptions& options)
{
    return options.xlsx && options.output.isEmpty() ? QStringLiteral("--format xlsx needs -o FILE") : QString();
}

qtx::TimesheetRows TimesheetRowsOf(const TimesheetOptions& options)
{
    return options.activeOnly ? qtx::TimesheetRows::Active : qtx::TimesheetRows::EveryListedUser;
}

namespace {

// The interface texts, from the copy of lang.txt built into the program.
qtx::LanguageTable Texts(int language)
{
    qtx::LanguageTable table;
    table.LoadLanguageFile(QStringLiteral(":/lang/lang.txt"));
    table.SetLanguageIndex(language);
    return table;
}

// The workbook's heading, worded as the archive window words it; every entrance and every exit
// is named (a site's doors each have their own).
qtx::TimesheetHeading Heading(const qtx::LanguageTable& t, const TimesheetOptions& options, const qtx::PortNames& ports,
                              const TimesheetSource& source)
{
    static const char* const months[] = {"JANUARY", "FEBRUARY", "MARCH",     "APRIL",   "MAY",      "JUNE",
                                         "JULY",    "AUGUST",   "SEPTEMBER", "OCTOBER", "NOVEMBER", "DECEMBER"};
    static const char* const modes[] = {"DAILY", "DAY/NIGHT", "DAILY (IGNORE I/O TYPE)"};
    qtx::TimesheetHeading heading;
    heading.deviceName = source.deviceName;
    heading.folder = source.folder;
    heading.month =
        t.Lower(QLatin1String(months[options.month - 1])) + QLatin1Char(' ') + QString::number(options.year);
    heading.countingMode = t.Lower(QLatin1String(modes[static_cast<int>(options.mode)]));
    qtx::SetHeadingPorts(heading, ports);
    heading.filter = t.GetSentence(QStringLiteral("ALL"));
    return heading;
}

} // namespace

int WriteMonthTimesheet(const qtx::Timesheet& sheet, const qtx::EventStore& store, const qtx::UserNames& names,
                        const TimesheetOptions& options, const qtx::PortNames& ports, const TimesheetSource& source,
                        int done)
{
    const qtx::LanguageTable texts = Texts(options.language);
    if (options.xlsx) {
        qtx::WriteTimesheetXlsx(options.output, sheet, store, qtx::UserFilter::All(), names,
                                qtx::TimesheetTextsOf(texts), Heading(texts, options, ports, source));
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
}

} // namespace qtxctl
