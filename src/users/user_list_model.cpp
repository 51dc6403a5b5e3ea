#include "users/user_list_model.h"

#include <algorithm>

namespace qtx {

UserListModel::UserListModel(const UserList& users, QObject* parent) : QAbstractListModel(parent), users_(users)
{
}

void UserListModel::Rebuild(const ViewFilter& filter, SortOrder order, const QCollator& collator,
                            const std::function<void(int)>& progress)
{
    std::vector<qsizetype> shown = FilterUsers(users_, filter, progress);
    SortView(users_, shown, order, collator);
    beginResetModel();
    shown_ = std::move(shown);
    endResetModel();
}

void UserListModel::Clear()
{
    beginResetModel();
    shown_.clear();
    endResetModel();
}

void UserListModel::SetPinDisplay(bool showPins, const QString& existsText)
{
    if (showPins == showPins_ && existsText == existsText_)
        return;
    showPins_ = showPins;
    existsText_ = existsText;
    if (!shown_.empty())
        emit dataChanged(index(0), index(rowCount() - 1), {Qt::DisplayRole});
}

int UserListModel::RowOf(qsizetype position) const
{
    const auto it = std::find(shown_.begin(), shown_.end(), position);
    return it == shown_.end() ? -1 : static_cast<int>(it - shown_.begin());
}

int UserListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(shown_.size());
}

QVariant UserListModel::data(const QModelIndex& index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= rowCount())
        return {};
    const qsizetype position = shown_[static_cast<std::size_t>(index.row())];
    if (position < 0 || position >= static_cast<qsizetype>(users_.size()))
        return {};
    return UserLine(users_[static_cast<std::size_t>(position)], showPins_, existsText_);
}

} // namespace qtx
