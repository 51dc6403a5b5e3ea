#include "users/user.h"

#include "base/text_file.h"
#include "users/pin_code.h"

#include <QtEndian>
#include <cstring>

namespace qtx {

QString CUser::CardText() const
{
    // The facility code is at most 3 digits, so the padding to 9 characters gives "fff,nnnnn".
    const int facility = Facility();
    const int number = ShortNumber();
    const char text[9] = {static_cast<char>('0' + facility / 100),    static_cast<char>('0' + facility / 10 % 10),
                          static_cast<char>('0' + facility % 10),     ',',
                          static_cast<char>('0' + number / 10000),    static_cast<char>('0' + number / 1000 % 10),
                          static_cast<char>('0' + number / 100 % 10), static_cast<char>('0' + number / 10 % 10),
                          static_cast<char>('0' + number % 10)};
    return QString::fromLatin1(text, 9);
}

UserList ParseUserBytes(QByteArrayView data)
{
    UserList users;
    const char* p = data.data();
    const char* const end = p + data.size();
    // The kind byte ends the part a record cannot do without.
    constexpr qsizetype NeededBytes = 13;
    while (p < end) {
        if (end - p < NeededBytes)
            break;
        CUser user;
        std::int64_t card;
        std::memcpy(&card, p, sizeof card);
        user.card = qFromLittleEndian(card);
        user.id = QByteArray(p + 8, 4);
        user.kind = static_cast<std::uint8_t>(p[12]);
        p += NeededBytes;
        if (p < end)
            ++p; // the separator, whatever its value
        while (p < end) {
            const auto b = static_cast<std::uint8_t>(*p++);
            if (b == 0)
                break;
            user.pin += static_cast<char>('0' + DecodePinByte(b));
        }
        const char* nameStart = p;
        // Names are copied in runs; a lone CR is dropped and the byte after it kept untested.
        while (p < end) {
            if (*p != '\r') {
                ++p;
                continue;
            }
            user.name.append(nameStart, p - nameStart);
            ++p;
            if (p == end) {
                nameStart = p;
                break;
            }
            if (*p == '\n') {
                ++p;
                nameStart = nullptr;
                break;
            }
            nameStart = p;
            ++p;
        }
        if (nameStart)
            user.name.append(nameStart, p - nameStart);
        users.push_back(std::move(user));
    }
    return users;
}

QByteArray UserFileBytes(const UserList& users)
{
    qsizetype size = 0;
    for (const CUser& u : users)
        size += 8 + u.id.size() + 2 + u.pin.size() + 1 + u.name.size() + 2;
    QByteArray bytes;
    bytes.reserve(size);
    for (const CUser& u : users) {
        const std::int64_t card = qToLittleEndian(u.card);
        bytes.append(reinterpret_cast<const char*>(&card), sizeof card);
        bytes += u.id;
        bytes += static_cast<char>(u.kind);
        bytes += '\0';
        for (const char c : u.pin)
            bytes += static_cast<char>(EncodePinDigit(static_cast<std::uint8_t>(c - '0')));
        bytes += '\0';
        bytes += u.name;
        bytes += "\r\n";
    }
    return bytes;
}

UserList ReadUserFile(const QString& path)
{
    return ParseUserBytes(ReadWholeFile(path));
}

void WriteUserFile(const UserList& users, const QString& folder)
{
    WriteWholeFile(folder + UserFileName, UserFileBytes(users));
}

} // namespace qtx
