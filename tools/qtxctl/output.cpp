// What every qtxctl command shares: its messages, JSON lines on standard output and the workspace
// folder check.

#include "commands.h"

#include <QFileInfo>
#include <QJsonDocument>
#include <cstdio>

namespace qtxctl {

void Say(const QString& command, const QString& message)
{
    std::fprintf(stderr, "qtxctl %s: %s\n", qPrintable(command), qPrintable(message));
}

void PrintJsonLine(const QJsonObject& object)
{
    const QByteArray line = QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
    std::fwrite(line.constData(), 1, static_cast<std::size_t>(line.size()), stdout);
    std::fflush(stdout);
}

QString Printable(const QString& text)
{
    QString shown;
    shown.reserve(text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u < 0x20 || (u >= 0x7F && u <= 0x9F))
            shown += QStringLiteral("\\x%1").arg(unsigned(u), 2, 16, QLatin1Char('0'));
        else
            shown += c;
    }
    return shown;
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
    Say(command, QStringLiteral("the workspace folder %1 %2").arg(folder, problem));
    return false;
}

} // namespace qtxctl
