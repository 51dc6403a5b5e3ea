#pragma once
// What the user manager shows: the records that pass the search filter, their order by name or
// ID in the user's collation, and the fixed-column line of each record.

#include "users/user.h"

#include <QCollator>
#include <QString>
#include <array>
#include <functional>
#include <vector>

namespace qtx {

// The filter categories in the order of the manager's category list.
enum class FilterCategory { Name = 0, Id = 1, ShortCardNumber = 2, Administrator = 3 };

struct ViewFilter {
    bool enabled = false;
    FilterCategory category = FilterCategory::Name;
    QString text;

    // Switched on, with a search text or the administrator category.
    bool IsActive() const { return enabled && (!text.isEmpty() || category == FilterCategory::Administrator); }
};

enum class SortOrder { None, ByName, ById };

// Whether the record passes an active filter: the search text, in upper case, occurs in the
// name, the ID or the decimal short number in upper case; administrators pass their category.
bool PassesFilter(const CUser& user, FilterCategory category, const QString& upperText);

// Positions of the records shown, in file order: all of them when the filter is not active.
// While filtering, progress(percent) is called whenever (i + 1) * 100 / n changes, counting from 0.
std::vector<qsizetype> FilterUsers(const UserList& users, const ViewFilter& filter,
                                   const std::function<void(int)>& progress = {});

// Orders the shown positions by name or ID in the collation's order; equal keys keep their order.
void SortView(const UserList& users, std::vector<qsizetype>& shown, SortOrder order, const QCollator& collator);

// The user's locale collation, case-sensitive.
QCollator UserCollator();

// The columns where a line's ID, PIN, card and name start; the window's headings stand over them.
enum UserColumn { IdColumn, PinColumn, CardColumn, NameColumn, UserColumnCount };
inline constexpr std::array<int, UserColumnCount> UserLineColumns{0, 14, 28, 47};

// The fields at their columns, then the administrator suffix; a PIN shows as the marker of an
// existing PIN unless showPins; a long field pushes the later ones right.
QString UserLine(const CUser& user, bool showPins, const QString& existsText);

} // namespace qtx
