#include "base/paths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace qtx {

QString AppDir()
{
    return WithTrailingChar(QCoreApplication::applicationDirPath(), QLatin1Char('/'));
}

QString ShareDir()
{
    return QDir::cleanPath(AppDir() + QStringLiteral("../share/qtx-manager")) + QLatin1Char('/');
}

QStringList ProgramFileFolders()
{
    return {AppDir(), ShareDir()};
}

QString DataDir()
{
    const bool installed = !QFileInfo::exists(AppDir() + QStringLiteral("lang.txt")) && QFileInfo(ShareDir()).isDir();
    if (!installed)
        return AppDir();
    return WithTrailingChar(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation), QLatin1Char('/'))
           + QStringLiteral("qtx-manager/");
}

QString DownloadDir()
{
    return DataDir() + QStringLiteral("card");
}

static qsizetype LastSeparator(const QString& path)
{
    return std::max(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
}

QString DirOfPath(const QString& path)
{
    const qsizetype sep = LastSeparator(path);
    return sep < 0 ? QString() : path.left(sep + 1);
}

QString BaseNameOfPath(const QString& path)
{
    return path.mid(LastSeparator(path) + 1);
}

QString WithTrailingChar(const QString& text, QChar c)
{
    if (!text.isEmpty() && text.back() == c)
        return text;
    return text + c;
}

} // namespace qtx
