// qtxctl ports, list, download, get, sync, delete, upload: the recorder over the serial link,
// driven by the same link engine as the windows, on the same 2 ms and 100 ms timers.

#include "arguments.h"
#include "commands.h"

#include "base/errors.h"
#include "base/paths.h"
#include "base/text_file.h"
#include "lang/language_table.h"
#include "link/port_names.h"
#include "link/sync.h"
#include "link/wire_format.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QJsonObject>
#include <QMap>
#include <cstdio>
#include <cstring>
#include <optional>
#include <unistd.h>

namespace qtxctl {

namespace {

constexpr int ExitOk = 0;
constexpr int ExitNoLink = 1;
constexpr int ExitIncomplete = 2;
constexpr qint64 ListSilenceMs = 10000;
constexpr int DefaultTimeoutSeconds = 30;
constexpr double MaxTimeoutSeconds = 1e9;

void Err(const QString& text)
{
    std::fputs(qPrintable(text + QLatin1Char('\n')), stderr);
    std::fflush(stderr);
}

void Out(const QString& text)
{
    std::fputs(qPrintable(text + QLatin1Char('\n')), stdout);
    std::fflush(stdout);
}

// A name as the terminal may show it.
QString Shown(const QByteArray& name)
{
    return Printable(qtx::FromCp1250(name));
}

// An interface text in the command line's language (English), from the built-in lang.txt.
QString Text(const QString& key)
{
    static const qtx::LanguageTable table = [] {
        qtx::LanguageTable loaded;
        loaded.LoadLanguageFile(QStringLiteral(":/lang/lang.txt"));
        loaded.SetLanguageIndex(qtx::English);
        return loaded;
    }();
    return table.Lower(key);
}

// A link command: its usage, and which of the link options it takes.
struct LinkCommand {
    const char* name;
    const char* synopsis;
    const char* description;
    QStringList positional = {};
    bool port = true;
    bool to = false;
    bool timeout = false;
    bool json = false;
    bool fullCheck = false;
};

struct LinkOptions {
    int status = -1; // >= 0: the command ends with it now
    QString command;
    QString port;
    QString to = qtx::DownloadDir();
    qint64 timeoutMs = qint64{DefaultTimeoutSeconds} * 1000;
    bool timeoutSet = false;
    bool verbose = false;
    bool json = false;
    bool fullCheck = false;
    QStringList positional = {};
};

LinkOptions ParseLink(const LinkCommand& command, const QStringList& arguments)
{
    LinkOptions options;
    std::vector<Option> declared;
    if (command.port)
        declared.push_back({.name = "--port",
                            .value = "COMn",
                            .help = "The serial port: COMn (see qtxctl ports), a device path, or a\n"
                                    "network port rfc2217://HOST:PORT or tcp://HOST:PORT.",
                            .required = true,
                            .take = [&options](const QString& value) {
                                options.port = value;
                                return value.isEmpty() ? QStringLiteral("--port needs a port name") : QString();
                            }});
    if (command.to)
        declared.push_back({.name = "--to",
                            .value = "DIR",
                            .help = "Folder that receives the files (default: the manager's card folder).",
                            .take = Stores(options.to)});
    if (command.timeout)
        declared.push_back({.name = "--timeout",
                            .value = "S",
                            .help = command.to ? "End the run when nothing arrives for S seconds (default 30); the\n"
                                                 "list answer waits S seconds when given, else 10."
                                               : "Give up when nothing arrives for S seconds (default: 10 for the\n"
                                                 "list answer, 30 for a transfer).",
                            .take = [&options](const QString& value) {
                                bool ok = false;
                                const double seconds = value.toDouble(&ok);
                                // Also refuses "nan" and "inf", and times whose milliseconds would overflow.
                                if (!ok || !(seconds > 0 && seconds <= MaxTimeoutSeconds))
                                    return QStringLiteral("--timeout needs a positive number of seconds");
                                options.timeoutMs = static_cast<qint64>(seconds * 1000);
                                options.timeoutSet = true;
                                return QString();
                            }});
    if (command.json)
        declared.push_back({.name = "--json",
                            .help = "One JSON object per line on stdout (fields above); messages stay\n"
                                    "on stderr.",
                            .take = Sets(options.json)});
    if (command.fullCheck)
        declared.push_back({.name = "--full-check",
                            .help = "Ask for every listed file, older days' event files too.",
                            .take = Sets(options.fullCheck)});
    if (command.port)
        declared.push_back(
            {.name = "--verbose", .help = "Print the link log on stderr.", .take = Sets(options.verbose)});
    const QString name = QLatin1String(command.name);
    const Parsed result = Parse({.name = name,
                                 .help = GeneratedHelp(name + QLatin1Char(' ') + QLatin1String(command.synopsis),
                                                       QLatin1String(command.description), declared),
                                 .options = declared,
                                 .positional = command.positional},
                                arguments);
    options.status = result.status;
    options.command = name;
    options.positional = result.positional;
    return options;
}

// Why the port did not open, from what the port recorded of its last attempt.
QString PortFailure(const QString& port, const qtx::TCOMSocket& socket)
{
    const QString device = socket.Device();
    const QString which = device.isEmpty() || device == port ? port : QStringLiteral("%1 (%2)").arg(port, device);
    const QString head = QStringLiteral("cannot open %1: ").arg(which);
    switch (socket.Problem()) {
    case qtx::PortProblem::NotAName:
        return QStringLiteral("'%1' is neither a port name (COM followed by a number), a device path nor a network "
                              "port (rfc2217://HOST:PORT, tcp://HOST:PORT)")
            .arg(port);
    case qtx::PortProblem::NoDevice:
        return QStringLiteral("no device for %1 (set QTX_COM%2 to its device, or give --port the device path)")
            .arg(port)
            .arg(socket.PortNumber());
    case qtx::PortProblem::Missing:
        return head + QStringLiteral("the device does not exist (is the adapter plugged in?)");
    case qtx::PortProblem::Permission:
        return head
               + QStringLiteral("permission denied; add your user to the dialout group "
                                "(sudo adduser $USER dialout), then log in again");
    case qtx::PortProblem::Busy:
        return head + QStringLiteral("the port is busy: another program holds it");
    case qtx::PortProblem::NotSerial:
        return head + QStringLiteral("not a serial port");
    case qtx::PortProblem::Other:
        return head + QString::fromLocal8Bit(std::strerror(socket.SystemError()));
    case qtx::PortProblem::NameNotFound:
        return head + QStringLiteral("the host name was not found");
    case qtx::PortProblem::ConnectionRefused:
        return head + QStringLiteral("the server refused the connection");
    case qtx::PortProblem::HostUnreachable:
        return head + QStringLiteral("the host cannot be reached");
    case qtx::PortProblem::ServerClosed:
        return head + QStringLiteral("the server closed the connection");
    case qtx::PortProblem::SettingsRefused:
        return head + QStringLiteral("the server refused the port settings (115200 8N1, no flow control)");
    case qtx::PortProblem::None:
        break;
    }
    return head + QStringLiteral("the port did not take its line settings");
}

// The wait for the list answer: --timeout when given, else the usual 10 seconds.
qint64 ListWaitMs(const LinkOptions& options)
{
    return options.timeoutSet ? options.timeoutMs : ListSilenceMs;
}

// A fetch session on the command's port; on failure says why on standard error.
bool Open(qtx::FetchSession& session, const LinkOptions& options)
{
    if (options.verbose)
        session.onLog = [](const QString& text) { Err(QStringLiteral("link: ") + text); };
    if (session.Link().OpenLink(options.port, 1))
        return true;
    Say(options.command, PortFailure(options.port, session.Link().Port()));
    return false;
}

// The card's names, or nothing (said on standard error, with the exit status in *status) when
// the recorder did not answer (1) or the port carries a device that talks but is no recorder (2).
std::optional<QList<QByteArray>> ReadList(qtx::FetchSession& session, const LinkOptions& options, int* status)
{
    qtx::FetchSession::ListEnd end = qtx::FetchSession::ListEnd::Listed;
    auto names = session.ReadList(ListWaitMs(options), &end);
    *status = ExitOk;
    if (end == qtx::FetchSession::ListEnd::Silent) {
        Say(options.command, QStringLiteral("the recorder on %1 did not answer the list request within %2 seconds")
                                 .arg(options.port)
                                 .arg(double(ListWaitMs(options)) / 1000.0));
        *status = ExitNoLink;
    } else if (end != qtx::FetchSession::ListEnd::Listed) {
        const QString what = end == qtx::FetchSession::ListEnd::NotRecorder
                                 ? QStringLiteral("it answered the list request with no recorder's reply")
                                 : QStringLiteral("its answer to the list request has no end");
        Say(options.command,
            QStringLiteral("%1 (%2 on %3)")
                .arg(Text(QStringLiteral("THIS DEVICE IS NOT A %1 RECORDER")).arg(QStringLiteral("QTX")), what,
                     options.port));
        *status = ExitIncomplete;
    }
    return names;
}

// Opens the command's port and reads the card's names; nothing (said on standard error, the
// exit status in *status, the port closed) when either fails.
std::optional<QList<QByteArray>> OpenAndList(qtx::FetchSession& session, const LinkOptions& options, int* status)
{
    if (!Open(session, options)) {
        *status = ExitNoLink;
        return std::nullopt;
    }
    auto names = ReadList(session, options, status);
    if (!names)
        session.Link().CloseLink();
    return names;
}

// A name the recorder can only be asked for in a shorter form (8.3: up to the first "." and
// three more characters) would name another file; says so, naming both forms.
bool RequestNamesIt(const QString& command, const QByteArray& name)
{
    const QByteArray argument = qtx::wire::RequestArgument(name);
    if (argument == name)
        return true;
    Say(command, QStringLiteral("%1 can only be asked for as %2: %3")
                     .arg(Shown(name), Shown(argument), Text(QStringLiteral("THE REQUEST WOULD NAME ANOTHER FILE"))));
    return false;
}

// The listed name that a name given by the operator means: the same bytes, else the one that
// differs only in letter case (the card is case-blind).
std::optional<QByteArray> FindListed(const QList<QByteArray>& names, const QByteArray& name)
{
    if (names.contains(name))
        return name;
    for (const QByteArray& listed : names) {
        if (listed.compare(name, Qt::CaseInsensitive) == 0)
            return listed;
    }
    return std::nullopt;
}

// The listed file the operator's NAME means, when the recorder can be asked for it by name;
// otherwise says why and closes the port (exit status 1).
std::optional<QByteArray> ListedToAsk(qtx::FetchSession& session, const LinkOptions& options,
                                      const QList<QByteArray>& names)
{
    const QString& name = options.positional[0];
    auto listed = FindListed(names, qtx::ToCp1250(name));
    if (listed && RequestNamesIt(options.command, *listed))
        return listed;
    session.Link().CloseLink();
    if (!listed)
        Say(options.command, QStringLiteral("%1 is not on the recorder's card").arg(Printable(name)));
    return std::nullopt;
}

// --to DIR: created when missing; a file in its place is named as such.
bool PrepareTarget(const LinkOptions& options)
{
    const QFileInfo info(options.to);
    if (info.exists() && !info.isDir()) {
        Say(options.command, QStringLiteral("%1 is not a folder").arg(options.to));
        return false;
    }
    if (!QDir().mkpath(options.to)) {
        Say(options.command, QStringLiteral("cannot create the folder %1").arg(options.to));
        return false;
    }
    return true;
}

// Per-file lines on stderr with a bar on a terminal, and the names stored and not stored.
class FileReport {
public:
    explicit FileReport(qtx::FetchSession& session)
    {
        session.onStart = [this](const qtx::SyncItem& item, int index, int count) {
            counter_ = QStringLiteral("%1 / %2").arg(index + 1).arg(count);
            current_ = Printable(item.name);
            Bar(0);
        };
        session.onProgress = [this](int percent) { Bar(percent); };
    }

    // A finished file: its line on stderr, and its name in the stored or not stored list.
    void Done(const qtx::SyncResult& result, const QString& stored)
    {
        Wipe();
        const QString prefix = counter_.isEmpty() || result.name != current_
                                   ? QString()
                                   : QLatin1Char('[') + counter_ + QStringLiteral("] ");
        if (result.state == qtx::SyncResult::NotStored) {
            notStored.append(Printable(result.name));
            Err(prefix + Printable(result.name) + QStringLiteral(": not stored: ") + Printable(result.error));
        } else if (!stored.isEmpty()) {
            storedNames.append(Printable(result.name));
            Err(prefix + Printable(result.name) + QStringLiteral(": ") + stored);
        }
    }

    // The end of a run cut short: what was stored and what was not.
    void Gone(const LinkOptions& options, const qtx::TCOMSocket& socket) const
    {
        const QString why = socket.Problem() == qtx::PortProblem::ServerClosed
                                ? QStringLiteral(" (the server closed the connection)")
                                : QString();
        Say(options.command,
            QStringLiteral("the recorder on %1 stopped answering%2; the run ended").arg(options.port, why));
        Say(options.command,
            QStringLiteral("stored: ")
                + (storedNames.isEmpty() ? QStringLiteral("none") : storedNames.join(QStringLiteral(", "))));
        Say(options.command, QStringLiteral("not stored: ") + notStored.join(QStringLiteral(", ")));
    }

    QStringList storedNames;
    QStringList notStored;

private:
    void Bar(int percent)
    {
        if (!isatty(STDERR_FILENO))
            return;
        constexpr int Width = 30;
        const int filled = qBound(0, percent, 100) * Width / 100;
        std::fprintf(stderr, "\r\033[K[%s] %s [%s%s] %3d%%", qPrintable(counter_), qPrintable(current_),
                     QByteArray(filled, '#').constData(), QByteArray(Width - filled, ' ').constData(), percent);
        std::fflush(stderr);
    }
    static void Wipe()
    {
        if (isatty(STDERR_FILENO))
            std::fputs("\r\033[K", stderr);
    }

    QString counter_;
    QString current_;
};

// download and get: the plan's files fetched whole, NAME<TAB>SIZE for each stored one.
int FetchWhole(const LinkOptions& options, qtx::FetchSession& session, const QList<qtx::SyncItem>& plan)
{
    FileReport report(session);
    session.onResult = [&](const qtx::SyncResult& result) {
        const bool stored = result.state != qtx::SyncResult::NotStored;
        report.Done(result, QStringLiteral("%1 bytes").arg(result.size));
        if (options.json) {
            QJsonObject line{{QStringLiteral("name"), result.name},
                             {QStringLiteral("listed"), qtx::FromCp1250(result.listed)},
                             {QStringLiteral("stored"), stored}};
            if (stored)
                line.insert(QStringLiteral("size"), result.size);
            else
                line.insert(QStringLiteral("error"), result.error);
            PrintJsonLine(line);
        } else if (stored) {
            Out(Printable(result.name) + QLatin1Char('\t') + QString::number(result.size));
        }
    };
    const qtx::FetchSession::End end = session.Fetch(plan, options.to, options.timeoutMs);
    session.Link().CloseLink();
    if (end == qtx::FetchSession::End::RecorderGone) {
        report.Gone(options, session.Link().Port());
        return ExitIncomplete;
    }
    if (!report.notStored.isEmpty()) {
        Say(options.command, QStringLiteral("%1 file(s) not stored: %2")
                                 .arg(report.notStored.size())
                                 .arg(report.notStored.join(QStringLiteral(", "))));
        return ExitIncomplete;
    }
    return ExitOk;
}

} // namespace

int RunPorts(const QStringList& arguments)
{
    const LinkOptions options =
        ParseLink({.name = "ports",
                   .synopsis = "[--json]",
                   .description = "Prints the serial ports, one name per line with its device after a TAB, and\n"
                                  "what the system calls the device after a second TAB where it says.\n"
                                  "Network ports named in the ports files (/etc/qtx-manager/ports.conf,\n"
                                  "~/.config/qtx-manager/ports.conf) show their address and description;\n"
                                  "lines of those files that name no port are reported on standard error.\n"
                                  "--json: {\"name\": \"COM33\", \"device\": \"/dev/ttyUSB0\",\n"
                                  "\"description\": \"FT232R USB UART\"} per port (description empty when unknown).",
                   .port = false,
                   .json = true},
                  arguments);
    if (options.status >= 0)
        return options.status;
    QStringList skipped;
    qtx::NamedNetPorts(&skipped);
    for (const QString& line : std::as_const(skipped))
        Say(QStringLiteral("ports"), QStringLiteral("skipped a line that names no port: ") + line);
    const QList<qtx::SerialPortEntry> ports = qtx::SerialPortEntries();
    for (const qtx::SerialPortEntry& port : ports) {
        if (options.json)
            PrintJsonLine({{QStringLiteral("name"), port.name},
                           {QStringLiteral("device"), port.device},
                           {QStringLiteral("description"), port.description}});
        else
            Out(port.name + QLatin1Char('\t') + port.device
                + (port.description.isEmpty() ? QString() : QLatin1Char('\t') + port.description));
    }
    return ExitOk;
}

int RunList(const QStringList& arguments)
{
    const LinkOptions options = ParseLink(
        {.name = "list",
         .synopsis = "--port COMn [--timeout S] [--json]",
         .description = "Prints the names of the files on the recorder's card, one per line.\n"
                        "--json: {\"name\": \"KONFOUT.TXT\", \"storedAs\": \"KONFOUT.TXT\"} per file (storedAs:\n"
                        "the name a download stores it under). Exit status: 0 listed,\n"
                        "1 no link or no answer, 2 wrong arguments or the device is no recorder.",
         .timeout = true,
         .json = true},
        arguments);
    if (options.status >= 0)
        return options.status;
    qtx::FetchSession session;
    int status = ExitOk;
    const auto names = OpenAndList(session, options, &status);
    if (!names)
        return status;
    session.Link().CloseLink();
    for (const QByteArray& name : *names) {
        if (options.json)
            PrintJsonLine({{QStringLiteral("name"), qtx::FromCp1250(name)},
                           {QStringLiteral("storedAs"), qtx::StoredNameOf(name)}});
        else
            Out(Shown(name));
    }
    return ExitOk;
}

int RunDownload(const QStringList& arguments)
{
    const LinkOptions options = ParseLink(
        {.name = "download",
         .synopsis = "--port COMn [--to DIR] [--timeout S] [--json]",
         .description =
             "Fetches every listed file of the recorder's card (names with a \".\") into DIR and\n"
             "prints NAME<TAB>SIZE for each stored file. When nothing arrives for S seconds and\n"
             "the recorder does not answer a list request at once, the run ends and names the\n"
             "files stored and not stored.\n"
             "--json: {\"name\": \"KONFOUT.TXT\", \"listed\": \"KONFOUT.TXT\", \"stored\": true, \"size\": 812}\n"
             "per listed file (name: as stored, listed: as the recorder lists it), or\n"
             "{\"name\": ..., \"stored\": false, \"error\": \"...\"}.\n"
             "Exit status: 0 all stored, 1 no link or no answer, 2 some file was not stored\n"
             "or the device is no recorder.",
         .to = true,
         .timeout = true,
         .json = true},
        arguments);
    if (options.status >= 0)
        return options.status;
    if (!PrepareTarget(options))
        return ExitNoLink;
    qtx::FetchSession session;
    int status = ExitOk;
    const auto names = OpenAndList(session, options, &status);
    if (!names)
        return status;
    return FetchWhole(options, session, qtx::PlanDownload(*names));
}

int RunGet(const QStringList& arguments)
{
    const LinkOptions options =
        ParseLink({.name = "get",
                   .synopsis = "--port COMn NAME [--to DIR] [--timeout S]",
                   .description = "Fetches one file of the recorder's card into DIR and prints NAME<TAB>SIZE.\n"
                                  "Exit status: 0 stored, 1 no link, no answer, NAME is not on the card or\n"
                                  "the 8.3 request would name another file, 2 not stored or the device is\n"
                                  "no recorder.",
                   .positional = {QStringLiteral("NAME")},
                   .to = true,
                   .timeout = true},
                  arguments);
    if (options.status >= 0)
        return options.status;
    if (!PrepareTarget(options))
        return ExitNoLink;
    qtx::FetchSession session;
    int status = ExitOk;
    const auto names = OpenAndList(session, options, &status);
    if (!names)
        return status;
    const auto listed = ListedToAsk(session, options, *names);
    if (!listed)
        return ExitNoLink;
    QList<qtx::SyncItem> plan = qtx::PlanDownload({*listed});
    if (plan.isEmpty()) {
        qtx::SyncItem item;
        item.listed = *listed;
        item.name = qtx::FromCp1250(*listed);
        plan.append(item);
    }
    return FetchWhole(options, session, plan);
}

int RunSync(const QStringList& arguments)
{
    const LinkOptions options = ParseLink(
        {.name = "sync",
         .synopsis = "--port COMn [--to DIR] [--full-check] [--timeout S] [--json]",
         .description = "Brings DIR up to the recorder's card with the least traffic. Files not in DIR are\n"
                        "fetched. The recorder only appends to the current day's event file, so an event file\n"
                        "(YYYYMMDD.csv) in DIR dated before the newest one both in DIR and on the card is taken\n"
                        "as complete (--full-check asks for it all the same). Every other file in DIR is asked\n"
                        "for and the transfer stops after its header when the size matches the local copy.\n"
                        "A fetched file replaces the old one only when complete; files the recorder no longer\n"
                        "lists are kept. Prints NAME<TAB>SIZE<TAB>STATE per listed file,\n"
                        "STATE new, grown, changed or same, and a summary on stderr.\n"
                        "--json: {\"name\": \"20250301.CSV\", \"listed\": \"20250301.CSV\", \"size\": 5120,\n"
                        "\"state\": \"grown\"} per listed file (name: as stored, listed: as listed), or\n"
                        "{\"name\": ..., \"state\": \"not stored\", \"error\": \"...\"}.\n"
                        "Exit status: 0 all done, 1 no link or no answer, 2 something was not stored or the\n"
                        "device is no recorder.",
         .to = true,
         .timeout = true,
         .json = true,
         .fullCheck = true},
        arguments);
    if (options.status >= 0)
        return options.status;
    if (!PrepareTarget(options))
        return ExitNoLink;
    QElapsedTimer clock;
    clock.start();
    qtx::FetchSession session;
    int status = ExitOk;
    const auto names = OpenAndList(session, options, &status);
    if (!names)
        return status;
    const QList<qtx::SyncItem> plan = qtx::PlanSync(*names, options.to, options.fullCheck);
    FileReport report(session);
    QMap<qtx::SyncResult::State, int> counts;
    session.onResult = [&](const qtx::SyncResult& result) {
        counts[result.state] += 1;
        const QString state = qtx::SyncStateName(result.state);
        const bool moved = result.state == qtx::SyncResult::New || result.state == qtx::SyncResult::Grown
                           || result.state == qtx::SyncResult::Changed;
        report.Done(result, moved ? QStringLiteral("%1 bytes, %2").arg(result.size).arg(state) : QString());
        if (options.json) {
            QJsonObject line{{QStringLiteral("name"), result.name},
                             {QStringLiteral("listed"), qtx::FromCp1250(result.listed)},
                             {QStringLiteral("state"), state}};
            if (result.state == qtx::SyncResult::NotStored)
                line.insert(QStringLiteral("error"), result.error);
            else
                line.insert(QStringLiteral("size"), result.size);
            PrintJsonLine(line);
        } else if (result.state != qtx::SyncResult::NotStored) {
            Out(Printable(result.name) + QLatin1Char('\t') + QString::number(result.size) + QLatin1Char('\t') + state);
        }
    };
    const qtx::FetchSession::End end = session.Fetch(plan, options.to, options.timeoutMs);
    session.Link().CloseLink();
    Say(options.command, QStringLiteral("%1 listed: %2 new, %3 grown, %4 changed, %5 same, %6 not stored (%7 s)")
                             .arg(plan.size())
                             .arg(counts.value(qtx::SyncResult::New))
                             .arg(counts.value(qtx::SyncResult::Grown))
                             .arg(counts.value(qtx::SyncResult::Changed))
                             .arg(counts.value(qtx::SyncResult::Same))
                             .arg(counts.value(qtx::SyncResult::NotStored))
                             .arg(double(clock.elapsed()) / 1000.0, 0, 'f', 1));
    if (end == qtx::FetchSession::End::RecorderGone) {
        report.Gone(options, session.Link().Port());
        return ExitIncomplete;
    }
    return counts.value(qtx::SyncResult::NotStored) > 0 ? ExitIncomplete : ExitOk;
}

int RunDelete(const QStringList& arguments)
{
    const LinkOptions options =
        ParseLink({.name = "delete",
                   .synopsis = "--port COMn NAME [--timeout S]",
                   .description = "Asks the recorder to delete one file of its card, then reads the list\n"
                                  "again. Exit status: 0 the file is gone, 1 no link, no answer, NAME was\n"
                                  "not on the card or the 8.3 request would name another file (REPORT.TXT.OLD\n"
                                  "is asked for as REPORT.TXT), 2 the file is still listed or the device is no\n"
                                  "recorder.",
                   .positional = {QStringLiteral("NAME")},
                   .timeout = true},
                  arguments);
    if (options.status >= 0)
        return options.status;
    qtx::FetchSession session;
    const QString name = options.positional[0];
    int status = ExitOk;
    const auto before = OpenAndList(session, options, &status);
    if (!before)
        return status;
    // Never a delete that would reach a file the operator did not name.
    const auto listed = ListedToAsk(session, options, *before);
    if (!listed)
        return ExitNoLink;
    if (!session.Link().Engine().RequestDelete(*listed)) {
        session.Link().CloseLink();
        Say(options.command, QStringLiteral("the name is too long for a request or holds a control character"));
        return ExitIncomplete;
    }
    // The recorder gives no answer to a delete; the list read after it tells.
    const auto after = ReadList(session, options, &status);
    session.Link().CloseLink();
    if (!after)
        return status;
    if (FindListed(*after, *listed)) {
        Say(options.command, QStringLiteral("%1 is still on the recorder's card").arg(Printable(name)));
        return ExitIncomplete;
    }
    Out(QStringLiteral("deleted\t") + Shown(*listed));
    return ExitOk;
}

int RunUpload(const QStringList& arguments)
{
    const LinkOptions options =
        ParseLink({.name = "upload",
                   .synopsis = "--port COMn FILE [--timeout S]",
                   .description = "Sends a file to the recorder's card, then reads the list and the stored\n"
                                  "file's size back and prints NAME<TAB>SIZE. Exit status: 0 stored as sent,\n"
                                  "1 no link, the file cannot be read or its name does not fit an 8.3 request,\n"
                                  "2 not stored or stored otherwise, no frame accepted for S seconds, one\n"
                                  "frame refused 21 times in a row, or the device is no recorder.",
                   .positional = {QStringLiteral("FILE")},
                   .timeout = true},
                  arguments);
    if (options.status >= 0)
        return options.status;
    const QString path = options.positional[0];
    const QByteArray base = qtx::ToCp1250(qtx::BaseNameOfPath(path));
    // The stored file is read back by a request for its name: a name that request would shorten
    // reads back another file.
    if (!RequestNamesIt(options.command, base))
        return ExitNoLink;
    qtx::FetchSession session;
    if (!Open(session, options))
        return ExitNoLink;
    bool sent = false;
    bool refused = false;
    try {
        sent = session.Upload(path, options.timeoutMs, &refused);
    } catch (const qtx::Error& error) {
        session.Link().CloseLink();
        Say(options.command, Printable(error.message()));
        return ExitNoLink;
    }
    if (!sent) {
        session.Link().CloseLink();
        Say(options.command,
            refused ? QStringLiteral("the recorder refused one frame %1 times in a row; the upload is incomplete")
                          .arg(qtx::FetchSession::MaxRefusals + 1)
                    : QStringLiteral("the recorder accepted no frame for %1 seconds; the upload is incomplete")
                          .arg(double(options.timeoutMs) / 1000.0));
        return ExitIncomplete;
    }
    const qint64 size = QFileInfo(path).size();
    int status = ExitOk;
    const auto names = ReadList(session, options, &status);
    const auto listed = names ? FindListed(*names, base) : std::nullopt;
    const qint64 stored = listed ? session.AnnouncedSize(*listed, options.timeoutMs).value_or(-1) : -1;
    session.Link().CloseLink();
    if (!names)
        return ExitIncomplete;
    if (!listed) {
        Say(options.command, QStringLiteral("the recorder accepted %1 but does not list it").arg(Shown(base)));
        return ExitIncomplete;
    }
    if (stored < 0) {
        Say(options.command, QStringLiteral("the recorder lists %1 but did not announce its size").arg(Shown(*listed)));
        return ExitIncomplete;
    }
    Out(Shown(*listed) + QLatin1Char('\t') + QString::number(stored));
    if (stored != size) {
        Say(options.command, QStringLiteral("the recorder holds %1 bytes of the %2 sent").arg(stored).arg(size));
        return ExitIncomplete;
    }
    return ExitOk;
}
} // namespace qtxctl
