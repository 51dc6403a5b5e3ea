#include "month_options.h"

#include "base/errors.h"
#include "base/paths.h"
#include "base/text_file.h"
#include "config/config_files.h"

#include <QRegularExpression>
#include <cstdio>

namespace qtxctl {

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
            if (!options.workspace.isEmpty())
                return usage(QStringLiteral("more than one workspace folder given"));
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
            return usage(QStringLiteral("%1 needs a value").arg(arg));
        }
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
    if (options.workspace.isEmpty())
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

} // namespace qtxctl
