#include "config/config_files.h"

#include "base/text_file.h"

namespace qtx {

ConfigReport ParseConfigReport(const QList<QByteArray>& lines)
{
    ConfigReport report;
    for (const QByteArray& line : lines) {
        if (line.startsWith("DeviceID="))
            report.deviceName = line.mid(9);
        else if (line.startsWith("firmware: "))
            report.firmware = line.mid(10);
        else if (line.startsWith("port1="))
            report.port1Name = line.mid(6);
        else if (line.startsWith("port0="))
            report.port0Name = line.mid(6);
        else if (line.startsWith("button="))
            report.exitByButton = line.mid(7) == "on";
    }
    return report;
}

ConfigReport ReadConfigReportFile(const QString& path)
{
    return ParseConfigReport(ReadTextLines(path));
}

QList<QByteArray> DefaultReportLines()
{
    return {"DeviceID=Rejestrator QTX-2", "firmware: ?", "port0=" + ToCp1250(QStringLiteral("wyjście")),
            "port1=" + ToCp1250(QStringLiteral("wejście")), "button=off"};
}

QList<QByteArray> DefaultCommandLines()
{
    return {"DeviceID=Rejestrator QTX-2", "port0=" + ToCp1250(QStringLiteral("wyjście")),
            "port1=" + ToCp1250(QStringLiteral("wejście")), "button=off"};
}

QList<QByteArray> BuildCommandLines(const ConfigCommands& c)
{
    // A pasted line break must not start a command the operator did not tick.
    QList<QByteArray> lines;
    if (c.setDeviceName)
        lines.append("DeviceID=" + AsOneLine(c.deviceName));
    if (c.setPort1)
        lines.append("port1=" + AsOneLine(c.port1Name));
    if (c.setPort0)
        lines.append("port0=" + AsOneLine(c.port0Name));
    if (c.setDate)
        lines.append("data:" + AsOneLine(c.year) + '.' + AsOneLine(c.month) + '.' + AsOneLine(c.day));
    if (c.setTime)
        lines.append("time:" + AsOneLine(c.hour) + '.' + AsOneLine(c.minute) + '.' + AsOneLine(c.second));
    if (c.setExitMode)
        lines.append(c.exitByButton ? "button=on" : "button=off");
    return lines;
}

} // namespace qtx
