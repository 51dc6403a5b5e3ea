#pragma once
// The user manager's list as an item model: one line per shown record, over the records of the
// user list that the manager owns.

#include "users/user.h"
#include "users/user_view.h"

#include <QAbstractListModel>
#include <QCollator>
#include <QString>
#include <functional>
#include <vector>

namespace qtx {

class UserListModel : public QAbstractListModel {
public:
    // The list must outlive the model; after the records change, Rebuild or Clear before the
    // view paints again (lines of records no longer in the list show empty).
    explicit UserListModel(const UserList& users, QObject* parent = nullptr);

    // Filters and orders the records anew, then resets the view in one step; progress is
    // FilterUsers' and runs before the reset.
    void Rebuild(const ViewFilter& filter, SortOrder order, const QCollator& collator,
                 const std::function<void(int)>& progress = {});
    // No lines, before the records are emptied or read anew.
    void Clear();
    // How the lines show a PIN: in clear, or as the marker of an existing one.
    void SetPinDisplay(bool showPins, const QString& existsText);

    // Positions in the list of the records shown, line by line.
    const std::vector<qsizetype>& ShownUsers() const { return shown_; }
    // The line that shows the record at a position of the list, or -1.
    int RowOf(qsizetype position) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

private:
    const UserList& users_;
    std::vector<qsizetype> shown_;
    bool showPins_ = false;
    QString existsText_;
};

} // namespace qtx
