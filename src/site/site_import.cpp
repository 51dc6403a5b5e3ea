#include "site/site_import.h"

#include "archive/event_store.h"
#include "base/errors.h"
#include "base/paths.h"
#include "base/text_file.h"
#include "config/config_files.h"
#include "users/user.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <optional>

namespace qtx {

namespace {

QByteArray HashOf(QByteArrayView data)
{
    return QCryptographicHash::hash(data, QCryptographicHash::Sha1);
}

// Lines that end in a line ending; a last line without one may still grow.
std::int64_t CompleteLines(QByteArrayView data)
{
    const qsizetype lines = CountLines(data);
    const bool open = !data.isEmpty() && data.back() != '\n' && data.back() != '\r';
    return open ? lines - 1 : lines;
}

struct ImportState {
    std::int64_t id = 0;
    std::int64_t size = 0;
    QByteArray hash;
    std::int64_t lines = 0;
};

std::optional<ImportState> FindImport(SiteConnection& sql, std::int64_t door, const QString& name)
{
    std::optional<ImportState> state;
    sql.Exec("SELECT id, size, hash, lines FROM imports WHERE door = ? AND file = ?",
             {SqlParam::Int(door), SqlParam::Text(name)}, [&state](const SqlRow& row) {
                 state = ImportState{row.Int(0), row.Int(1), row.Blob(2), row.Int(3)};
             });
    return state;
}

// The event rows of the lines after the first keepLines (line 1 is the header); their bytes lie
// in data and texts.
std::vector<EventRow> RowsOf(QByteArrayView data, QDate date, std::int64_t door, std::int64_t file,
                             std::int64_t keepLines, TextPool& texts)
{
    std::vector<EventRow> rows;
    std::vector<std::pair<TextPool::Id, TextPool::Id>> textIds;
    const auto julian = static_cast<std::int32_t>(date.toJulianDay());
    const std::int64_t day = date.year() * 10000 + date.month() * 100 + date.day();
    std::int64_t line = 0;
    ForEachLine(data, [&](QByteArrayView text) {
        ++line;
        if (line == 1 || line <= keepLines)
            return;
        const CEvent e = ParseEventLine(text, julian, texts);
        // The reader's user number is the line's first four bytes.
        rows.push_back(
            {door, day, file, line, e.SecondsOfDay(), text.first(e.userNumberLength), e.accepted, e.byCard, {}, {}});
        textIds.emplace_back(e.detail, e.portName);
    });
    // The pool has stopped growing: its texts stay where they are now.
    for (std::size_t i = 0; i < rows.size(); ++i) {
        rows[i].detail = texts.Text(textIds[i].first);
        rows[i].port = texts.Text(textIds[i].second);
    }
    return rows;
}

// Runs f in one write transaction; nothing of it stays when it fails.
template <class F>
void InTransaction(SiteConnection& sql, F&& f)
{
    sql.BeginWrite();
    try {
        f();
        sql.Commit();
    } catch (...) {
        sql.RollbackQuietly();
        throw;
    }
}

std::int64_t StoreDoor(SiteConnection& sql, const QString& name, const QString& folder)
{
    const ConfigReport report = ReadConfigReportFile(folder + ReportFileName);
    const QString usersPath = folder + UserFileName;
    const bool haveUsers = QFileInfo::exists(usersPath);
    const QList<UserFilterEntry> people =
        haveUsers ? ReadUserFilterEntries(ReadWholeFile(usersPath)) : QList<UserFilterEntry>();
    std::int64_t id = 0;
    InTransaction(sql, [&] {
        sql.Exec("INSERT INTO doors (name, device_id, entrance, exit) VALUES (?, ?, ?, ?) ON CONFLICT (name) DO "
                 "UPDATE SET device_id = excluded.device_id, entrance = excluded.entrance, exit = excluded.exit "
                 "RETURNING id",
                 {SqlParam::Text(name), SqlParam::Blob(report.deviceName), SqlParam::Blob(report.port0Name),
                  SqlParam::Blob(report.port1Name)},
                 [&id](const SqlRow& row) { id = row.Int(0); });
        if (!haveUsers)
            return;
        sql.Exec("DELETE FROM people WHERE door = ?", {SqlParam::Int(id)});
        QSet<QByteArray> seen;
        for (const UserFilterEntry& person : people) {
            // The first record of a number names it, as in the archive's timesheet.
            if (seen.contains(person.userNumber))
                continue;
            seen.insert(person.userNumber);
            sql.Exec("INSERT INTO people (door, number, name) VALUES (?, ?, ?)",
                     {SqlParam::Int(id), SqlParam::Blob(person.userNumber), SqlParam::Blob(person.name)});
        }
    });
    return id;
}

enum class FileOutcome { Added, Grown, Rewritten, Unchanged };

// before: the file's state when the import started, read for all files in one query.
FileOutcome ImportFile(SiteConnection& sql, std::int64_t door, const QString& name, QByteArrayView data, QDate date,
                       const std::optional<ImportState>& before, std::int64_t& events)
{
    const QByteArray hash = HashOf(data);
    if (before && before->size == data.size() && before->hash == hash)
        return FileOutcome::Unchanged;

    FileOutcome outcome = FileOutcome::Unchanged;
    InTransaction(sql, [&] {
        // Another importer of the same door may have taken this file meanwhile: decide under the lock.
        if (sql.Engine() == SiteEngine::Postgres)
            sql.Exec("SELECT id FROM doors WHERE id = ? FOR UPDATE", {SqlParam::Int(door)});
        const std::optional<ImportState> state = FindImport(sql, door, name);
        if (state && state->size == data.size() && state->hash == hash)
            return;
        const QString now = QDateTime::currentDateTimeUtc().toString(Qt::ISODate);
        const std::int64_t lines = CompleteLines(data);
        std::int64_t file = 0;
        std::int64_t keep = 0;
        if (!state) {
            outcome = FileOutcome::Added;
            sql.Exec("INSERT INTO imports (door, file, size, hash, lines, imported_at) VALUES (?, ?, ?, ?, ?, ?) "
                     "RETURNING id",
                     {SqlParam::Int(door), SqlParam::Text(name), SqlParam::Int(data.size()), SqlParam::Blob(hash),
                      SqlParam::Int(lines), SqlParam::Text(now)},
                     [&file](const SqlRow& row) { file = row.Int(0); });
        } else {
            file = state->id;
            // A day the recorder went on writing: the bytes imported before are still its start.
            const bool grown =
                data.size() > state->size && HashOf(data.first(static_cast<qsizetype>(state->size))) == state->hash;
            outcome = grown ? FileOutcome::Grown : FileOutcome::Rewritten;
            keep = grown ? state->lines : 0;
            sql.Exec("DELETE FROM events WHERE door = ? AND file = ? AND line > ?",
                     {SqlParam::Int(door), SqlParam::Int(file), SqlParam::Int(keep)});
            sql.Exec("UPDATE imports SET size = ?, hash = ?, lines = ?, imported_at = ? WHERE id = ?",
                     {SqlParam::Int(data.size()), SqlParam::Blob(hash), SqlParam::Int(lines), SqlParam::Text(now),
                      SqlParam::Int(file)});
        }
        TextPool texts;
        const std::vector<EventRow> rows = RowsOf(data, date, door, file, keep, texts);
        sql.InsertEvents(rows);
        events += static_cast<std::int64_t>(rows.size());
    });
    return outcome;
}

} // namespace

SiteImportResult ImportCardFolder(SiteDatabase& db, const QString& door, const QString& cardFolder,
                                  const SiteImportProgress& progress)
{
    const QFileInfo info(cardFolder);
    if (!info.isDir())
        throw FileError(QStringLiteral("the card folder %1 does not exist or is not a folder").arg(cardFolder));
    if (door.trimmed().isEmpty())
        throw FormatError(QStringLiteral("a door needs a name"));
    const QString folder = WithTrailingChar(cardFolder, QLatin1Char('/'));
    SiteConnection& sql = db.Sql();
    const std::int64_t doorId = StoreDoor(sql, door, folder);

    QHash<QString, ImportState> known;
    sql.Exec("SELECT file, id, size, hash, lines FROM imports WHERE door = ?", {SqlParam::Int(doorId)},
             [&known](const SqlRow& row) {
                 known.insert(row.Text(0), ImportState{row.Int(1), row.Int(2), row.Blob(3), row.Int(4)});
             });

    SiteImportResult result;
    const QStringList names = ListEventFiles(folder);
    result.files = static_cast<int>(names.size());
    for (int i = 0; i < names.size(); ++i) {
        const QString& name = names[i];
        if (progress)
            progress(i, result.files, name);
        QDate date;
        try {
            date = ParseEventFileName(name);
        } catch (const FormatError& e) {
            throw FormatError(folder + name + QStringLiteral(": ") + e.message());
        }
        const QByteArray data = ReadWholeFile(folder + name);
        const auto state = known.constFind(name);
        const std::optional<ImportState> before =
            state == known.constEnd() ? std::nullopt : std::optional<ImportState>(*state);
        switch (ImportFile(sql, doorId, name, data, date, before, result.events)) {
        case FileOutcome::Added:
            ++result.added;
            break;
        case FileOutcome::Grown:
            ++result.grown;
            break;
        case FileOutcome::Rewritten:
            ++result.rewritten;
            result.rewrittenFiles.append(name);
            break;
        case FileOutcome::Unchanged:
            ++result.unchanged;
            break;
        }
    }
    if (progress)
        progress(result.files, result.files, QString());
    return result;
}

} // namespace qtx
