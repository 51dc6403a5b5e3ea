#pragma once
// The day event list as an item model: one line per event of a day under the archive's user
// filter, accepted and denied alike, in store order.

#include "archive/event.h"
#include "archive/event_store.h"
#include "archive/statistics.h"

#include <QAbstractListModel>
#include <QDate>
#include <QStringList>
#include <vector>

namespace qtx {

// The events of the date that pass the filter, in store order; none for an invalid date.
std::vector<const CEvent*> EventsOfDay(const EventStore& store, QDate date, const UserFilter& filter);

class DayEventModel : public QAbstractListModel {
public:
    using QAbstractListModel::QAbstractListModel;

    // Lines the day's events and resets the view in one step. The lines are kept as text, not
    // as references into the store: the archive may load other files while the list stays open.
    void Fill(const EventStore& store, QDate date, const UserFilter& filter, const EventLineTexts& words);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

private:
    QStringList lines_;
};

} // namespace qtx
