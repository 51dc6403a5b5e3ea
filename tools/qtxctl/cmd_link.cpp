#include "commands.h"

#include <cstdio>

namespace qtxctl {

bool IsLinkCommand(const QString& command)
{
    static const QStringList commands{QStringLiteral("ports"), QStringLiteral("list"), QStringLiteral("download"),
                                      QStringLiteral("get"), QStringLiteral("delete"), QStringLiteral("upload")};
    return commands.contains(command);
}

int RunLink(const QString& command, const QStringList&)
{
    std::fprintf(stderr, "qtxctl %s: not available in this build yet\n", qPrintable(command));
    return 2;
}

} // namespace qtxctl
