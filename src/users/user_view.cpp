#include "users/user_view.h"

#include "app/text_file.h"

#include <QLocale>
#include <algorithm>
#include <array>
#include <numeric>

namespace qtx {

namespace {

struct Cp1250Table {
    std::array<QChar, 256> chars{};
    bool valid = false;

    Cp1250Table()
    {
        QByteArray all(256, '\0');
        for (int b = 0; b < 256; ++b)
            all[b] = static_cast<char>(b);
        const QString decoded = FromCp1250(all);
        // A byte the code page leaves undefined must still decode to one character.
        if (decoded.size() != 256)
            return;
        std::copy(decoded.begin(), decoded.end(), chars.begin());
        valid = true;
    }
};

const QString AdministratorSuffix = QStringLiteral(" (") + QStringLiteral("Administrator").toLower() + QLatin1Char(')');

} // namespace

QString DecodeCp1250(QByteArrayView bytes)
{
    static const Cp1250Table table;
    if (!table.valid)
        return FromCp1250(bytes.toByteArray());
    QString text(bytes.size(), Qt::Uninitialized);
    QChar* out = text.data();
    for (const char c : bytes)
        *out++ = table.chars[static_cast<unsigned char>(c)];
    return text;
}

bool PassesFilter(const CUser& user, FilterCategory category, const QString& upperText)
{
    switch (category) {
    case FilterCategory::Name:
        return DecodeCp1250(user.name).toUpper().contains(upperText);
    case FilterCategory::Id:
        return DecodeCp1250(user.id).toUpper().contains(upperText);
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
    // One sort key per record instead of a collation per comparison; a stable sort keeps equal
    // keys in file order, which is the order the neighbour exchanges of a bubble sort give.
    std::vector<QCollatorSortKey> keys;
    keys.reserve(shown.size());
    for (const qsizetype i : shown) {
        const CUser& u = users[static_cast<std::size_t>(i)];
        keys.push_back(collator.sortKey(DecodeCp1250(order == SortOrder::ByName ? u.name : u.id)));
    }
    std::vector<std::size_t> rank(shown.size());
    std::iota(rank.begin(), rank.end(), std::size_t{0});
    std::stable_sort(rank.begin(), rank.end(),
                     [&keys](std::size_t a, std::size_t b) { return keys[a].compare(keys[b]) < 0; });
    std::vector<qsizetype> sorted;
    sorted.reserve(shown.size());
    for (const std::size_t r : rank)
        sorted.push_back(shown[r]);
    shown = std::move(sorted);
}

QCollator UserCollator()
{
    QCollator collator{QLocale()};
    collator.setCaseSensitivity(Qt::CaseSensitive);
    return collator;
}

QString UserLine(const CUser& user, bool showPins, const QString& existsText)
{
    QString line = DecodeCp1250(user.id).leftJustified(14);
    if (showPins)
        line += QLatin1String(user.pin);
    else if (!user.pin.isEmpty())
        line += existsText;
    line = line.leftJustified(28);
    line += user.CardText();
    line = line.leftJustified(47);
    line += DecodeCp1250(user.name);
    if (user.IsAdministrator())
        line += AdministratorSuffix;
    return line;
}

QStringList UserLines(const UserList& users, const std::vector<qsizetype>& shown, bool showPins,
                      const QString& existsText)
{
    QStringList lines;
    lines.reserve(static_cast<qsizetype>(shown.size()));
    for (const qsizetype i : shown)
        lines.append(UserLine(users[static_cast<std::size_t>(i)], showPins, existsText));
    return lines;
}

} // namespace qtx
