// What every qtxctl command shares: JSON lines on standard output and the workspace folder check.

#include "commands.h"

#include <QFileInfo>
#include <QJsonDocument>
#include <cstdio>

namespace qtxctl {

void PrintJsonLine(const QJsonObject& object)
{
    const QByteArray line = QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
    std::fwrite(line.constData(), 1, static_cast<std::size_t>(line.size()), stdout);
    std::fflush(stdout);
}

bool CheckWorkspaceFolder(const QString& command, const QString& folder)
{
    const QFileInfo info(folder);
    QString problem;
    if (!info.exists())
        problem = QStringLiteral("does not exist");
    else if (!info.isDir())
        problem = QStringLiteral("is not a folder");
    else if (!info.isReadable())
        problem = QStringLiteral("cannot be read");
    if (problem.isEmpty())
        return true;
    std::fprintf(stderr, "qtxctl %s: the workspace folder %s %s\n", qPrintable(command), qPrintable(folder),
                 qPrintable(problem));
    return false;
}

} // namespace qtxctl
