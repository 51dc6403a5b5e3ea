#pragma once
// The subcommands of qtxctl; each takes its own arguments (without the subcommand's name)
// and returns the exit status.

#include <QStringList>

namespace qtxctl {

int RunUsers(const QStringList& arguments);
int RunReport(const QStringList& arguments);
int RunTimesheet(const QStringList& arguments);
// ports, list, download, get, delete, upload
int RunLink(const QString& command, const QStringList& arguments);
bool IsLinkCommand(const QString& command);

} // namespace qtxctl
