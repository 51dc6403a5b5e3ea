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

namespace {

// The options every month command has.
std::vector<Option> MonthOptionsOf(MonthOptions& options)
{
    return {{.name = "--month",
             .value = "YYYY-MM",
             .required = true,
             .take =
                 [&options](const QString& value) {
                     static const QRegularExpression format(QStringLiteral("^(\\d{4})-(\\d{2})$"));
                     const QRegularExpressionMatch m = format.match(value);
                     options.year = m.hasMatch() ? m.captured(1).toInt() : 0;
                     options.month = m.hasMatch() ? m.captured(2).toInt() : 0;
                     if (options.year < 1 || options.month < 1 || options.month > 12)
                         return QStringLiteral("--month must be YYYY-MM, got '%1'").arg(value);
                     return QString();
                 }},
            {.name = "--mode",
             .value = "MODE",
             .take = Chooses("--mode", {QStringLiteral("daily"), QStringLiteral("daynight"), QStringLiteral("span")},
                             [&options](int at) { options.mode = qtx::CountingModeAt(at).value_or(options.mode); })},
            {.name = "--entrance",
             .value = "NAME",
             .take =
                 [&options](const QString& value) {
                     options.entrance = value;
                     return QString();
                 }},
            {.name = "--exit", .value = "NAME", .take = [&options](const QString& value) {
                 options.exit = value;
                 return QString();
             }}};
}

} // namespace

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
    qtx::LoadEventFolderDays(
        store, options.workspace, first.addDays(-1), first.addMonths(1).addDays(-1), [&](const QString& name) {
            skipped = true;
            Say(command, QStringLiteral("warning: skipped %1: the file name is not a date").arg(name));
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

std::vector<Option> ReportOptionsOf(ReportOptions& options)
{
    return Joined(MonthOptionsOf(options), {{.name = "--user",
                                             .value = "NNNN",
                                             .take =
                                                 [&options](const QString& value) {
                                                     options.filter =
                                                         qtx::UserFilter::Number(qtx::ToCp1250(value.left(4)));
                                                     return QString();
                                                 }},
                                            {.name = "--json", .take = Sets(options.json)}});
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

std::vector<Option> TimesheetOptionsOf(TimesheetOptions& options)
{
    return Joined(MonthOptionsOf(options),
                  {{.name = "--seconds", .take = Sets(options.seconds)},
                   {.name = "--excel", .take = Sets(options.excel)},
                   {.name = "--active-only",
                    .take =
                        [&options](const QString&) {
                            options.rows = qtx::TimesheetRows::Active;
                            return QString();
                        }},
                   {.name = "--format",
                    .value = "FORMAT",
                    .take = Chooses("--format", {QStringLiteral("csv"), QStringLiteral("xlsx")},
                                    [&options](int at) { options.xlsx = at == 1; })},
                   {.name = "--lang",
                    .value = "LANG",
                    .take = Chooses("--lang", {QStringLiteral("pl"), QStringLiteral("en")},
                                    [&options](int at) { options.language = at == 1 ? qtx::English : qtx::Polish; })},
                   {.name = "-o", .value = "FILE", .take = [&options](const QString& value) {
                        options.output = value;
                        return value.isEmpty() ? QStringLiteral("-o needs a file name") : QString();
                    }}});
}

QString TimesheetOptionsError(const TimesheetOptions& options)
{
    return options.xlsx && options.output.isEmpty() ? QStringLiteral("--format xlsx needs -o FILE") : QString();
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
