#pragma once
// The one command-line parser of qtxctl: every command declares its options and positional
// arguments, and Parse reads the operator's arguments by that declaration.

#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

namespace qtxctl {

struct Option {
    const char* name;            // "--month", "-o"
    const char* value = nullptr; // the value's name ("YYYY-MM"); none for an option without a value
    const char* help = nullptr;  // its lines in a generated help, "\n" between them
    bool required = false;
    // Takes the value (empty for an option without one), each time the option is given; returns
    // the error of a wrong value, or an empty text.
    std::function<QString(const QString& value)> take;
};

// The takes of the plainest options: one that sets a flag, one that keeps the value.
std::function<QString(const QString&)> Sets(bool& flag);
std::function<QString(const QString&)> Stores(QString& value);
// The take of an option whose value is one of a few words: chosen gets the word's place in the
// list; any other value is refused, naming the option and the words.
std::function<QString(const QString&)> Chooses(const char* option, const QStringList& words,
                                               const std::function<void(int)>& chosen);

struct Command {
    QString name;                // "report", "site import"
    QString help;                // the whole --help text; its first paragraph is the usage
    std::vector<Option> options; // -h and --help come with every command
    QStringList positional = {}; // the names of the positional arguments, each required
};

struct Parsed {
    int status = -1;        // >= 0: the command ends with it now (0 after --help, 2 after a usage error)
    QStringList positional; // one for each name the command declares
};

// Options in any order, "--name value" or "--name=value"; "-" is a positional argument and "--"
// makes every argument after it one. A usage error is said on standard error with the usage.
Parsed Parse(const Command& command, const QStringList& arguments);

// Says the message and the command's usage on standard error; returns 2.
int UsageError(const Command& command, const QString& message);

// A help text: the usage line, the description, then each option's help lines.
QString GeneratedHelp(const QString& usage, const QString& description, const std::vector<Option>& options);

// The options joined into one list.
std::vector<Option> Joined(std::vector<Option> first, const std::vector<Option>& second);

} // namespace qtxctl
