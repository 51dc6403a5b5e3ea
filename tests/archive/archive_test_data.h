#pragma once
// Event lines and files as the recorder writes them, for the archive's tests.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QList>
#include <QString>

namespace qtx::test {

// "0012, 2021-05-11, 08:05:12, 1k, detail, port," (the port is followed by one final character).
inline QByteArray EventLine(const QByteArray& user, int hour, int minute, int second, bool accepted, bool byCard,
                            const QByteArray& detail, const QByteArray& port)
{
    const auto two = [](int v) { return QByteArray::number(v).rightJustified(2, '0'); };
    return user + ", 2021-05-11, " + two(hour) + ':' + two(minute) + ':' + two(second) + ", " + (accepted ? '1' : '0')
           + (byCard ? 'k' : 'p') + ", " + detail + ", " + port + ',';
}

// A header line and the event lines, each ended by CR LF.
inline QByteArray EventFile(const QList<QByteArray>& lines)
{
    QByteArray data = "ID, DATA, CZAS, WYNIK, OPIS, PORT,\r\n";
    for (const QByteArray& line : lines)
        data += line + "\r\n";
    return data;
}

inline void WriteBytes(const QString& path, const QByteArray& data)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size())
        qFatal("cannot write %s", qPrintable(path));
}

} // namespace qtx::test
