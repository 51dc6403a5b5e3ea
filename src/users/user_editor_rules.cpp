#include "users/user_editor_rules.h"

#include "base/text_file.h"
#include "users/card_number.h"
#include "users/user_list.h"

namespace qtx {

EntryRefusal FirstRefusal(const UserEntry& entry, const UserList& users)
{
    if (!entry.pin.isEmpty() && !PinRuleHolds(entry.pin))
        return {EntryRefusal::PinRule, {}};
    if (entry.pin.isEmpty() && ReadNumberField(entry.card) == 0)
        return {EntryRefusal::NoPinOrCard, {}};
    if (entry.name.contains(QLatin1Char(',')))
        return {EntryRefusal::CommaInName, {}};
    // Code page 1250 would store such characters as substitute bytes that the recorder shows as boxes.
    QStringList outside = CharactersOutsideCp1250(entry.name);
    if (!outside.isEmpty()) {
        // An invisible character (a pasted zero-width space) is named by its code.
        for (QString& c : outside)
            if (!QChar::isPrint(c.toUcs4().front()))
                c = QStringLiteral("U+%1").arg(c.toUcs4().front(), 4, 16, QLatin1Char('0')).toUpper();
        return {EntryRefusal::NameCharacters, outside};
    }
    if (!IdIsValid(entry.id))
        return {EntryRefusal::WrongId, {}};
    const qsizetype owner = IndexOfId(users, ToCp1250(entry.id));
    if (FindCardOwner(users, entry.card, owner) != -1)
        return {EntryRefusal::CardExists, {}};
    if (FindPinOwner(users, ToCp1250(entry.pin), owner) != -1)
        return {EntryRefusal::PinExists, {}};
    return {};
}

qsizetype AddUserRecord(UserList& users, const UserEntry& entry)
{
    CUser user;
    user.id = ToCp1250(entry.id);
    user.name = entry.name.trimmed().isEmpty()
                    ? ToCp1250(QStringLiteral("Nowy uzytkownik (") + entry.id + QLatin1Char(')'))
                    : NameFromInput(entry.name);
    user.card = ReadNumberField(entry.card);
    user.kind = entry.administrator ? KindAdministrator : KindUser;
    users.push_back(std::move(user));
    const auto position = static_cast<qsizetype>(users.size()) - 1;
    SetPinForId(users, position, ToCp1250(entry.pin));
    return position;
}

void UpdateUserRecord(UserList& users, qsizetype position, const UserEntry& entry)
{
    CUser& user = users.at(static_cast<std::size_t>(position));
    user.name = NameFromInput(entry.name);
    user.card = ReadNumberField(entry.card);
    user.kind = entry.administrator ? KindAdministrator : KindUser;
    SetPinForId(users, position, ToCp1250(entry.pin));
}

} // namespace qtx
