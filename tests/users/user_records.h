#pragma once
// One user record built in a line, for the user list tests with and without windows.

#include "base/text_file.h"
#include "users/user.h"

#include <QString>

namespace qtx::test {

inline CUser MakeUser(const QByteArray& id, std::int64_t card, const QByteArray& pin, const QString& name,
                      char kind = 'u')
{
    CUser u;
    u.id = id;
    u.card = card;
    u.pin = pin;
    u.name = ToCp1250(name);
    u.kind = static_cast<std::uint8_t>(kind);
    return u;
}

} // namespace qtx::test
