#include "archive/archive_folder.h"

#include "base/errors.h"
#include "base/paths.h"
#include "base/text_file.h"
#include "users/user.h"

namespace qtx {

QString FileDateText(const QString& name)
{
    return name.mid(6, 2) + QLatin1Char('-') + name.mid(4, 2) + QLatin1Char('-') + name.left(4);
}

ArchiveFolder::ArchiveFolder(const QString& folder)
    : folder_(WithTrailingChar(folder, QLatin1Char('/'))),
      names_(ListEventFiles(folder))
{
}

EventFileInfo ArchiveFolder::Info(const QString& name) const
{
    const QByteArray data = ReadWholeFile(folder_ + name);
    return {FileDateText(name), data.size(), EventCountOfData(data)};
}

void ArchiveFolder::Load(EventStore& store, const QList<bool>& chosen, const QString& dateNameErrorText,
                         const ArchiveLoadProgress& progress) const
{
    store.Clear();
    for (int i = 0; i < names_.size(); ++i) {
        if (progress.fileStarted)
            progress.fileStarted(i);
        if (!chosen.value(i))
            continue;
        const QString& name = names_[i];
        try {
            LoadEventFile(store, folder_ + name, progress.lineStart ? progress.lineStart() : 0, progress.linePercent);
        } catch (const FormatError&) {
            // The only format error of a load: the date taken from the name. Say which file it is.
            throw FormatError(dateNameErrorText + QStringLiteral(": ") + name);
        }
        if (progress.fileRead)
            progress.fileRead();
    }
}

QList<UserFilterEntry> ArchiveFolder::UserFilterEntries() const
{
    return ReadUserFilterEntries(ReadWholeFile(folder_ + UserFileName));
}

} // namespace qtx
