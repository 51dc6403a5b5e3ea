#include "base/errors.h"

namespace qtx {

Error::Error(QString message) : message_(std::move(message)), utf8_(message_.toUtf8())
{
}

ListIndexError::ListIndexError(qsizetype index) : Error(QStringLiteral("List index out of bounds (%1)").arg(index))
{
}

QString CannotOpenMessage(const QString& path, const QString& reason)
{
    return QStringLiteral("Cannot open file \"%1\". %2").arg(path, reason);
}

QString CannotCreateMessage(const QString& path, const QString& reason)
{
    return QStringLiteral("Cannot create file \"%1\". %2").arg(path, reason);
}

} // namespace qtx
