// qtxctl: scripted access to the workspace files and the recorder, without windows.

#include "commands.h"
#include "qtx_version.h"

#include <QCoreApplication>
#include <QMap>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

void PrintUsage(FILE* out)
{
    std::fputs("usage: qtxctl COMMAND [OPTIONS] ...\n"
               "\n"
               "Commands:\n"
               "  users [--show-pins] WORKSPACE_DIR      list the user list, one record per line\n"
               "  report --month YYYY-MM [...] WORKSPACE_DIR\n"
               "                                         daily hits and presence times as CSV\n"
               "  timesheet --month YYYY-MM [...] WORKSPACE_DIR\n"
               "                                         each person's time per day, CSV or XLSX\n"
               "  site import|doors|report|timesheet ... the site archive: every door in one database\n"
               "  ports                                  the serial ports and their devices\n"
               "  list --port COMn                       the recorder's file names\n"
               "  download --port COMn [--to DIR]        fetch every file of the recorder's card\n"
               "  get --port COMn NAME [--to DIR]        fetch one file\n"
               "  sync --port COMn [--to DIR]            fetch only what is new or has grown\n"
               "  delete --port COMn NAME                delete one file on the card\n"
               "  upload --port COMn FILE                send a file to the recorder\n"
               "\n"
               "Run 'qtxctl COMMAND --help' for a command's options, 'qtxctl --version' for the version;\n"
               "ports, list, download, sync, users and report take --json (one JSON object per line,\n"
               "fields in their --help).\n",
               out);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QStringList arguments = app.arguments().mid(1);
    if (arguments.isEmpty()) {
        PrintUsage(stderr);
        return 2;
    }
    const QString command = arguments.takeFirst();
    if (command == QLatin1String("--help") || command == QLatin1String("-h") || command == QLatin1String("help")) {
        PrintUsage(stdout);
        return 0;
    }
    if (command == QLatin1String("--version")) {
        std::puts("qtxctl " QTX_VERSION);
        return 0;
    }
    using Run = int (*)(const QStringList&);
    static const QMap<QString, Run> commands{
        {QStringLiteral("users"), qtxctl::RunUsers},         {QStringLiteral("report"), qtxctl::RunReport},
        {QStringLiteral("timesheet"), qtxctl::RunTimesheet}, {QStringLiteral("site"), qtxctl::RunSite},
        {QStringLiteral("ports"), qtxctl::RunPorts},         {QStringLiteral("list"), qtxctl::RunList},
        {QStringLiteral("download"), qtxctl::RunDownload},   {QStringLiteral("get"), qtxctl::RunGet},
        {QStringLiteral("sync"), qtxctl::RunSync},           {QStringLiteral("delete"), qtxctl::RunDelete},
        {QStringLiteral("upload"), qtxctl::RunUpload}};
    const Run run = commands.value(command);
    if (run == nullptr) {
        std::fprintf(stderr, "qtxctl: unknown command '%s'\n\n", qPrintable(command));
        PrintUsage(stderr);
        return 2;
    }
    const int status = run(arguments);
    // Standard output sent to a full disk: what the command printed is lost, and a job must see it.
    errno = 0;
    if (std::fflush(stdout) != 0 || std::ferror(stdout) != 0) {
        qtxctl::Say(command, QStringLiteral("the output could not be written: ")
                                 + QString::fromLocal8Bit(errno != 0 ? std::strerror(errno) : "write error"));
        return status == 0 ? 1 : status;
    }
    return status;
}
