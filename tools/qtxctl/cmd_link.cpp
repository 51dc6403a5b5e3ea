// qtxctl ports, list, download, get, delete, upload: the recorder over the serial link, driven by
// the same link engine and task sequencer as the windows, on the same 2 ms and 100 ms timers.

#include "commands.h"

#include "app/errors.h"
#include "app/paths.h"
#include "app/text_file.h"
#include "link/link_controller.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <cstdio>
#include <functional>
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

// The link's view on a terminal: the file list in memory, progress and outcomes on stderr and stdout.
class ConsoleView final : public qtx::LinkView {
public:
    bool verbose = false;
    bool showProgress = false;
    bool replyEnded = false;
    bool downloadsFinished = false;
    bool listUnanswered = false;
    bool downloadEnded = false;
    bool aborted = false;
    bool uploadFinished = false;
    int failures = 0;
    QString port;
    QList<QByteArray> files;

    void LogLine(const QString& text) override
    {
        if (verbose)
            Err(QStringLiteral("link: ") + text);
    }
    void AddFileListLine(const QByteArray& line) override { files.append(line); }
    void ClearFileList() override { files.clear(); }
    int FileListCount() const override { return int(files.size()); }
    QByteArray FileListLine(int index) const override { return files.value(index); }
    void ReplyEnded() override { replyEnded = true; }
    QString ChosenPortName() const override { return port; }

    void SetCounter(const QString& text) override
    {
        counter_ = text;
        current_ = qtx::FromCp1250(files.value(text.section(QLatin1Char(' '), 0, 0).toInt() - 1));
        SetFileProgress(0);
    }
    void SetFileProgress(int percent) override
    {
        if (!showProgress || !isatty(STDERR_FILENO))
            return;
        constexpr int Width = 30;
        const int filled = qBound(0, percent, 100) * Width / 100;
        std::fprintf(stderr, "\r\033[K[%s] %s [%s%s] %3d%%", qPrintable(counter_), qPrintable(current_),
                     QByteArray(filled, '#').constData(), QByteArray(Width - filled, ' ').constData(), percent);
        std::fflush(stderr);
    }
    void DownloadsFinished(const QString&) override { downloadsFinished = true; }
    void ListNotAnswered() override { listUnanswered = true; }

    void DownloadEnded(const qtx::DownloadOutcome& outcome) override
    {
        downloadEnded = true;
        if (outcome.stored) {
            FileLine(outcome.name + QStringLiteral(": ") + QString::number(outcome.size) + QStringLiteral(" bytes"));
            Out(outcome.name + QLatin1Char('\t') + QString::number(outcome.size));
        } else {
            failures += 1;
            FileLine(outcome.name + QStringLiteral(": not stored: ") + outcome.error);
        }
    }
    void DownloadAborted() override
    {
        aborted = true;
        failures += 1;
    }
    void UploadFinished() override { uploadFinished = true; }

    // One line per file on stderr (the bar, if any, is wiped first).
    void FileLine(const QString& text)
    {
        if (!showProgress)
            return;
        if (isatty(STDERR_FILENO))
            std::fputs("\r\033[K", stderr);
        Err(counter_.isEmpty() ? text : QLatin1Char('[') + counter_ + QStringLiteral("] ") + text);
    }

private:
    QString counter_;
    QString current_;
};

// Notes when a counter last moved.
class Watch {
public:
    explicit Watch(std::function<quint64()> counter) : counter_(std::move(counter)), last_(counter_())
    {
        clock_.start();
    }
    qint64 QuietMs()
    {
        const quint64 now = counter_();
        if (now != last_) {
            last_ = now;
            clock_.restart();
        }
        return clock_.elapsed();
    }
    void Reset()
    {
        last_ = counter_();
        clock_.restart();
    }

private:
    std::function<quint64()> counter_;
    quint64 last_;
    QElapsedTimer clock_;
};

struct Command {
    QString name;
    QString synopsis;
    QString description;
    QStringList positional;
    bool port = true;
    bool to = false;
    bool timeout = false;
};

struct Parsed {
    int status = -1; // >= 0: exit with it now
    QString port;
    QString to;
    qint64 timeoutMs = DefaultTimeoutSeconds * 1000;
    bool verbose = false;
    QStringList positional;
};

Parsed Parse(const Command& command, const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(command.description);
    const QCommandLineOption help(QStringList{"h", "help"}, QStringLiteral("Show this help."));
    const QCommandLineOption port(QStringLiteral("port"), QStringLiteral("The serial port, COMn (see qtxctl ports)."),
                                  QStringLiteral("COMn"));
    const QCommandLineOption to(QStringLiteral("to"),
                                QStringLiteral("Folder that receives the files (default: card beside the program)."),
                                QStringLiteral("DIR"));
    const QCommandLineOption timeout(
        QStringLiteral("timeout"),
        QStringLiteral("Abandon a transfer that receives nothing for S seconds (default %1).").arg(DefaultTimeoutSeconds),
        QStringLiteral("S"));
    const QCommandLineOption verbose(QStringLiteral("verbose"), QStringLiteral("Print the link log on stderr."));
    parser.addOption(help);
    if (command.port)
        parser.addOption(port);
    if (command.to)
        parser.addOption(to);
    if (command.timeout)
        parser.addOption(timeout);
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
    parsed.to = command.to && parser.isSet(to) ? parser.value(to) : qtx::AppDir() + QStringLiteral("card");
    if (command.timeout && parser.isSet(timeout)) {
        bool ok = false;
        const double seconds = parser.value(timeout).toDouble(&ok);
        if (!ok || seconds <= 0) {
            Err(QStringLiteral("qtxctl ") + command.name + QStringLiteral(": --timeout needs a positive number of seconds"));
            parsed.status = ExitIncomplete;
            return parsed;
        }
        parsed.timeoutMs = static_cast<qint64>(seconds * 1000);
    }
    return parsed;
}

QString PortFailure(const QString& command, const QString& port)
{
    qtx::TCOMSocket probe;
    const int number = probe.SetPort(port) ? probe.PortNumber() : 0;
    const QString device = qtx::PortDevice(number);
    if (number == 0)
        return QStringLiteral("qtxctl %1: '%2' is not a port name (COM followed by a number)").arg(command, port);
    if (device.isEmpty())
        return QStringLiteral("qtxctl %1: no device for %2 (set QTX_COM%3 to its device)").arg(command, port).arg(number);
    return QStringLiteral("qtxctl %1: cannot open %2 (%3): missing, busy or not a serial port").arg(command, port, device);
}

// A link of its own with a console view; the task counters are the session's.
struct Session {
    ConsoleView view;
    int group = 0;
    int step = 0;
    int index = 0;
    qtx::LinkController link{view, group, step, index};

    // Opens the port at 115200 bit/s; on failure says why on standard error.
    bool Open(const QString& command, const Parsed& parsed)
    {
        view.verbose = parsed.verbose;
        if (link.OpenLink(parsed.port, 1))
            return true;
        Err(PortFailure(command, parsed.port));
        return false;
    }
};

// The line for a file given up after the --timeout silence.
QString Abandoned(const qtx::LinkEngine& engine, const Parsed& parsed)
{
    return engine.State().TransferFileName
           + QStringLiteral(": nothing received for %1 s, abandoned").arg(parsed.timeoutMs / 1000.0);
}

int Ports(const QStringList& arguments)
{
    const Parsed parsed = Parse({QStringLiteral("ports"), QString(),
                                 QStringLiteral("Prints the serial ports, one name per line with its device after a TAB."),
                                 {}, false},
                                arguments);
    if (parsed.status >= 0)
        return parsed.status;
    const QList<qtx::SerialPortEntry> ports = qtx::SerialPortEntries();
    for (const qtx::SerialPortEntry& port : ports)
        Out(port.name + QLatin1Char('\t') + port.device);
    return ExitOk;
}

int List(const QStringList& arguments)
{
    const Parsed parsed = Parse({QStringLiteral("list"), QStringLiteral("--port COMn"),
                                 QStringLiteral("Prints the names of the files on the recorder's card, one per line."),
                                 {}},
                                arguments);
    if (parsed.status >= 0)
        return parsed.status;
    Session session;
    if (!session.Open(QStringLiteral("list"), parsed))
        return ExitNoLink;
    qtx::LinkEngine& engine = session.link.Engine();
    engine.SendCommand({});
    Watch silence([&] { return engine.BytesReceived(); });
    bool silent = false;
    session.link.RunTimersUntil([&] { return session.view.replyEnded || silent; },
        [&] { silent = silence.QuietMs() >= ListSilenceMs; }, false);
    session.link.CloseLink();
    if (!session.view.replyEnded) {
        Err(QStringLiteral("qtxctl list: the recorder on %1 did not answer within %2 seconds")
                .arg(parsed.port)
                .arg(ListSilenceMs / 1000));
        return ExitNoLink;
    }
    for (const QByteArray& name : std::as_const(session.view.files))
        Out(qtx::FromCp1250(name));
    return ExitOk;
}

int Download(const QStringList& arguments)
{
    const Parsed parsed =
        Parse({QStringLiteral("download"), QStringLiteral("--port COMn [--to DIR] [--timeout S]"),
               QStringLiteral("Fetches every listed file of the recorder's card (names with a \".\") into DIR and\n"
                              "prints NAME<TAB>SIZE for each stored file. Exit status: 0 all stored, 1 no link or\n"
                              "no answer, 2 some file was not stored."),
               {}, true, true, true},
              arguments);
    if (parsed.status >= 0)
        return parsed.status;
    Session session;
    ConsoleView& view = session.view;
    view.verbose = parsed.verbose;
    view.showProgress = true;
    view.port = parsed.port;
    qtx::LinkEngine& engine = session.link.Engine();
    engine.SetDownloadFolder(parsed.to);
    session.link.Tasks().Start();

    Watch bytes([&] { return engine.BytesReceived(); });
    Watch progress([&] { return engine.ProgressCount(); });
    bool listSilent = false;
    session.link.RunTimersUntil([&] { return !session.link.Tasks().Running() || listSilent; },
        [&] {
            const bool receiving = engine.State().Receiving;
            const qint64 stalled = progress.QuietMs();
            if (!view.replyEnded && session.step == qtx::TaskSequencer::Wait && !receiving) {
                listSilent = bytes.QuietMs() >= ListSilenceMs;
            } else if (receiving && !engine.State().AbortRequested && stalled >= parsed.timeoutMs) {
                view.FileLine(Abandoned(engine, parsed));
                session.link.Tasks().SkipCurrentFile();
            }
        },
        true);
    session.link.CloseLink();
    if (!view.downloadsFinished) {
        if (listSilent || view.listUnanswered)
            Err(QStringLiteral("qtxctl download: the recorder on %1 did not answer the list request within %2 seconds")
                    .arg(parsed.port)
                    .arg(ListSilenceMs / 1000));
        else
            Err(PortFailure(QStringLiteral("download"), parsed.port));
        return ExitNoLink;
    }
    if (view.failures > 0) {
        Err(QStringLiteral("qtxctl download: %1 file(s) not stored").arg(view.failures));
        return ExitIncomplete;
    }
    return ExitOk;
}

int Get(const QStringList& arguments)
{
    const Parsed parsed = Parse({QStringLiteral("get"), QStringLiteral("--port COMn NAME [--to DIR] [--timeout S]"),
                                 QStringLiteral("Fetches one file of the recorder's card into DIR and prints NAME<TAB>SIZE."),
                                 {QStringLiteral("NAME")}, true, true, true},
                                arguments);
    if (parsed.status >= 0)
        return parsed.status;
    Session session;
    ConsoleView& view = session.view;
    view.showProgress = true;
    if (!session.Open(QStringLiteral("get"), parsed))
        return ExitNoLink;
    qtx::LinkEngine& engine = session.link.Engine();
    engine.SetDownloadFolder(parsed.to);
    if (!engine.RequestFile(qtx::ToCp1250(parsed.positional[0]))) {
        session.link.CloseLink();
        return ExitIncomplete;
    }
    Watch progress([&] { return engine.ProgressCount(); });
    session.link.RunTimersUntil([&] { return view.downloadEnded || view.aborted; },
        [&] {
            if (!engine.State().AbortRequested && progress.QuietMs() >= parsed.timeoutMs) {
                view.FileLine(Abandoned(engine, parsed));
                engine.RequestAbort();
            }
        },
        false);
    session.link.CloseLink();
    return view.failures == 0 ? ExitOk : ExitIncomplete;
}

int Delete(const QStringList& arguments)
{
    const Parsed parsed = Parse({QStringLiteral("delete"), QStringLiteral("--port COMn NAME"),
                                 QStringLiteral("Asks the recorder to delete one file of its card."),
                                 {QStringLiteral("NAME")}},
                                arguments);
    if (parsed.status >= 0)
        return parsed.status;
    Session session;
    if (!session.Open(QStringLiteral("delete"), parsed))
        return ExitNoLink;
    const bool sent = session.link.Engine().RequestDelete(qtx::ToCp1250(parsed.positional[0]));
    // The recorder gives no particular answer; a short wait lets the request leave before the port closes.
    QElapsedTimer wait;
    wait.start();
    session.link.RunTimersUntil([&] { return wait.elapsed() >= 200; }, [] {}, false);
    session.link.CloseLink();
    if (!sent) {
        Err(QStringLiteral("qtxctl delete: the name is too long for a request"));
        return ExitIncomplete;
    }
    return ExitOk;
}

int Upload(const QStringList& arguments)
{
    const Parsed parsed = Parse({QStringLiteral("upload"), QStringLiteral("--port COMn FILE [--timeout S]"),
                                 QStringLiteral("Sends a file to the recorder's card."), {QStringLiteral("FILE")},
                                 true, false, true},
                                arguments);
    if (parsed.status >= 0)
        return parsed.status;
    Session session;
    if (!session.Open(QStringLiteral("upload"), parsed))
        return ExitNoLink;
    qtx::LinkEngine& engine = session.link.Engine();
    try {
        engine.ArmUpload(parsed.positional[0]);
    } catch (const qtx::Error& error) {
        session.link.CloseLink();
        Err(QStringLiteral("qtxctl upload: ") + error.message());
        return ExitNoLink;
    }
    Watch answers([&] { return engine.BytesReceived(); });
    bool silent = false;
    session.link.RunTimersUntil([&] { return session.view.uploadFinished || silent; },
        [&] { silent = answers.QuietMs() >= parsed.timeoutMs; }, false);
    session.link.CloseLink();
    if (!session.view.uploadFinished) {
        Err(QStringLiteral("qtxctl upload: the recorder stopped answering; the upload is incomplete"));
        return ExitIncomplete;
    }
    return ExitOk;
}

} // namespace

bool IsLinkCommand(const QString& command)
{
    static const QStringList commands{QStringLiteral("ports"), QStringLiteral("list"), QStringLiteral("download"),
                                      QStringLiteral("get"), QStringLiteral("delete"), QStringLiteral("upload")};
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
    if (command == QLatin1String("delete"))
        return Delete(arguments);
    return Upload(arguments);
}

} // namespace qtxctl
