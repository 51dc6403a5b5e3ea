// qtxctl ports, list, download, get, sync, delete, upload: the recorder over the serial link,
// driven by the same link engine as the windows, on the same 2 ms and 100 ms timers.

#include "commands.h"

#include "base/errors.h"
#include "base/paths.h"
#include "base/text_file.h"
#include "lang/language_table.h"
#include "link/port_names.h"
#include "link/sync.h"
#include "link/wire_format.h"

#include <QCommandLineParser>
#include <QCoreApplication>
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

struct Command {
    QString name;
    QString synopsis;
    QString description;
    QStringList positional = {};
    bool port = true;
    bool to = false;
    bool timeout = false;
    bool json = false;
    bool fullCheck = false;
};

struct Parsed {
    int status = -1; // >= 0: exit with it now
    QString port;
    QString to;
    qint64 timeoutMs = qint64{DefaultTimeoutSeconds} * 1000;
    bool timeoutSet = false;
    bool verbose = false;
    bool json = false;
    bool fullCheck = false;
    QStringList positional = {};
};

Parsed Parse(const Command& command, const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(command.description);
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this help."));
    const QCommandLineOption port(QStringLiteral("port"),
                                  QStringLiteral("The serial port: COMn (see qtxctl ports), a device path, or a "
                                                 "network\nport rfc2217://HOST:PORT or tcp://HOST:PORT."),
                                  QStringLiteral("COMn"));
    const QCommandLineOption to(QStringLiteral("to"),
                                QStringLiteral("Folder that receives the files (default: the manager's card folder)."),
                                QStringLiteral("DIR"));
    const QCommandLineOption timeout(
        QStringLiteral("timeout"),
        command.port && command.to
            ? QStringLiteral("End the run when nothing arrives for S seconds (default %1); the list answer waits S "
                             "seconds when given, else %2.")
                  .arg(DefaultTimeoutSeconds)
                  .arg(ListSilenceMs / 1000)
            : QStringLiteral(
                  "Give up when nothing arrives for S seconds (default: %1 for the list answer, %2 for a transfer).")
                  .arg(ListSilenceMs / 1000)
                  .arg(DefaultTimeoutSeconds),
        QStringLiteral("S"));
    const QCommandLineOption json(
        QStringLiteral("json"),
        QStringLiteral("One JSON object per line on stdout (fields above); messages stay on stderr."));
    const QCommandLineOption fullCheck(QStringLiteral("full-check"),
                                       QStringLiteral("Ask for every listed file, older days' event files too."));
    const QCommandLineOption verbose(QStringLiteral("verbose"), QStringLiteral("Print the link log on stderr."));
    parser.addOption(help);
    if (command.port)
        parser.addOption(port);
    if (command.to)
        parser.addOption(to);
    if (command.timeout)
        parser.addOption(timeout);
    if (command.json)
        parser.addOption(json);
    if (command.fullCheck)
        parser.addOption(fullCheck);
    if (command.port)
        parser.addOption(verbose);
    for (const QString& name : command.positional)
        parser.addPositionalArgument(name, QString());

    Parsed parsed;
    const QString usage = QStringLiteral("usage: qtxctl ") + command.name + QLatin1Char(' ') + command.synopsis;
    if (!parser.parse(QStringList{QStringLiteral("qtxctl")} + arguments)) {
        Err(QStringLiteral("qtxctl ") + command.name + QStringLiteral(": ") + parser.errorText() + QLatin1Char('\n')
            + usage);
        parsed.status = ExitIncomplete;
        return parsed;
    }
    if (parser.isSet(help)) {
        const QString text = parser.helpText();
        Out(usage + QStringLiteral("\n\n") + command.description + QStringLiteral("\n\n")
            + text.mid(text.indexOf(QStringLiteral("Options:"))).trimmed());
        parsed.status = ExitOk;
        return parsed;
    }
    parsed.positional = parser.positionalArguments();
    if (parsed.positional.size() != command.positional.size()) {
        Err(QStringLiteral("qtxctl ") + command.name + QStringLiteral(": wrong number of arguments\n") + usage);
        parsed.status = ExitIncomplete;
        return parsed;
    }
    if (command.port) {
        parsed.port = parser.value(port);
        parsed.verbose = parser.isSet(verbose);
        if (parsed.port.isEmpty()) {
            Err(QStringLiteral("qtxctl ") + command.name + QStringLiteral(": --port COMn is required\n") + usage);
            parsed.status = ExitIncomplete;
            return parsed;
        }
    }
    parsed.json = command.json && parser.isSet(json);
    parsed.fullCheck = command.fullCheck && parser.isSet(fullCheck);
    parsed.to = command.to && parser.isSet(to) ? parser.value(to) : qtx::DownloadDir();
    if (command.timeout && parser.isSet(timeout)) {
        bool ok = false;
        const double seconds = parser.value(timeout).toDouble(&ok);
        if (!ok || seconds <= 0) {
            Err(QStringLiteral("qtxctl ") + command.name
                + QStringLiteral(": --timeout needs a positive number of seconds"));
            parsed.status = ExitIncomplete;
            return parsed;
        }
        parsed.timeoutMs = static_cast<qint64>(seconds * 1000);
        parsed.timeoutSet = true;
    }
    return parsed;
}

// Why the port did not open, from what the port recorded of its last attempt.
QString PortFailure(const QString& command, const QString& port, const qtx::TCOMSocket& socket)
{
    const QString device = socket.Device();
    const QString which = device.isEmpty() || device == port ? port : QStringLiteral("%1 (%2)").arg(port, device);
    const QString head = QStringLiteral("qtxctl %1: cannot open %2: ").arg(command, which);
    switch (socket.Problem()) {
    case qtx::PortProblem::NotAName:
        return QStringLiteral("qtxctl %1: '%2' is neither a port name (COM followed by a number), a device path nor a "
                              "network port (rfc2217://HOST:PORT, tcp://HOST:PORT)")
            .arg(command, port);
    case qtx::PortProblem::NoDevice:
        return QStringLiteral("qtxctl %1: no device for %2 (set QTX_COM%3 to its device, or give --port the "
                              "device path)")
            .arg(command, port)
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
qint64 ListWaitMs(const Parsed& parsed)
{
    return parsed.timeoutSet ? parsed.timeoutMs : ListSilenceMs;
}

// A fetch session on the command's port; on failure says why on standard error.
bool Open(qtx::FetchSession& session, const QString& command, const Parsed& parsed)
{
    if (parsed.verbose)
        session.onLog = [](const QString& text) { Err(QStringLiteral("link: ") + text); };
    if (session.Link().OpenLink(parsed.port, 1))
        return true;
    Err(PortFailure(command, parsed.port, session.Link().Port()));
    return false;
}

// The card's names, or nothing (said on standard error, with the exit status in *status) when
// the recorder did not answer (1) or the port carries a device that talks but is no recorder (2).
std::optional<QList<QByteArray>> ReadList(qtx::FetchSession& session, const QString& command, const Parsed& parsed,
                                          int* status)
{
    qtx::FetchSession::ListEnd end = qtx::FetchSession::ListEnd::Listed;
    auto names = session.ReadList(ListWaitMs(parsed), &end);
    *status = ExitOk;
    if (end == qtx::FetchSession::ListEnd::Silent) {
        Err(QStringLiteral("qtxctl %1: the recorder on %2 did not answer the list request within %3 seconds")
                .arg(command, parsed.port)
                .arg(double(ListWaitMs(parsed)) / 1000.0));
        *status = ExitNoLink;
    } else if (end != qtx::FetchSession::ListEnd::Listed) {
        const QString what = end == qtx::FetchSession::ListEnd::NotRecorder
                                 ? QStringLiteral("it answered the list request with no recorder's reply")
                                 : QStringLiteral("its answer to the list request has no end");
        Err(QStringLiteral("qtxctl %1: %2 (%3 on %4)")
                .arg(command, Text(QStringLiteral("THIS DEVICE IS NOT A %1 RECORDER")).arg(QStringLiteral("QTX")), what,
                     parsed.port));
        *status = ExitIncomplete;
    }
    return names;
}

// Opens the command's port and reads the card's names; nothing (said on standard error, the
// exit status in *status, the port closed) when either fails.
std::optional<QList<QByteArray>> OpenAndList(qtx::FetchSession& session, const QString& command, const Parsed& parsed,
                                             int* status)
{
    if (!Open(session, command, parsed)) {
        *status = ExitNoLink;
        return std::nullopt;
    }
    auto names = ReadList(session, command, parsed, status);
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
    Err(QStringLiteral("qtxctl %1: %2 can only be asked for as %3: %4")
            .arg(command, Shown(name), Shown(argument), Text(QStringLiteral("THE REQUEST WOULD NAME ANOTHER FILE"))));
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
std::optional<QByteArray> ListedToAsk(qtx::FetchSession& session, const QString& command,
                                      const QList<QByteArray>& names, const QString& name)
{
    auto listed = FindListed(names, qtx::ToCp1250(name));
    if (listed && RequestNamesIt(command, *listed))
        return listed;
    session.Link().CloseLink();
    if (!listed)
        Err(QStringLiteral("qtxctl %1: %2 is not on the recorder's card").arg(command, Printable(name)));
    return std::nullopt;
}

// --to DIR: created when missing; a file in its place is named as such.
bool PrepareTarget(const QString& command, const QString& folder)
{
    const QFileInfo info(folder);
    if (info.exists() && !info.isDir()) {
        Err(QStringLiteral("qtxctl %1: %2 is not a folder").arg(command, folder));
        return false;
    }
    if (!QDir().mkpath(folder)) {
        Err(QStringLiteral("qtxctl %1: cannot create the folder %2").arg(command, folder));
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
    void Gone(const QString& command, const QString& port, const qtx::TCOMSocket& socket) const
    {
        const QString why = socket.Problem() == qtx::PortProblem::ServerClosed
                                ? QStringLiteral(" (the server closed the connection)")
                                : QString();
        Err(QStringLiteral("qtxctl %1: the recorder on %2 stopped answering%3; the run ended").arg(command, port, why));
        Err(QStringLiteral("qtxctl %1: stored: %2")
                .arg(command, storedNames.isEmpty() ? QStringLiteral("none") : storedNames.join(QStringLiteral(", "))));
        Err(QStringLiteral("qtxctl %1: not stored: %2").arg(command, notStored.join(QStringLiteral(", "))));
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

int Ports(const QStringList& arguments)
{
    const Parsed parsed =
        Parse({.name = QStringLiteral("ports"),
               .synopsis = QStringLiteral("[--json]"),
               .description =
                   QStringLiteral("Prints the serial ports, one name per line with its device after a TAB, and\n"
                                  "what the system calls the device after a second TAB where it says.\n"
                                  "Network ports named in the ports files (/etc/qtx-manager/ports.conf,\n"
                                  "~/.config/qtx-manager/ports.conf) show their address and description;\n"
                                  "lines of those files that name no port are reported on standard error.\n"
                                  "--json: {\"name\": \"COM33\", \"device\": \"/dev/ttyUSB0\",\n"
                                  "\"description\": \"FT232R USB UART\"} per port (description empty when unknown)."),
               .port = false,
               .json = true},
              arguments);
    if (parsed.status >= 0)
        return parsed.status;
    QStringList skipped;
    qtx::NamedNetPorts(&skipped);
    for (const QString& line : std::as_const(skipped))
        Err(QStringLiteral("qtxctl ports: skipped a line that names no port: ") + line);
    const QList<qtx::SerialPortEntry> ports = qtx::SerialPortEntries();
    for (const qtx::SerialPortEntry& port : ports) {
        if (parsed.json)
            PrintJsonLine({{QStringLiteral("name"), port.name},
                           {QStringLiteral("device"), port.device},
                           {QStringLiteral("description"), port.description}});
        else
            Out(port.name + QLatin1Char('\t') + port.device
                + (port.description.isEmpty() ? QString() : QLatin1Char('\t') + port.description));
    }
    return ExitOk;
}

int List(const QStringList& arguments)
{
    const Parsed parsed =
        Parse({.name = QStringLiteral("list"),
               .synopsis = QStringLiteral("--port COMn [--timeout S] [--json]"),
               .description = QStringLiteral(
                   "Prints the names of the files on the recorder's card, one per line.\n"
                   "--json: {\"name\": \"KONFOUT.TXT\", \"storedAs\": \"KONFOUT.TXT\"} per file (storedAs:\n"
                   "the name a download stores it under). Exit status: 0 listed,\n"
                   "1 no link or no answer, 2 wrong arguments or the device is no recorder."),
               .timeout = true,
               .json = true},
              arguments);
    if (parsed.status >= 0)
        return parsed.status;
    qtx::FetchSession session;
    int status = ExitOk;
    const auto names = OpenAndList(session, QStringLiteral("list"), parsed, &status);
    if (!names)
        return status;
    session.Link().CloseLink();
    for (const QByteArray& name : *names) {
        if (parsed.json)
            PrintJsonLine({{QStringLiteral("name"), qtx::FromCp1250(name)},
                           {QStringLiteral("storedAs"), qtx::StoredNameOf(name)}});
        else
            Out(Shown(name));
    }
    return ExitOk;
}

// download and get: the plan's files fetched whole, NAME<TAB>SIZE for each stored one.
int FetchWhole(const QString& command, const Parsed& parsed, qtx::FetchSession& session,
               const QList<qtx::SyncItem>& plan)
{
    FileReport report(session);
    session.onResult = [&](const qtx::SyncResult& result) {
        const bool stored = result.state != qtx::SyncResult::NotStored;
        report.Done(result, QStringLiteral("%1 bytes").arg(result.size));
        if (parsed.json) {
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
    const qtx::FetchSession::End end = session.Fetch(plan, parsed.to, parsed.timeoutMs);
    session.Link().CloseLink();
    if (end == qtx::FetchSession::End::RecorderGone) {
        report.Gone(command, parsed.port, session.Link().Port());
        return ExitIncomplete;
    }
    if (!report.notStored.isEmpty()) {
        Err(QStringLiteral("qtxctl %1: %2 file(s) not stored: %3")
                .arg(command)
                .arg(report.notStored.size())
                .arg(report.notStored.join(QStringLiteral(", "))));
        return ExitIncomplete;
    }
    return ExitOk;
}

int Download(const QStringList& arguments)
{
    const Parsed parsed =
        Parse({.name = QStringLiteral("download"),
               .synopsis = QStringLiteral("--port COMn [--to DIR] [--timeout S] [--json]"),
               .description = QStringLiteral(
                   "Fetches every listed file of the recorder's card (names with a \".\") into DIR and\n"
                   "prints NAME<TAB>SIZE for each stored file. When nothing arrives for S seconds and\n"
                   "the recorder does not answer a list request at once, the run ends and names the\n"
                   "files stored and not stored.\n"
                   "--json: {\"name\": \"KONFOUT.TXT\", \"listed\": \"KONFOUT.TXT\", \"stored\": true, \"size\": 812}\n"
                   "per listed file (name: as stored, listed: as the recorder lists it), or\n"
                   "{\"name\": ..., \"stored\": false, \"error\": \"...\"}.\n"
                   "Exit status: 0 all stored, 1 no link or no answer, 2 some file was not stored\n"
                   "or the device is no recorder."),
               .to = true,
               .timeout = true,
               .json = true},
              arguments);
    if (parsed.status >= 0)
        return parsed.status;
    if (!PrepareTarget(QStringLiteral("download"), parsed.to))
        return ExitNoLink;
    qtx::FetchSession session;
    int status = ExitOk;
    const auto names = OpenAndList(session, QStringLiteral("download"), parsed, &status);
    if (!names)
        return status;
    return FetchWhole(QStringLiteral("download"), parsed, session, qtx::PlanDownload(*names));
}

int Get(const QStringList& arguments)
{
    const Parsed parsed = Parse(
        {.name = QStringLiteral("get"),
         .synopsis = QStringLiteral("--port COMn NAME [--to DIR] [--timeout S]"),
         .description = QStringLiteral("Fetches one file of the recorder's card into DIR and prints NAME<TAB>SIZE.\n"
                                       "Exit status: 0 stored, 1 no link, no answer, NAME is not on the card or\n"
                                       "the 8.3 request would name another file, 2 not stored or the device is\n"
                                       "no recorder."),
         .positional = {QStringLiteral("NAME")},
         .to = true,
         .timeout = true},
        arguments);
    if (parsed.status >= 0)
        return parsed.status;
    if (!PrepareTarget(QStringLiteral("get"), parsed.to))
        return ExitNoLink;
    qtx::FetchSession session;
    int status = ExitOk;
    const auto names = OpenAndList(session, QStringLiteral("get"), parsed, &status);
    if (!names)
        return status;
    const auto listed = ListedToAsk(session, QStringLiteral("get"), *names, parsed.positional[0]);
    if (!listed)
        return ExitNoLink;
    QList<qtx::SyncItem> plan = qtx::PlanDownload({*listed});
    if (plan.isEmpty()) {
        qtx::SyncItem item;
        item.listed = *listed;
        item.name = qtx::FromCp1250(*listed);
        plan.append(item);
    }
    return FetchWhole(QStringLiteral("get"), parsed, session, plan);
}

int Sync(const QStringList& arguments)
{
    const Parsed parsed =
        Parse({.name = QStringLiteral("sync"),
               .synopsis = QStringLiteral("--port COMn [--to DIR] [--full-check] [--timeout S] [--json]"),
               .description = QStringLiteral(
                   "Brings DIR up to the recorder's card with the least traffic. Files not in DIR are\n"
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
                   "device is no recorder."),
               .to = true,
               .timeout = true,
               .json = true,
               .fullCheck = true},
              arguments);
    if (parsed.status >= 0)
        return parsed.status;
    if (!PrepareTarget(QStringLiteral("sync"), parsed.to))
        return ExitNoLink;
    QElapsedTimer clock;
    clock.start();
    qtx::FetchSession session;
    int status = ExitOk;
    const auto names = OpenAndList(session, QStringLiteral("sync"), parsed, &status);
    if (!names)
        return status;
    const QList<qtx::SyncItem> plan = qtx::PlanSync(*names, parsed.to, parsed.fullCheck);
    FileReport report(session);
    QMap<qtx::SyncResult::State, int> counts;
    session.onResult = [&](const qtx::SyncResult& result) {
        counts[result.state] += 1;
        const QString state = qtx::SyncStateName(result.state);
        const bool moved = result.state == qtx::SyncResult::New || result.state == qtx::SyncResult::Grown
                           || result.state == qtx::SyncResult::Changed;
        report.Done(result, moved ? QStringLiteral("%1 bytes, %2").arg(result.size).arg(state) : QString());
        if (parsed.json) {
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
    const qtx::FetchSession::End end = session.Fetch(plan, parsed.to, parsed.timeoutMs);
    session.Link().CloseLink();
    Err(QStringLiteral("qtxctl sync: %1 listed: %2 new, %3 grown, %4 changed, %5 same, %6 not stored (%7 s)")
            .arg(plan.size())
            .arg(counts.value(qtx::SyncResult::New))
            .arg(counts.value(qtx::SyncResult::Grown))
            .arg(counts.value(qtx::SyncResult::Changed))
            .arg(counts.value(qtx::SyncResult::Same))
            .arg(counts.value(qtx::SyncResult::NotStored))
            .arg(double(clock.elapsed()) / 1000.0, 0, 'f', 1));
    if (end == qtx::FetchSession::End::RecorderGone) {
        report.Gone(QStringLiteral("sync"), parsed.port, session.Link().Port());
        return ExitIncomplete;
    }
    return counts.value(qtx::SyncResult::NotStored) > 0 ? ExitIncomplete : ExitOk;
}

int Delete(const QStringList& arguments)
{
    const Parsed parsed = Parse(
        {.name = QStringLiteral("delete"),
         .synopsis = QStringLiteral("--port COMn NAME [--timeout S]"),
         .description = QStringLiteral("Asks the recorder to delete one file of its card, then reads the list\n"
                                       "again. Exit status: 0 the file is gone, 1 no link, no answer, NAME was\n"
                                       "not on the card or the 8.3 request would name another file (REPORT.TXT.OLD\n"
                                       "is asked for as REPORT.TXT), 2 the file is still listed or the device is no\n"
                                       "recorder."),
         .positional = {QStringLiteral("NAME")},
         .timeout = true},
        arguments);
    if (parsed.status >= 0)
        return parsed.status;
    qtx::FetchSession session;
    const QString name = parsed.positional[0];
    int status = ExitOk;
    const auto before = OpenAndList(session, QStringLiteral("delete"), parsed, &status);
    if (!before)
        return status;
    // Never a delete that would reach a file the operator did not name.
    const auto listed = ListedToAsk(session, QStringLiteral("delete"), *before, name);
    if (!listed)
        return ExitNoLink;
    if (!session.Link().Engine().RequestDelete(*listed)) {
        session.Link().CloseLink();
        Err(QStringLiteral("qtxctl delete: the name is too long for a request or holds a control character"));
        return ExitIncomplete;
    }
    // The recorder gives no answer to a delete; the list read after it tells.
    const auto after = ReadList(session, QStringLiteral("delete"), parsed, &status);
    session.Link().CloseLink();
    if (!after)
        return status;
    if (FindListed(*after, *listed)) {
        Err(QStringLiteral("qtxctl delete: %1 is still on the recorder's card").arg(Printable(name)));
        return ExitIncomplete;
    }
    Out(QStringLiteral("deleted\t") + Shown(*listed));
    return ExitOk;
}

int Upload(const QStringList& arguments)
{
    const Parsed parsed = Parse(
        {.name = QStringLiteral("upload"),
         .synopsis = QStringLiteral("--port COMn FILE [--timeout S]"),
         .description = QStringLiteral("Sends a file to the recorder's card, then reads the list and the stored\n"
                                       "file's size back and prints NAME<TAB>SIZE. Exit status: 0 stored as sent,\n"
                                       "1 no link, the file cannot be read or its name does not fit an 8.3 request,\n"
                                       "2 not stored or stored otherwise, no frame accepted for S seconds, one\n"
                                       "frame refused 21 times in a row, or the device is no recorder."),
         .positional = {QStringLiteral("FILE")},
         .timeout = true},
        arguments);
    if (parsed.status >= 0)
        return parsed.status;
    const QString path = parsed.positional[0];
    const QByteArray base = qtx::ToCp1250(qtx::BaseNameOfPath(path));
    // The stored file is read back by a request for its name: a name that request would shorten
    // reads back another file.
    if (!RequestNamesIt(QStringLiteral("upload"), base))
        return ExitNoLink;
    qtx::FetchSession session;
    if (!Open(session, QStringLiteral("upload"), parsed))
        return ExitNoLink;
    bool sent = false;
    bool refused = false;
    try {
        sent = session.Upload(path, parsed.timeoutMs, &refused);
    } catch (const qtx::Error& error) {
        session.Link().CloseLink();
        Err(QStringLiteral("qtxctl upload: ") + Printable(error.message()));
        return ExitNoLink;
    }
    if (!sent) {
        session.Link().CloseLink();
        Err(refused ? QStringLiteral("qtxctl upload: the recorder refused one frame %1 times in a row; the upload is "
                                     "incomplete")
                          .arg(qtx::FetchSession::MaxRefusals + 1)
                    : QStringLiteral("qtxctl upload: the recorder accepted no frame for %1 seconds; the upload is "
                                     "incomplete")
                          .arg(double(parsed.timeoutMs) / 1000.0));
        return ExitIncomplete;
    }
    const qint64 size = QFileInfo(path).size();
    int status = ExitOk;
    const auto names = ReadList(session, QStringLiteral("upload"), parsed, &status);
    const auto listed = names ? FindListed(*names, base) : std::nullopt;
    const qint64 stored = listed ? session.AnnouncedSize(*listed, parsed.timeoutMs).value_or(-1) : -1;
    session.Link().CloseLink();
    if (!names)
        return ExitIncomplete;
    if (!listed) {
        Err(QStringLiteral("qtxctl upload: the recorder accepted %1 but does not list it").arg(Shown(base)));
        return ExitIncomplete;
    }
    if (stored < 0) {
        Err(QStringLiteral("qtxctl upload: the recorder lists %1 but did not announce its size").arg(Shown(*listed)));
        return ExitIncomplete;
    }
    Out(Shown(*listed) + QLatin1Char('\t') + QString::number(stored));
    if (stored != size) {
        Err(QStringLiteral("qtxctl upload: the recorder holds %1 bytes of the %2 sent").arg(stored).arg(size));
        return ExitIncomplete;
    }
    return ExitOk;
}
} // namespace

bool IsLinkCommand(const QString& command)
{
    static const QStringList commands{QStringLiteral("ports"), QStringLiteral("list"), QStringLiteral("download"),
                                      QStringLiteral("get"),   QStringLiteral("sync"), QStringLiteral("delete"),
                                      QStringLiteral("upload")};
    return commands.contains(command);
}

int RunLink(const QString& command, const QStringList& arguments)
{
    if (command == QLatin1String("ports"))
        return Ports(arguments);
    if (command == QLatin1String("list"))
        return List(arguments);
    if (command == QLatin1String("download"))
        return Download(arguments);
    if (command == QLatin1String("get"))
        return Get(arguments);
    if (command == QLatin1String("sync"))
        return Sync(arguments);
    if (command == QLatin1String("delete"))
        return Delete(arguments);
    return Upload(arguments);
}

} // namespace qtxctl
