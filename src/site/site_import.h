#pragma once
// Import of a card folder into the site archive: the door, its people and its event files,
// each file in one transaction, so an import can stop anywhere and be run again.

#include "site/site_database.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>

namespace qtx {

struct SiteImportResult {
    int files = 0;     // event files of the folder
    int added = 0;     // files new to the archive
    int grown = 0;     // files that had grown; only their new lines were added
    int rewritten = 0; // files that had changed; their events were replaced
    int unchanged = 0;
    std::int64_t events = 0; // events added
    QStringList rewrittenFiles;
};

// Called before each event file: its position (from 0), the number of files and its name.
using SiteImportProgress = std::function<void(int position, int count, const QString& name)>;

// Imports the card folder as the door of that name: the door's device ID and port names from
// KONFOUT.TXT, the people (numbers and names, never PIN codes) from USERS.txt when the folder has
// one, then every event file in the archive's order. Importing the same card again adds nothing.
// FileError when the folder or a file cannot be read, FormatError when an event file's name is
// not a date (files before it stay imported), SiteError from the database.
SiteImportResult ImportCardFolder(SiteDatabase& db, const QString& door, const QString& folder,
                                  const SiteImportProgress& progress = {});

} // namespace qtx
