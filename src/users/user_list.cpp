#include "users/user_list.h"

#include "base/errors.h"
#include "users/card_number.h"

#include <vector>

namespace qtx {

namespace {

// The value of an ID of exactly four decimal digits, or -1.
int IdNumber(QByteArrayView id)
{
    if (id.size() != 4)
        return -1;
    int n = 0;
    for (const char c : id) {
        if (c < '0' || c > '9')
            return -1;
        n = n * 10 + (c - '0');
    }
    return n;
}

const QByteArray* ReferenceId(const UserList& users, qsizetype position)
{
    if (position == -1)
        return nullptr;
    if (position < 0 || position >= static_cast<qsizetype>(users.size()))
        throw ListIndexError(position);
    return &users[static_cast<std::size_t>(position)].id;
}

template <class Matches>
qsizetype FindOwner(const UserList& users, qsizetype position, Matches matches)
{
    const QByteArray* reference = ReferenceId(users, position);
    for (std::size_t i = 0; i < users.size(); ++i) {
        const CUser& u = users[i];
        if ((!reference || u.id != *reference) && matches(u))
            return static_cast<qsizetype>(i);
    }
    return -1;
}

} // namespace

QString FindFreeId(const UserList& users)
{
    // One pass marking the IDs in use instead of a search through the list for each candidate.
    std::vector<bool> used(10000, false);
    for (const CUser& u : users) {
        const int n = IdNumber(u.id);
        if (n >= 0)
            used[static_cast<std::size_t>(n)] = true;
    }
    for (int n = 1; n <= 9999; ++n)
        if (!used[static_cast<std::size_t>(n)])
            return QStringLiteral("%1").arg(n, 4, 10, QLatin1Char('0'));
    return QString();
}

qsizetype IndexOfId(const UserList& users, QByteArrayView id)
{
    for (std::size_t i = 0; i < users.size(); ++i)
        if (users[i].id == id)
            return static_cast<qsizetype>(i);
    return -1;
}

qsizetype FindCardOwner(const UserList& users, QStringView cardText, qsizetype position)
{
    const std::int64_t card = ReadNumberField(cardText);
    if (card == 0)
        return -1;
    return FindOwner(users, position, [card](const CUser& u) { return u.card == card; });
}

qsizetype FindPinOwner(const UserList& users, QByteArrayView pin, qsizetype position)
{
    if (pin.isEmpty())
        return -1;
    return FindOwner(users, position, [pin](const CUser& u) { return u.pin == pin; });
}

void SetPinForId(UserList& users, qsizetype position, const QByteArray& pin)
{
    if (position < 0 || position >= static_cast<qsizetype>(users.size()))
        throw ListIndexError(position);
    const QByteArray id = users[static_cast<std::size_t>(position)].id;
    for (CUser& u : users)
        if (u.id == id)
            u.pin = pin;
}

} // namespace qtx
