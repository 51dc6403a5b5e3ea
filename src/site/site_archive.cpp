#include "site/site_archive.h"

#include "base/text_file.h"

#include <QHash>
#include <QSet>
#include <algorithm>

namespace qtx {

namespace {

std::int64_t DayKey(QDate date)
{
    return date.year() * 10000 + date.month() * 100 + date.day();
}

// One door's events in its files' order, with the place of the file each came from in the
// archive's order of file names.
struct DoorEvents {
    std::vector<CEvent> events;
    std::vector<int> fileRanks;
};

} // namespace

QByteArray QualifiedPortName(const SiteDoor& door, QByteArrayView port)
{
    return ToCp1250(door.name) + ": " + port.toByteArray();
}

void SiteArchive::Load(SiteDatabase& db, const QStringList& doorNames, QDate first, QDate last)
{
    doors_ = db.ChosenDoors(doorNames);
    store_->Clear();
    people_.clear();
    ports_ = {};
    SiteConnection& sql = db.Sql();
    const std::int64_t from = first.isValid() ? DayKey(first) : 0;
    const std::int64_t to = last.isValid() ? DayKey(last) : 99999999;

    // Files of one date are read in the archive's order of their names, not in import order.
    QHash<std::int64_t, int> rank;
    {
        std::vector<std::pair<QString, std::int64_t>> files;
        for (const SiteDoor& door : doors_)
            sql.Exec("SELECT id, file FROM imports WHERE door = ?", {SqlParam::Int(door.id)},
                     [&files](const SqlRow& row) { files.emplace_back(row.Text(1), row.Int(0)); });
        std::sort(files.begin(), files.end(), [](const auto& a, const auto& b) {
            const int c = a.first.compare(b.first, Qt::CaseInsensitive);
            return c != 0 ? c < 0 : a.first < b.first;
        });
        for (std::size_t i = 0; i < files.size(); ++i)
            rank.insert(files[i].second, static_cast<int>(i));
    }
    TextPool& texts = store_->Texts();
    std::vector<DoorEvents> perDoor(doors_.size());
    for (std::size_t d = 0; d < doors_.size(); ++d) {
        const SiteDoor& door = doors_[d];
        if (d == 0) {
            ports_.entrance = QualifiedPortName(door, door.entrance);
            ports_.exit = QualifiedPortName(door, door.exit);
        } else {
            ports_.moreEntrances.append(QualifiedPortName(door, door.entrance));
            ports_.moreExits.append(QualifiedPortName(door, door.exit));
        }
        const QByteArray prefix = ToCp1250(door.name) + ": ";
        QByteArray port = prefix;
        // A door has few port names and a day many events: both are looked up once, not per row.
        std::vector<std::pair<QByteArray, TextPool::Id>> ports;
        std::int64_t lastKey = -1;
        std::int32_t lastDay = 0;
        // A day's rows come file by file, and a detail often repeats: each is looked up once per run.
        std::int64_t lastFile = -1;
        int lastRank = 0;
        TextPool::Id lastDetailId = TextPool::EmptyText;
        DoorEvents& out = perDoor[d];
        // The doors of a site are alike in size: the first one's count saves the regrowing.
        if (d > 0) {
            out.events.reserve(perDoor[0].events.size());
            out.fileRanks.reserve(perDoor[0].events.size());
        }
        sql.Exec("SELECT day, file, time, user_number, accepted, by_card, detail, port FROM events "
                 "WHERE door = ? AND day BETWEEN ? AND ? ORDER BY day, file, line",
                 {SqlParam::Int(door.id), SqlParam::Int(from), SqlParam::Int(to)}, [&](const SqlRow& row) {
                     const std::int64_t key = row.Int(0);
                     const std::int64_t t = row.Int(2);
                     CEvent e;
                     if (key != lastKey) {
                         lastKey = key;
                         lastDay = static_cast<std::int32_t>(QDate(static_cast<int>(key / 10000),
                                                                   static_cast<int>(key / 100 % 100),
                                                                   static_cast<int>(key % 100))
                                                                 .toJulianDay());
                     }
                     e.day = lastDay;
                     e.hour = static_cast<std::int8_t>(t / 3600);
                     e.minute = static_cast<std::int8_t>(t % 3600 / 60);
                     e.second = static_cast<std::int8_t>(t % 60);
                     e.SetUserNumber(row.BlobView(3));
                     e.accepted = row.Int(4) != 0;
                     e.byCard = row.Int(5) != 0;
                     const QByteArrayView detail = row.BlobView(6);
                     if (detail != texts.Text(lastDetailId))
                         lastDetailId = texts.Intern(detail);
                     e.detail = lastDetailId;
                     const QByteArrayView name = row.BlobView(7);
                     auto known =
                         std::find_if(ports.begin(), ports.end(), [&name](const auto& p) { return p.first == name; });
                     if (known == ports.end()) {
                         port.truncate(prefix.size());
                         port.append(name);
                         ports.emplace_back(name.toByteArray(), texts.Intern(port));
                         known = ports.end() - 1;
                     }
                     e.portName = known->second;
                     out.events.push_back(e);
                     const std::int64_t file = row.Int(1);
                     if (file != lastFile) {
                         lastFile = file;
                         lastRank = rank.value(file);
                     }
                     out.fileRanks.push_back(lastRank);
                 });
    }

    for (DoorEvents& door : perDoor) {
        const auto before = [&door](std::size_t a, std::size_t b) {
            if (door.events[a].day != door.events[b].day)
                return door.events[a].day < door.events[b].day;
            return door.fileRanks[a] < door.fileRanks[b];
        };
        bool inOrder = true;
        for (std::size_t i = 1; i < door.events.size() && inOrder; ++i)
            inOrder = !before(i, i - 1);
        if (inOrder)
            continue;
        std::vector<std::size_t> order(door.events.size());
        for (std::size_t i = 0; i < order.size(); ++i)
            order[i] = i;
        std::stable_sort(order.begin(), order.end(), before);
        std::vector<CEvent> sorted;
        sorted.reserve(order.size());
        for (const std::size_t i : order)
            sorted.push_back(door.events[i]);
        door.events = std::move(sorted);
    }

    // Day by day, the doors' events merged by time: the earliest head goes first, the lower door
    // on a tie, and a door's own events never change places.
    std::vector<std::size_t> at(perDoor.size(), 0);
    for (;;) {
        std::int32_t day = INT32_MAX;
        for (std::size_t d = 0; d < perDoor.size(); ++d)
            if (at[d] < perDoor[d].events.size())
                day = std::min(day, perDoor[d].events[at[d]].day);
        if (day == INT32_MAX)
            break;
        for (;;) {
            std::size_t best = perDoor.size();
            for (std::size_t d = 0; d < perDoor.size(); ++d) {
                if (at[d] >= perDoor[d].events.size() || perDoor[d].events[at[d]].day != day)
                    continue;
                if (best == perDoor.size()
                    || perDoor[d].events[at[d]].SecondsOfDay() < perDoor[best].events[at[best]].SecondsOfDay())
                    best = d;
            }
            if (best == perDoor.size())
                break;
            store_->Append(perDoor[best].events[at[best]++]);
        }
    }

    // The people: each number once, named by the first chosen door that knows it.
    QSet<QByteArray> seen;
    for (const SiteDoor& door : doors_) {
        QList<UserFilterEntry> entries;
        sql.Exec("SELECT number, name FROM people WHERE door = ?", {SqlParam::Int(door.id)},
                 [&entries](const SqlRow& row) {
                     entries.append({row.Blob(0), row.Blob(1)});
                 });
        std::sort(entries.begin(), entries.end(),
                  [](const UserFilterEntry& a, const UserFilterEntry& b) { return a.userNumber < b.userNumber; });
        for (const UserFilterEntry& entry : entries) {
            if (seen.contains(entry.userNumber))
                continue;
            seen.insert(entry.userNumber);
            people_.append(entry);
        }
    }
    std::sort(people_.begin(), people_.end(),
              [](const UserFilterEntry& a, const UserFilterEntry& b) { return a.userNumber < b.userNumber; });
    names_ = UserNames(people_);
}

void LoadSiteMonth(SiteDatabase& db, const QStringList& doorNames, int year, int month, SiteArchive& archive)
{
    const QDate first(year, month, 1);
    archive.Load(db, doorNames, first, first.addMonths(1).addDays(-1));
}

} // namespace qtx
