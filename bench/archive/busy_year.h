#pragma once
// A year of a busy site as the recorder writes it: 365 daily event files of 5,000 lines from 200
// users, who pass the entrance and the exit in turn; about one press in forty is refused.

#include "base/text_file.h"

#include <QByteArray>
#include <QDate>
#include <QRandomGenerator>
#include <cstdio>

namespace bench {

constexpr int Days = 365;
constexpr int LinesPerFile = 5000;
constexpr int Users = 200;
inline const QByteArray Entrance = qtx::ToCp1250(QStringLiteral("Wejście główne"));
inline const QByteArray Exit = qtx::ToCp1250(QStringLiteral("Wyjście główne"));

// The first day of the year.
inline QDate FirstDay()
{
    return QDate(2021, 1, 1);
}

// One day's file; the days of a year are drawn one after another from the same generator.
inline QByteArray BusyDayFile(const QDate& date, QRandomGenerator& random)
{
    QByteArray file = "ID, DATA, CZAS, WYNIK, OPIS, PORT,\r\n";
    file.reserve(LinesPerFile * 72);
    bool inside[Users + 1] = {};
    const QByteArray day = date.toString(QStringLiteral("yyyy-MM-dd")).toLatin1();
    for (int k = 0; k < LinesPerFile; ++k) {
        const int u = 1 + static_cast<int>(random.bounded(Users));
        const int t = k * 86400 / LinesPerFile;
        const bool accepted = random.bounded(40) != 0;
        if (accepted)
            inside[u] = !inside[u];
        char line[160];
        const int n = std::snprintf(line, sizeof line, "%04d, %s, %02d:%02d:%02d, %dk, Pracownik %d, %s,\r\n", u,
                                    day.constData(), t / 3600, t / 60 % 60, t % 60, accepted ? 1 : 0, u,
                                    (inside[u] ? Entrance : Exit).constData());
        file.append(line, n);
    }
    return file;
}

} // namespace bench
