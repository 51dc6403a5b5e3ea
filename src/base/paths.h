#pragma once
// Path operations shared by every subsystem.

#include <QString>
#include <QStringList>

namespace qtx {

// Folder of the running program, ending in the platform separator.
QString AppDir();

// The installed program's shared files: ../share/qtx-manager/ from its folder, ending in "/".
QString ShareDir();

// Folders searched, in order, for the files shipped with the program (lang.txt): its own folder
// (a build or unpacked copy), then the installed share folder.
QStringList ProgramFileFolders();

// Folder of what the program writes for itself (the download folder), ending in "/": its
// own folder, except when it runs installed (texts only under the share folder), where the
// program's folder is the system's, so a folder of the user's own is used.
QString DataDir();

// The folder under DataDir() that files fetched from the recorder go to.
QString DownloadDir();

// The path up to and including its last "/" or "\"; empty when it has neither.
QString DirOfPath(const QString& path);

// The path after its last "/" or "\" (the whole path when it has neither).
QString BaseNameOfPath(const QString& path);

// The text unchanged when it already ends with c, else with c appended; c alone for an empty text.
QString WithTrailingChar(const QString& text, QChar c);

} // namespace qtx
