#pragma once
// Reading and writing a whole file in tests (an empty result when it cannot be read).

#include <QByteArray>
#include <QString>

namespace qtx::test {

QByteArray ReadFileBytes(const QString& path);
void WriteFileBytes(const QString& path, const QByteArray& bytes);

} // namespace qtx::test
