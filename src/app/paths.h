#pragma once
// Path operations shared by every subsystem.

#include <QString>

namespace qtx {

// Folder of the running program, ending in the platform separator.
QString AppDir();

// The path up to and including its last "/" or "\"; empty when it has neither.
QString DirOfPath(const QString& path);

// The path after its last "/" or "\" (the whole path when it has neither).
QString BaseNameOfPath(const QString& path);

// The text unchanged when it already ends with c, else with c appended; c alone for an empty text.
QString WithTrailingChar(const QString& text, QChar c);

} // namespace qtx
