#pragma once
// SiteDatabase, the site archive: where it is, its schema on both engines, and its doors.

#include "site/site_sql.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <memory>
#include <vector>

namespace qtx {

// Where the site archive lives: an SQLite file or a PostgreSQL server.
struct SiteLocation {
    SiteEngine engine = SiteEngine::Sqlite;
    QString path;             // SQLite: the file
    QString connectionString; // PostgreSQL: a URI ("postgresql://...") or "service=NAME" and the like

    // "postgresql://...", "postgres://..." or a text with "=" (a libpq connection string) is a
    // server; "sqlite:PATH" or anything else an SQLite file.
    static SiteLocation Parse(const QString& text);
    // What messages call it.
    QString Display() const;
};

// ~/.local/share/qtx-manager/site.sqlite (under $XDG_DATA_HOME when set).
QString DefaultSiteDatabasePath();

// The environment variable that names the site database when no option does.
inline constexpr char SiteDatabaseVariable[] = "QTX_SITE_DB";

// The option's value, else the environment variable's, else the default file. A PostgreSQL
// location with a password in it is refused with a SiteError.
SiteLocation ResolveSiteLocation(const QString& option);

// One door of the site: a recorder whose card folder feeds the archive.
struct SiteDoor {
    std::int64_t id = 0;
    QString name;
    QByteArray deviceId;
    QByteArray entrance;
    QByteArray exit;
};

class SiteDatabase {
public:
    // Opens (and on first use creates) the archive. SiteError / SiteConnectionError when it cannot.
    explicit SiteDatabase(const SiteLocation& location);

    SiteConnection& Sql() { return *sql_; }
    SiteEngine Engine() const { return sql_->Engine(); }
    const SiteLocation& Location() const { return location_; }

    // Every door, in name order.
    std::vector<SiteDoor> Doors();
    // The doors of the names, in name order; all doors for no names. SiteError names an unknown door.
    std::vector<SiteDoor> ChosenDoors(const QStringList& names);

private:
    void CreateSchema();

    SiteLocation location_;
    std::unique_ptr<SiteConnection> sql_;
};

} // namespace qtx
