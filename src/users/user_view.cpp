#include "users/user_view.h"

#include "base/text_file.h"

#include <QHash>
#include <QLocale>
#include <algorithm>
#include <numeric>

namespace qtx {

namespace {

const QString AdministratorSuffix = QStringLiteral(" (") + QStringLiteral("Administrator").toLower() + QLatin1Char(')');

void PadTo(QString& text, qsizetype column)
{
    if (text.size() < column)
        text.resize(column, QLatin1Char(' '));
}

// Four ASCII digits: the collation orders such IDs as their bytes do.
bool IsPlainId(const QByteArray& id)
{
    return id.size() == 4 && std::all_of(id.begin(), id.end(), [](char c) { return c >= '0' && c <= '9'; });
}

} // namespace

bool PassesFilter(const CUser& user, FilterCategory category, const QString& upperText)
{
    switch (category) {
    case FilterCategory::Name:
        return FromCp1250(user.name).toUpper().contains(upperText);
    case FilterCategory::Id:
        return FromCp1250(user.id).toUpper().contains(upperText);
    case FilterCategory::ShortCardNumber:
        return QString::number(user.ShortNumber()).contains(upperText);
    case FilterCategory::Administrator:
        return user.IsAdministrator();
    }
    return false;
}

std::vector<qsizetype> FilterUsers(const UserList& users, const ViewFilter& filter,
                                   const std::function<void(int)>& progress)
{
    std::vector<qsizetype> shown;
    const auto n = static_cast<qsizetype>(users.size());
    if (!filter.IsActive()) {
        shown.resize(users.size());
        std::iota(shown.begin(), shown.end(), 0);
        return shown;
    }
    const QString upperText = filter.text.toUpper();
    int position = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const int percent = static_cast<int>((i + 1) * 100 / n);
        if (percent != position) {
            position = percent;
            if (progress)
                progress(percent);
        }
        if (PassesFilter(users[static_cast<std::size_t>(i)], filter.category, upperText))
            shown.push_back(i);
    }
    return shown;
}

void SortView(const UserList& users, std::vector<qsizetype>& shown, SortOrder order, const QCollator& collator)
{
    if (order == SortOrder::None || shown.size() < 2)
        return;
    auto record = [&users](qsizetype i) -> const CUser& { return users[static_cast<std::size_t>(i)]; };
    // A stable sort keeps equal keys in file order, the order the neighbour exchanges of a
    // bubble sort give, in O(n log n).
    if (order == SortOrder::ById
        && std::all_of(shown.begin(), shown.end(), [&](qsizetype i) { return IsPlainId(record(i).id); })) {
        std::stable_sort(shown.begin(), shown.end(),
                         [&](qsizetype a, qsizetype b) { return record(a).id < record(b).id; });
        return;
    }
    // One sort key per distinct text (a person's cards share the name) instead of a collation
    // per comparison.
    std::vector<QCollatorSortKey> keys;
    QHash<QByteArray, std::size_t> keyOfText;
    std::vector<std::pair<std::size_t, qsizetype>> keyed;
    keyed.reserve(shown.size());
    for (const qsizetype i : shown) {
        const QByteArray& text = order == SortOrder::ByName ? record(i).name : record(i).id;
        auto it = keyOfText.find(text);
        if (it == keyOfText.end()) {
            it = keyOfText.insert(text, keys.size());
            keys.push_back(collator.sortKey(FromCp1250(text)));
        }
        keyed.emplace_back(it.value(), i);
    }
    std::stable_sort(keyed.begin(), keyed.end(), [&keys](const auto& a, const auto& b) {
        return a.first != b.first && keys[a.first].compare(keys[b.first]) < 0;
    });
    for (std::size_t k = 0; k < keyed.size(); ++k)
        shown[k] = keyed[k].second;
}

QCollator UserCollator()
{
    QCollator collator{QLocale()};
    collator.setCaseSensitivity(Qt::CaseSensitive);
    return collator;
}

QString UserLine(const CUser& user, bool showPins, const QString& existsText)
{
    QString line;
    line.reserve(UserLineColumns[NameColumn] + user.name.size() + AdministratorSuffix.size());
    line += FromCp1250(user.id);
    PadTo(line, UserLineColumns[PinColumn]);
    if (showPins)
        line += QLatin1String(user.pin);
    else if (!user.pin.isEmpty())
        line += existsText;
    PadTo(line, UserLineColumns[CardColumn]);
    line += user.CardText();
    PadTo(line, UserLineColumns[NameColumn]);
    line += FromCp1250(user.name);
    if (user.IsAdministrator())
        line += AdministratorSuffix;
    return line;
}

} // namespace qtx
