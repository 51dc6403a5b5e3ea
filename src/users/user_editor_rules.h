#pragma once
// The user editor's rules: the checks an entry must pass, in the order they are made, and the
// record the confirmed entry becomes.

#include "users/user.h"

#include <QString>
#include <QStringList>

namespace qtx {

// The editor's fields as they are when the entry is confirmed.
struct UserEntry {
    QString name;
    QString id;
    QString pin;
    QString card; // the full card number field
    bool administrator = false;
};

// The first check an entry fails.
struct EntryRefusal {
    enum Kind { None, PinRule, NoPinOrCard, CommaInName, NameCharacters, WrongId, CardExists, PinExists };
    Kind kind = None;
    // For NameCharacters: the characters code page 1250 cannot hold, an invisible one by its code ("U+200B").
    QStringList characters;
};

// Checks the entry against the list, in this order: the PIN rule, a PIN or a card present, no
// comma in the name, a name that code page 1250 holds, a valid ID, the card and then the PIN
// not held by another user's record (the records with the entry's ID are the user's own).
EntryRefusal FirstRefusal(const UserEntry& entry, const UserList& users);

// Appends the entry as a new record and returns its position; an empty name becomes
// "Nowy uzytkownik (ID)". Every record with its ID gets its PIN.
qsizetype AddUserRecord(UserList& users, const UserEntry& entry);

// Stores the entry's name, card and kind into the record at position (its ID stays); every
// record with its ID gets the entry's PIN.
void UpdateUserRecord(UserList& users, qsizetype position, const UserEntry& entry);

} // namespace qtx
