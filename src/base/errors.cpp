#include "base/errors.h"

#include <cerrno>
#include <cstring>
#include <utility>

namespace qtx {

namespace {

TextLookup& InstalledLookup()
{
    static TextLookup lookup;
    return lookup;
}

QString RawText(const QString& key)
{
    const TextLookup& lookup = InstalledLookup();
    return lookup ? lookup(key) : key;
}

QString FileMessage(const char* key, const QString& path, const QString& reason)
{
    return InterfaceSentence(QLatin1String(key)) + QStringLiteral(" \"%1\": %2.").arg(path, reason);
}

} // namespace

Error::Error(QString message) : message_(std::move(message)), utf8_(message_.toUtf8())
{
}

ListIndexError::ListIndexError(qsizetype index) : Error(QStringLiteral("List index out of bounds (%1)").arg(index))
{
}

void SetTextLookup(TextLookup lookup)
{
    InstalledLookup() = std::move(lookup);
}

QString InterfaceSentence(const QString& key)
{
    const QString text = RawText(key);
    return text.left(1) + text.mid(1).toLower();
}

QString InterfaceLower(const QString& key)
{
    return RawText(key).toLower();
}

QString ErrnoReason(int error)
{
    // The causes an operator can act on get a text of their own; the rest keep the system's.
    switch (error) {
    case ENOSPC:
        return InterfaceLower(QStringLiteral("NO SPACE LEFT ON THE DEVICE"));
    case EDQUOT:
        return InterfaceLower(QStringLiteral("THE DISK QUOTA IS USED UP"));
    case EFBIG:
        return InterfaceLower(QStringLiteral("THE FILE IS TOO LARGE FOR THE FILE SYSTEM"));
    case EROFS:
        return InterfaceLower(QStringLiteral("THE FILE SYSTEM IS READ-ONLY"));
    case EACCES:
    case EPERM:
        return InterfaceLower(QStringLiteral("PERMISSION DENIED"));
    case ENOENT:
        return InterfaceLower(QStringLiteral("NO SUCH FILE OR FOLDER"));
    case EISDIR:
        return InterfaceLower(QStringLiteral("IT IS A FOLDER"));
    case EIO:
        return InterfaceLower(QStringLiteral("INPUT/OUTPUT ERROR"));
    default:
        return QString::fromLocal8Bit(std::strerror(error));
    }
}

QString CannotOpenMessage(const QString& path, const QString& reason)
{
    return FileMessage("CANNOT OPEN FILE", path, reason);
}

QString CannotCreateMessage(const QString& path, const QString& reason)
{
    return FileMessage("CANNOT SAVE FILE", path, reason);
}

QString CannotDeleteMessage(const QString& path, const QString& reason)
{
    return FileMessage("CANNOT DELETE FILE", path, reason);
}

} // namespace qtx
