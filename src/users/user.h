#pragma once
// The user list: the record of one card or PIN of a person, and the byte format of USERS.txt.

#include "users/card_number.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <cstdint>
#include <vector>

namespace qtx {

// One record of USERS.txt: one card (or only a PIN) of one person; a person with several cards
// has several records with the same ID. Texts stay the file's raw bytes.
class CUser {
public:
    std::int64_t card = 0; // 0 = no card
    QByteArray id;         // 4 characters, "0001" to "9999"
    std::uint8_t kind = 0; // 'a' administrator, 'u' user; any other byte is kept as it is
    QByteArray pin;        // decimal digit characters; empty = no PIN
    QByteArray name;

    int ShortNumber() const { return CardShortNumber(card); }
    int Facility() const { return CardFacility(card); }
    // Facility code and short number as "012,00345"; bits above 23 do not appear.
    QString CardText() const;
    bool IsAdministrator() const { return kind == 'a'; }

    bool operator==(const CUser&) const = default;
};

using UserList = std::vector<CUser>;

// The user list's file name inside a workspace folder.
inline const QString UserFileName = QStringLiteral("USERS.txt");

inline constexpr std::uint8_t KindAdministrator = 'a';
inline constexpr std::uint8_t KindUser = 'u';

// The records of a USERS.txt image. Stops at the end of the data: a last record cut inside its
// card, ID or kind is dropped; one cut later (in its PIN or name, or before its line end) is kept
// with what it holds.
UserList ParseUserBytes(QByteArrayView data);

// The file image of the records; PIN digits get fresh random code bytes.
QByteArray UserFileBytes(const UserList& users);

// Reads a USERS.txt; raises FileError when it cannot be read.
UserList ReadUserFile(const QString& path);

// Writes folder + UserFileName atomically; raises FileError when it cannot (the old file stays).
void WriteUserFile(const UserList& users, const QString& folder);

} // namespace qtx
