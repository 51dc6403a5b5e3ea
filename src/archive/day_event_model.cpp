#include "archive/day_event_model.h"

namespace qtx {

std::vector<const CEvent*> EventsOfDay(const EventStore& store, QDate date, const UserFilter& filter)
{
    std::vector<const CEvent*> events;
    if (!date.isValid())
        return events;
    store.ForEachOfDay(static_cast<std::int32_t>(date.toJulianDay()), [&](const CEvent& e) {
        if (filter.Passes(e))
            events.push_back(&e);
    });
    return events;
}

void DayEventModel::Fill(const EventStore& store, QDate date, const UserFilter& filter, const EventLineTexts& words)
{
    QStringList lines;
    const std::vector<const CEvent*> events = EventsOfDay(store, date, filter);
    lines.reserve(static_cast<qsizetype>(events.size()));
    for (const CEvent* e : events)
        lines << FormatEventLine(*e, store.Texts(), words);
    beginResetModel();
    lines_ = std::move(lines);
    endResetModel();
}

int DayEventModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(lines_.size());
}

QVariant DayEventModel::data(const QModelIndex& index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= rowCount())
        return {};
    return lines_[index.row()];
}

} // namespace qtx
