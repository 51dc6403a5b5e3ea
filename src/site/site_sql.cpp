#include "site/site_sql.h"

#include <QDir>
#include <QFileInfo>
#include <charconv>
#include <cstring>
#include <libpq-fe.h>
#include <sqlite3.h>
#include <unordered_map>

namespace qtx {

namespace {

// ----- SQLite -----

class SqliteRow : public SqlRow {
public:
    explicit SqliteRow(sqlite3_stmt* statement) : statement_(statement) {}
    bool IsNull(int column) const override { return sqlite3_column_type(statement_, column) == SQLITE_NULL; }
    std::int64_t Int(int column) const override { return sqlite3_column_int64(statement_, column); }
    QString Text(int column) const override
    {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement_, column));
        return QString::fromUtf8(text, sqlite3_column_bytes(statement_, column));
    }
    QByteArray Blob(int column) const override { return BlobView(column).toByteArray(); }
    QByteArrayView BlobView(int column) const override
    {
        const auto* data = static_cast<const char*>(sqlite3_column_blob(statement_, column));
        return QByteArrayView(data, sqlite3_column_bytes(statement_, column));
    }

private:
    sqlite3_stmt* statement_;
};

class SqliteConnection : public SiteConnection {
public:
    explicit SqliteConnection(const QString& path)
    {
        const QByteArray name = QFile::encodeName(path);
        // A connection serves one thread at a time, so SQLite need not lock it on every column
        // read: a month's rows are a few million such reads.
        if (sqlite3_open_v2(name.constData(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                            nullptr)
            != SQLITE_OK) {
            const QString message = db_ ? QString::fromUtf8(sqlite3_errmsg(db_)) : QStringLiteral("out of memory");
            sqlite3_close(db_);
            db_ = nullptr;
            throw SiteError(QStringLiteral("cannot open the site database %1: %2").arg(path, message));
        }
        // Another importer holding the write lock is waited for, not reported as an error.
        sqlite3_busy_timeout(db_, 60000);
        // Readers (the archive window) go on while an import writes; a commit waits for the disk
        // only at checkpoints, and a crash still leaves every transaction whole or absent.
        // A month of a busy site is read through a map of the file, not copied page by page.
        sqlite3_exec(db_,
                     "PRAGMA foreign_keys = ON; PRAGMA journal_mode = WAL; PRAGMA synchronous = NORMAL; "
                     "PRAGMA mmap_size = 1073741824; PRAGMA cache_size = -65536",
                     nullptr, nullptr, nullptr);
    }
    ~SqliteConnection() override
    {
        for (auto& [sql, statement] : statements_)
            sqlite3_finalize(statement);
        sqlite3_close(db_);
    }
    SiteEngine Engine() const override { return SiteEngine::Sqlite; }

    void Exec(const std::string& sql, const std::vector<SqlParam>& params, const RowCallback& row) override
    {
        sqlite3_stmt* statement = Prepared(sql);
        sqlite3_reset(statement);
        sqlite3_clear_bindings(statement);
        for (std::size_t i = 0; i < params.size(); ++i)
            Bind(statement, static_cast<int>(i + 1), params[i]);
        const SqliteRow current(statement);
        for (;;) {
            const int rc = sqlite3_step(statement);
            if (rc == SQLITE_DONE)
                break;
            if (rc != SQLITE_ROW)
                Fail(statement);
            if (row)
                row(current);
        }
        sqlite3_reset(statement);
    }

    void InsertEvents(const std::vector<EventRow>& rows) override
    {
        sqlite3_stmt* statement = Prepared("INSERT INTO events (door, day, file, line, time, user_number, accepted, "
                                           "by_card, detail, port) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
        for (const EventRow& r : rows) {
            sqlite3_reset(statement);
            sqlite3_bind_int64(statement, 1, r.door);
            sqlite3_bind_int64(statement, 2, r.day);
            sqlite3_bind_int64(statement, 3, r.file);
            sqlite3_bind_int64(statement, 4, r.line);
            sqlite3_bind_int64(statement, 5, r.time);
            sqlite3_bind_blob(statement, 6, r.userNumber.constData(), static_cast<int>(r.userNumber.size()),
                              SQLITE_STATIC);
            sqlite3_bind_int(statement, 7, r.accepted ? 1 : 0);
            sqlite3_bind_int(statement, 8, r.byCard ? 1 : 0);
            sqlite3_bind_blob(statement, 9, r.detail.constData(), static_cast<int>(r.detail.size()), SQLITE_STATIC);
            sqlite3_bind_blob(statement, 10, r.port.constData(), static_cast<int>(r.port.size()), SQLITE_STATIC);
            if (sqlite3_step(statement) != SQLITE_DONE)
                Fail(statement);
        }
        sqlite3_reset(statement);
    }

    void BeginWrite() override { Exec("BEGIN IMMEDIATE", {}, {}); }

    void RollbackQuietly() noexcept override
    {
        if (!sqlite3_get_autocommit(db_))
            sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    }

private:
    sqlite3_stmt* Prepared(const std::string& sql)
    {
        auto it = statements_.find(sql);
        if (it != statements_.end())
            return it->second;
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(db_, sql.c_str(), static_cast<int>(sql.size()), &statement, nullptr) != SQLITE_OK)
            throw SiteError(QString::fromUtf8(sqlite3_errmsg(db_)));
        statements_.emplace(sql, statement);
        return statement;
    }

    static void Bind(sqlite3_stmt* statement, int i, const SqlParam& p)
    {
        switch (p.kind) {
        case SqlParam::Kind::Null:
            sqlite3_bind_null(statement, i);
            break;
        case SqlParam::Kind::Int:
            sqlite3_bind_int64(statement, i, p.number);
            break;
        case SqlParam::Kind::Text:
            sqlite3_bind_text(statement, i, p.bytes.constData(), static_cast<int>(p.bytes.size()), SQLITE_TRANSIENT);
            break;
        case SqlParam::Kind::Blob:
            sqlite3_bind_blob(statement, i, p.bytes.constData(), static_cast<int>(p.bytes.size()), SQLITE_TRANSIENT);
            break;
        }
    }

    [[noreturn]] void Fail(sqlite3_stmt* statement)
    {
        const QString message = QString::fromUtf8(sqlite3_errmsg(db_));
        sqlite3_reset(statement);
        throw SiteError(message);
    }

    sqlite3* db_ = nullptr;
    std::unordered_map<std::string, sqlite3_stmt*> statements_;
};

// ----- PostgreSQL -----

int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return 0;
}

class PostgresRow : public SqlRow {
public:
    PostgresRow(const PGresult* result, int row) : result_(result), row_(row) {}
    bool IsNull(int column) const override { return PQgetisnull(result_, row_, column) != 0; }
    std::int64_t Int(int column) const override
    {
        const char* text = PQgetvalue(result_, row_, column);
        const int length = PQgetlength(result_, row_, column);
        if (length == 1 && (text[0] == 't' || text[0] == 'f'))
            return text[0] == 't' ? 1 : 0;
        std::int64_t value = 0;
        std::from_chars(text, text + length, value);
        return value;
    }
    QString Text(int column) const override
    {
        return QString::fromUtf8(PQgetvalue(result_, row_, column), PQgetlength(result_, row_, column));
    }
    QByteArray Blob(int column) const override
    {
        // bytea arrives as text in hex: "\x4142".
        const char* text = PQgetvalue(result_, row_, column);
        const int length = PQgetlength(result_, row_, column);
        if (length < 2 || text[0] != '\\' || text[1] != 'x')
            return QByteArray(text, length);
        QByteArray bytes((length - 2) / 2, Qt::Uninitialized);
        for (qsizetype i = 0; i < bytes.size(); ++i)
            bytes[i] = static_cast<char>(HexValue(text[2 + 2 * i]) << 4 | HexValue(text[3 + 2 * i]));
        return bytes;
    }
    QByteArrayView BlobView(int column) const override
    {
        kept_ = Blob(column);
        return kept_;
    }

private:
    const PGresult* result_;
    int row_;
    mutable QByteArray kept_;
};

// "?" placeholders as PostgreSQL's "$1", "$2", ...
std::string Numbered(const std::string& sql)
{
    std::string out;
    out.reserve(sql.size() + 16);
    int n = 0;
    for (const char c : sql) {
        if (c == '?')
            out += '$' + std::to_string(++n);
        else
            out += c;
    }
    return out;
}

void AppendCopyBytes(std::string& out, QByteArrayView bytes)
{
    static const char digits[] = "0123456789abcdef";
    out += "\\\\x";
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        out += digits[b >> 4];
        out += digits[b & 15];
    }
}

class PostgresConnection : public SiteConnection {
public:
    explicit PostgresConnection(const QString& connectionString)
    {
        // A server that does not answer must not hold a window or a nightly job for long; the
        // location's own connect_timeout, given later, wins.
        const QByteArray text = connectionString.toUtf8();
        const char* const keywords[] = {"connect_timeout", "dbname", nullptr};
        const char* const values[] = {"15", text.constData(), nullptr};
        conn_ = PQconnectdbParams(keywords, values, 1);
        if (PQstatus(conn_) != CONNECTION_OK) {
            const QString message = QString::fromUtf8(PQerrorMessage(conn_)).trimmed();
            PQfinish(conn_);
            conn_ = nullptr;
            throw SiteConnectionError(QStringLiteral("cannot connect to the site database: %1").arg(message));
        }
        PQsetClientEncoding(conn_, "UTF8");
        PQclear(PQexec(conn_, "SET client_min_messages = warning"));
    }
    ~PostgresConnection() override { PQfinish(conn_); }
    SiteEngine Engine() const override { return SiteEngine::Postgres; }

    void Exec(const std::string& sql, const std::vector<SqlParam>& params, const RowCallback& row) override
    {
        std::vector<std::string> texts(params.size());
        std::vector<const char*> values(params.size());
        std::vector<int> lengths(params.size());
        std::vector<int> formats(params.size());
        for (std::size_t i = 0; i < params.size(); ++i) {
            const SqlParam& p = params[i];
            switch (p.kind) {
            case SqlParam::Kind::Null:
                values[i] = nullptr;
                break;
            case SqlParam::Kind::Int:
                texts[i] = std::to_string(p.number);
                values[i] = texts[i].c_str();
                break;
            case SqlParam::Kind::Text:
            case SqlParam::Kind::Blob:
                // Binary format: the bytes as they are, for text and bytea alike.
                values[i] = p.bytes.constData();
                lengths[i] = static_cast<int>(p.bytes.size());
                formats[i] = 1;
                break;
            }
        }
        PGresult* result = PQexecParams(conn_, Numbered(sql).c_str(), static_cast<int>(params.size()), nullptr,
                                        values.data(), lengths.data(), formats.data(), 0);
        const ExecStatusType status = PQresultStatus(result);
        if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK)
            Fail(result);
        // The result is freed however the callback ends.
        const std::unique_ptr<PGresult, decltype(&PQclear)> owned(result, &PQclear);
        if (row) {
            const int n = PQntuples(result);
            for (int i = 0; i < n; ++i)
                row(PostgresRow(result, i));
        }
    }

    void InsertEvents(const std::vector<EventRow>& rows) override
    {
        PGresult* result = PQexec(conn_, "COPY events (door, day, file, line, time, user_number, accepted, by_card, "
                                         "detail, port) FROM STDIN");
        if (PQresultStatus(result) != PGRES_COPY_IN)
            Fail(result);
        PQclear(result);
        std::string buffer;
        buffer.reserve(1 << 20);
        const auto flush = [this, &buffer] {
            if (PQputCopyData(conn_, buffer.data(), static_cast<int>(buffer.size())) != 1)
                Fail(nullptr);
            buffer.clear();
        };
        for (const EventRow& r : rows) {
            buffer += std::to_string(r.door) + '\t' + std::to_string(r.day) + '\t' + std::to_string(r.file) + '\t'
                      + std::to_string(r.line) + '\t' + std::to_string(r.time) + '\t';
            AppendCopyBytes(buffer, r.userNumber);
            buffer += r.accepted ? "\tt\t" : "\tf\t";
            buffer += r.byCard ? "t\t" : "f\t";
            AppendCopyBytes(buffer, r.detail);
            buffer += '\t';
            AppendCopyBytes(buffer, r.port);
            buffer += '\n';
            if (buffer.size() > (1 << 20) - 4096)
                flush();
        }
        if (!buffer.empty())
            flush();
        if (PQputCopyEnd(conn_, nullptr) != 1)
            Fail(nullptr);
        result = PQgetResult(conn_);
        if (PQresultStatus(result) != PGRES_COMMAND_OK)
            Fail(result);
        PQclear(result);
        while ((result = PQgetResult(conn_)) != nullptr)
            PQclear(result);
    }

    void BeginWrite() override { Exec("BEGIN", {}, {}); }

    void RollbackQuietly() noexcept override
    {
        if (PQstatus(conn_) == CONNECTION_OK && PQtransactionStatus(conn_) != PQTRANS_IDLE)
            PQclear(PQexec(conn_, "ROLLBACK"));
    }

private:
    [[noreturn]] void Fail(PGresult* result)
    {
        QString message = QString::fromUtf8(result ? PQresultErrorMessage(result) : PQerrorMessage(conn_)).trimmed();
        if (message.isEmpty())
            message = QString::fromUtf8(PQerrorMessage(conn_)).trimmed();
        const bool lost = Lost(result);
        PQclear(result);
        if (lost)
            throw SiteConnectionError(QStringLiteral("the connection to the site database was lost: %1").arg(message));
        throw SiteError(message);
    }

    // Whether a failure means the server went away. A server shutting down sends its reason
    // (SQLSTATE 57P..) before it closes, and libpq may not have seen the close yet when the
    // error arrives; reading once more tells.
    bool Lost(const PGresult* result)
    {
        if (PQstatus(conn_) != CONNECTION_OK)
            return true;
        const char* state = result ? PQresultErrorField(result, PG_DIAG_SQLSTATE) : nullptr;
        if (state && (std::strncmp(state, "08", 2) == 0 || std::strncmp(state, "57P", 3) == 0))
            return true;
        return PQconsumeInput(conn_) == 0 || PQstatus(conn_) != CONNECTION_OK;
    }

    PGconn* conn_ = nullptr;
};

} // namespace

std::unique_ptr<SiteConnection> OpenSqlite(const QString& path)
{
    const QFileInfo info(path);
    if (!QDir().mkpath(info.absolutePath()))
        throw SiteError(QStringLiteral("cannot create the folder of the site database %1").arg(path));
    return std::make_unique<SqliteConnection>(path);
}

std::unique_ptr<SiteConnection> OpenPostgres(const QString& connectionString)
{
    return std::make_unique<PostgresConnection>(connectionString);
}

bool ConnectionStringHasPassword(const QString& connectionString)
{
    char* error = nullptr;
    PQconninfoOption* options = PQconninfoParse(connectionString.toUtf8().constData(), &error);
    PQfreemem(error);
    bool has = false;
    for (PQconninfoOption* o = options; o && o->keyword; ++o)
        if (std::string_view(o->keyword) == "password" && o->val && *o->val)
            has = true;
    PQconninfoFree(options);
    return has;
}

} // namespace qtx
