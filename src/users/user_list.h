#pragma once
// The list operations the user editor's checks rely on: free IDs, records by ID, the owners of
// a card or PIN, and one PIN for all records of a user.

#include "users/user.h"

#include <QByteArray>
#include <QString>

namespace qtx {

// The lowest ID "0001" to "9999" no record has, or an empty text when all are in use.
QString FindFreeId(const UserList& users);

// Position of the first record whose ID equals the text exactly, or -1.
qsizetype IndexOfId(const UserList& users, QByteArrayView id);

// Position of the first record holding the card (read from the text; 0 or not a number: -1)
// whose ID differs from the ID of users[position]; every record counts when position is -1.
qsizetype FindCardOwner(const UserList& users, QStringView cardText, qsizetype position);

// As FindCardOwner, comparing PINs; an empty PIN finds nothing.
qsizetype FindPinOwner(const UserList& users, QByteArrayView pin, qsizetype position);

// Gives every record with the ID of users[position], that one included, the PIN.
void SetPinForId(UserList& users, qsizetype position, const QByteArray& pin);

} // namespace qtx
