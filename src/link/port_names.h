#pragma once
// The ports file: COM names an administrator gives to network ports, system-wide
// (/etc/qtx-manager/ports.conf) and per user (~/.config/qtx-manager/ports.conf).

#include <QList>
#include <QString>
#include <QStringList>

namespace qtx {

// One line of a ports file: "COM100 = rfc2217://door2.lan:4001  Drzwi magazynu".
struct NamedNetPort {
    int number = 0;
    QString address;
    QString description;

    bool operator==(const NamedNetPort&) const = default;
};

// The ports of one file (UTF-8), in its order. Empty lines and lines starting with '#' are
// skipped; so is a line that names no COMn or no network address, and it goes into
// `errors` ("file:line: text") when given. A missing file holds no ports.
QList<NamedNetPort> ReadPortsFile(const QString& path, QStringList* errors = nullptr);

// The ports files in the order they are read: system-wide, then the user's.
QStringList PortsFilePaths();

// The ports of every ports file, sorted by number; for a number named twice the later line wins,
// so the user's file overrides the system-wide one.
QList<NamedNetPort> NamedNetPorts(QStringList* errors = nullptr);

} // namespace qtx
