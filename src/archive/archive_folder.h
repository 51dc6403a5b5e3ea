#pragma once
// ArchiveFolder, the event files of one card folder as the archive lists, describes and loads
// them: which file is read first, which error stops a load, and the user list beside them.

#include "archive/event_store.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

namespace qtx {

// The date an event file's name stands for, as the file information shows it: "DD-MM-YYYY"
// from the name's first eight characters "YYYYMMDD".
QString FileDateText(const QString& name);

// What the file information shows of one event file.
struct EventFileInfo {
    QString date;
    qint64 size = 0;
    qsizetype events = 0;
};

// Where a load stands, for the archive's two bars.
struct ArchiveLoadProgress {
    // Before each listed file, chosen or not, with its position in the list.
    std::function<void(int position)> fileStarted;
    // The line bar's position before a chosen file is read.
    std::function<int()> lineStart;
    // The line bar, when its percentage changes.
    PercentCallback linePercent;
    // After each chosen file has been read whole.
    std::function<void()> fileRead;
};

class ArchiveFolder {
public:
    ArchiveFolder() = default;
    // Lists the event files of the folder (as ListEventFiles does).
    explicit ArchiveFolder(const QString& folder);

    // The folder, ending in a separator.
    const QString& Folder() const { return folder_; }
    const QStringList& Names() const { return names_; }

    // Reads the file; raises FileError when it cannot.
    EventFileInfo Info(const QString& name) const;

    // Clears the store and reads the chosen files (chosen[i] for Names()[i]) in list order, so
    // the events lie in date order. A file whose name is not a date stops the load with a
    // FormatError of dateNameErrorText and the name; a file that cannot be read, with its FileError.
    void Load(EventStore& store, const QList<bool>& chosen, const QString& dateNameErrorText,
              const ArchiveLoadProgress& progress = {}) const;

    // The user numbers and names of the folder's user list; raises FileError when it cannot be read.
    QList<UserFilterEntry> UserFilterEntries() const;

private:
    QString folder_;
    QStringList names_;
};

} // namespace qtx
