#pragma once
// The files a workspace must hold, and the defaults written when they are missing.

#include "config/config_files.h"
#include "users/user.h"

#include <QString>

namespace qtx {

// True for a folder that holds something but none of a card's files (report, user list, command
// file, event files): a home or program folder that the default files would silently turn into a card.
bool HoldsNoCardFiles(const QString& dir);

// Each writes its default file into dir (ending in a separator) in one atomic piece;
// raises FileError when it cannot.
void WriteDefaultUserFile(const QString& dir);
void WriteDefaultReport(const QString& dir);
void WriteDefaultCommandFile(const QString& dir);

} // namespace qtx
