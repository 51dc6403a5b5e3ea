#pragma once
// SiteArchive, the events of chosen doors of the site archive gathered into one event store, so
// the archive's statistics, timesheets and windows read a site as they read one card folder.

#include "archive/event_store.h"
#include "archive/statistics.h"
#include "archive/timesheet.h"
#include "site/site_database.h"

#include <QDate>
#include <QList>
#include <QStringList>
#include <cstdint>
#include <vector>

namespace qtx {

class SiteArchive {
public:
    SiteArchive() = default;
    // Loads into the given store instead of its own (the archive window's store).
    explicit SiteArchive(EventStore& store) : store_(&store) {}
    SiteArchive(const SiteArchive&) = delete;
    SiteArchive& operator=(const SiteArchive&) = delete;

    // The chosen doors, in name order.
    const std::vector<SiteDoor>& Doors() const { return doors_; }
    // Each day's events of all chosen doors merged in time order; each door's own events keep
    // the order of its files. Port names carry their door ("Front: Entrance"), because two
    // doors may give one name different roles.
    const EventStore& Store() const { return *store_; }
    // Every chosen door's entrance and exit names, as the store's events carry them.
    const PortNames& Ports() const { return ports_; }
    // The people of the chosen doors; where doors name a number differently, the first door's name.
    const QList<UserFilterEntry>& People() const { return people_; }
    const UserNames& Names() const { return names_; }

    // Loads the events of the doors (every door for none) from the first to the last day (an
    // invalid date leaves that end open). SiteError names an unknown door.
    void Load(SiteDatabase& db, const QStringList& doorNames, QDate first = {}, QDate last = {});

private:
    std::vector<SiteDoor> doors_;
    EventStore ownStore_;
    EventStore* store_ = &ownStore_;
    PortNames ports_;
    QList<UserFilterEntry> people_;
    UserNames names_;
};

// A door's port name as the site store carries it.
QByteArray QualifiedPortName(const SiteDoor& door, QByteArrayView port);

// A month of the chosen doors: only what a month's report or timesheet reads.
void LoadSiteMonth(SiteDatabase& db, const QStringList& doorNames, int year, int month, SiteArchive& archive);

} // namespace qtx
