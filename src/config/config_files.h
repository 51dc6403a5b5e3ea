#pragma once
// The recorder's configuration report (KONFOUT.TXT) and the command file for it (konfig.txt).

#include <QByteArray>
#include <QList>
#include <QString>

namespace qtx {

// Their names inside a workspace folder.
inline const QString ReportFileName = QStringLiteral("KONFOUT.TXT");
inline const QString CommandFileName = QStringLiteral("konfig.txt");

// What a configuration report says; values are the file's raw bytes.
struct ConfigReport {
    QByteArray deviceName;
    QByteArray port1Name;
    QByteArray port0Name;
    QByteArray firmware;
    // Only the exact value "on" means the exit button; anything else, or no line, the card reader.
    bool exitByButton = false;
};

// Reads the report lines: prefixes tried in a fixed order at the first character,
// case-sensitive, the last line of a key wins, other lines ignored.
ConfigReport ParseConfigReport(const QList<QByteArray>& lines);

// Reads a report file; raises FileError when it cannot be read.
ConfigReport ReadConfigReportFile(const QString& path);

// Lines of the report and command file written into a workspace without a report.
QList<QByteArray> DefaultReportLines();
QList<QByteArray> DefaultCommandLines();

// The commands the operator ticked in the editor; empty optional parts are not written.
struct ConfigCommands {
    bool setDeviceName = false;
    QByteArray deviceName;
    bool setPort1 = false;
    QByteArray port1Name;
    bool setPort0 = false;
    QByteArray port0Name;
    bool setDate = false;
    QByteArray year, month, day;
    bool setTime = false;
    QByteArray hour, minute, second;
    bool setExitMode = false;
    bool exitByButton = false;
};

// The command lines in the recorder's order, only for ticked commands, values as typed.
QList<QByteArray> BuildCommandLines(const ConfigCommands& commands);

} // namespace qtx
