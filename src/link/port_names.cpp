#include "link/port_names.h"

#include "link/com_socket.h"
#include "link/net_port.h"

#include <QFile>
#include <QRegularExpression>
#include <QStandardPaths>
#include <algorithm>
#include <map>

namespace qtx {

namespace {

const QLatin1String FileName("qtx-manager/ports.conf");

} // namespace

QList<NamedNetPort> ReadPortsFile(const QString& path, QStringList* errors)
{
    QList<NamedNetPort> ports;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return ports;
    int lineNumber = 0;
    while (!file.atEnd()) {
        ++lineNumber;
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        const QString name = line.left(std::max<qsizetype>(equals, 0)).trimmed();
        const QString value = line.mid(equals + 1).trimmed();
        const QString address = value.section(QRegularExpression(QStringLiteral("\\s+")), 0, 0);
        NamedNetPort port{PortSortKey(name), address, value.mid(address.size()).trimmed()};
        if (equals < 0 || !name.startsWith(QLatin1String("COM")) || port.number == 0
            || name != QStringLiteral("COM%1").arg(port.number) || !ParseNetPortName(address)) {
            if (errors != nullptr)
                errors->append(QStringLiteral("%1:%2: %3").arg(path).arg(lineNumber).arg(line));
            continue;
        }
        ports.append(port);
    }
    return ports;
}

QStringList PortsFilePaths()
{
    return {QStringLiteral("/etc/") + FileName,
            QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QLatin1Char('/') + FileName};
}

QList<NamedNetPort> NamedNetPorts(QStringList* errors)
{
    std::map<int, NamedNetPort> byNumber;
    const QStringList paths = PortsFilePaths();
    for (const QString& path : paths) {
        const QList<NamedNetPort> ports = ReadPortsFile(path, errors);
        for (const NamedNetPort& port : ports)
            byNumber[port.number] = port;
    }
    QList<NamedNetPort> ports;
    for (const auto& [number, port] : byNumber)
        ports.append(port);
    return ports;
}

} // namespace qtx
