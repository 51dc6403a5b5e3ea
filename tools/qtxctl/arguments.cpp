#include "arguments.h"

#include "commands.h"

#include <algorithm>
#include <cstdio>

namespace qtxctl {

std::function<QString(const QString&)> Sets(bool& flag)
{
    return [&flag](const QString&) {
        flag = true;
        return QString();
    };
}

std::function<QString(const QString&)> Stores(QString& value)
{
    return [&value](const QString& given) {
        value = given;
        return QString();
    };
}

std::function<QString(const QString&)> Chooses(const char* option, const QStringList& words,
                                               const std::function<void(int)>& chosen)
{
    return [option, words, chosen](const QString& value) {
        const qsizetype at = words.indexOf(value);
        if (at >= 0) {
            chosen(static_cast<int>(at));
            return QString();
        }
        return QStringLiteral("%1 must be %2 or %3, got '%4'")
            .arg(QLatin1String(option), words.mid(0, words.size() - 1).join(QStringLiteral(", ")), words.last(), value);
    };
}

int UsageError(const Command& command, const QString& message)
{
    const qsizetype end = command.help.indexOf(QLatin1String("\n\n"));
    Say(command.name, Printable(message) + QLatin1Char('\n') + command.help.left(end < 0 ? -1 : end + 1).trimmed());
    return 2;
}

Parsed Parse(const Command& command, const QStringList& arguments)
{
    const auto usage = [&command](const QString& message) { return Parsed{UsageError(command, message), {}}; };
    Parsed parsed;
    std::vector<bool> given(command.options.size(), false);
    bool optionsEnded = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (optionsEnded || !argument.startsWith(QLatin1Char('-')) || argument == QLatin1String("-")) {
            parsed.positional.append(argument);
            continue;
        }
        if (argument == QLatin1String("--")) {
            optionsEnded = true;
            continue;
        }
        if (argument == QLatin1String("--help") || argument == QLatin1String("-h")) {
            std::fputs(qPrintable(command.help), stdout);
            return {0, {}};
        }
        const qsizetype eq = argument.indexOf(QLatin1Char('='));
        const QString name = argument.left(eq);
        const auto option = std::find_if(command.options.begin(), command.options.end(),
                                         [&name](const Option& o) { return name == QLatin1String(o.name); });
        if (option == command.options.end())
            return usage(QStringLiteral("unknown option '%1'").arg(name));
        QString value;
        if (option->value == nullptr && eq >= 0)
            return usage(QStringLiteral("%1 takes no value").arg(name));
        if (option->value != nullptr && eq >= 0)
            value = argument.mid(eq + 1);
        else if (option->value != nullptr && i + 1 < arguments.size())
            value = arguments[++i];
        else if (option->value != nullptr)
            return usage(QStringLiteral("%1 needs a value").arg(name));
        if (const QString error = option->take(value); !error.isEmpty())
            return usage(error);
        given[static_cast<std::size_t>(option - command.options.begin())] = true;
    }
    for (std::size_t o = 0; o < given.size(); ++o) {
        if (command.options[o].required && !given[o])
            return usage(QStringLiteral("%1 %2 is required")
                             .arg(QLatin1String(command.options[o].name), QLatin1String(command.options[o].value)));
    }
    if (parsed.positional.size() > command.positional.size())
        return usage(QStringLiteral("unexpected argument '%1'").arg(parsed.positional[command.positional.size()]));
    if (parsed.positional.size() < command.positional.size())
        return usage(QStringLiteral("%1 is missing").arg(command.positional[parsed.positional.size()]));
    return parsed;
}

QString GeneratedHelp(const QString& usage, const QString& description, const std::vector<Option>& options)
{
    constexpr int Indent = 18;
    const auto line = [](const QString& names, const char* help) {
        return QStringLiteral("  %1").arg(names, -Indent + 2)
               + QString::fromLatin1(help).replace(QLatin1Char('\n'), QLatin1Char('\n') + QString(Indent, u' '))
               + QLatin1Char('\n');
    };
    QString text = QStringLiteral("usage: qtxctl %1\n\n%2\n\nOptions:\n").arg(usage, description)
                   + line(QStringLiteral("-h, --help"), "Show this help.");
    for (const Option& option : options) {
        const QString value = option.value != nullptr ? QLatin1Char(' ') + QLatin1String(option.value) : QString();
        text += line(QLatin1String(option.name) + value, option.help);
    }
    return text;
}

std::vector<Option> Joined(std::vector<Option> first, const std::vector<Option>& second)
{
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

} // namespace qtxctl
