#pragma once
// The subcommands of qtxctl; each takes its own arguments (without the subcommand's name)
// and returns the exit status.

#include <QJsonObject>
#include <QStringList>

namespace qtxctl {

int RunUsers(const QStringList& arguments);
int RunReport(const QStringList& arguments);
int RunTimesheet(const QStringList& arguments);
// site import, doors, report, timesheet
int RunSite(const QStringList& arguments);
// The recorder over the serial link.
int RunPorts(const QStringList& arguments);
int RunList(const QStringList& arguments);
int RunDownload(const QStringList& arguments);
int RunGet(const QStringList& arguments);
int RunSync(const QStringList& arguments);
int RunDelete(const QStringList& arguments);
int RunUpload(const QStringList& arguments);

// Says a message of the command on standard error: "qtxctl report: message".
void Say(const QString& command, const QString& message);

// One JSON object on one line of standard output (for --json).
void PrintJsonLine(const QJsonObject& object);

// The text with every control character (C0, DEL, C1) written as \xNN, so a name from the
// recorder or a user list cannot drive the terminal.
QString Printable(const QString& text);

// True when folder is a readable folder; otherwise says on standard error that it does not exist
// or is not a folder, naming the command and the folder.
bool CheckWorkspaceFolder(const QString& command, const QString& folder);

} // namespace qtxctl
