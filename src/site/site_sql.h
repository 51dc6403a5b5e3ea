#pragma once
// SiteConnection, one connection to the site database on SQLite or PostgreSQL through the
// engines' own client libraries: statements with parameters, rows, transactions, bulk inserts.

#include "base/errors.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace qtx {

// A statement failed or the database could not be opened; the message says what the engine said.
class SiteError : public Error {
public:
    using Error::Error;
};

// The database server could not be reached or went away in the middle of the work.
class SiteConnectionError : public SiteError {
public:
    using SiteError::SiteError;
};

enum class SiteEngine { Sqlite, Postgres };

// One statement parameter: an integer, a text (UTF-8) or raw bytes.
struct SqlParam {
    enum class Kind { Null, Int, Text, Blob };
    Kind kind = Kind::Null;
    std::int64_t number = 0;
    QByteArray bytes;

    static SqlParam Int(std::int64_t v) { return {Kind::Int, v, {}}; }
    static SqlParam Text(const QString& v) { return {Kind::Text, 0, v.toUtf8()}; }
    static SqlParam Blob(QByteArrayView v) { return {Kind::Blob, 0, v.toByteArray()}; }
};

// One result row; columns counted from 0.
class SqlRow {
public:
    virtual ~SqlRow() = default;
    virtual bool IsNull(int column) const = 0;
    // An integer or boolean column.
    virtual std::int64_t Int(int column) const = 0;
    // A text column as UTF-8.
    virtual QString Text(int column) const = 0;
    // A bytes column, as stored.
    virtual QByteArray Blob(int column) const = 0;
    // The same without a copy; valid until the next call on the row.
    virtual QByteArrayView BlobView(int column) const = 0;
};

using RowCallback = std::function<void(const SqlRow&)>;

// One event row as the events table holds it; the bytes are views into what the caller keeps.
struct EventRow {
    std::int64_t door = 0;
    std::int64_t day = 0; // YYYYMMDD
    std::int64_t file = 0;
    std::int64_t line = 0;
    std::int64_t time = 0; // hour * 3600 + minute * 60 + second, as the line gives them
    QByteArrayView userNumber;
    bool accepted = false;
    bool byCard = false;
    QByteArrayView detail;
    QByteArrayView port;
};

class SiteConnection {
public:
    virtual ~SiteConnection() = default;
    virtual SiteEngine Engine() const = 0;
    // Runs one statement; parameters are written "?" in the text. row runs for every result row.
    virtual void Exec(const std::string& sql, const std::vector<SqlParam>& params = {},
                      const RowCallback& row = {}) = 0;
    // Appends event rows in one go (inside the caller's transaction).
    virtual void InsertEvents(const std::vector<EventRow>& rows) = 0;
    // A transaction that holds the write lock from its start, so two importers wait for each other.
    virtual void BeginWrite() = 0;
    void Commit() { Exec("COMMIT"); }
    // Never throws: it runs while an error is already on its way.
    virtual void RollbackQuietly() noexcept = 0;
};

// Opens an SQLite file (created when missing). SiteError when it cannot.
std::unique_ptr<SiteConnection> OpenSqlite(const QString& path);

// Connects to PostgreSQL with a libpq connection string or URI. SiteConnectionError when it cannot.
std::unique_ptr<SiteConnection> OpenPostgres(const QString& connectionString);

// A libpq connection string or URI carries a password: passwords belong in the password or
// service file, never in an argument another user can read from the process list.
bool ConnectionStringHasPassword(const QString& connectionString);

} // namespace qtx
