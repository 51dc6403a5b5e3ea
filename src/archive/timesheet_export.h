#pragma once
// Writing a timesheet and a list of events: CSV for scripts and XLSX for spreadsheets.

#include "archive/event_store.h"
#include "archive/timesheet.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace qtx {

class LanguageTable;

// The column titles and words of an export in the interface language.
struct TimesheetTexts {
    QString number;
    QString name;
    QString total;
    QString timesheetSheet;
    QString eventsSheet;
    QString date;
    QString time;
    QString user;
    QString port;
    QString status;
    QString accepted;
    QString denied;
};
TimesheetTexts TimesheetTextsOf(const LanguageTable& texts);

// One CSV line (RFC 4180 quoting where a field holds a comma, a quote or a line break), CR LF.
QString CsvRow(const QStringList& fields);

// The timesheet as CSV, UTF-8: "id,name,YYYY-MM-01,...,total", then one line per row; times as
// H:MM or, with seconds set, as whole seconds.
QByteArray TimesheetCsv(const Timesheet& sheet, bool seconds);

// Events as CSV, UTF-8: a header line of the texts' titles, then date, time, user number,
// name, port name and status per event.
QByteArray EventsCsv(const std::vector<const CEvent*>& events, const EventStore& store, const UserNames& names,
                     const TimesheetTexts& texts);

// Writes an XLSX workbook atomically: the timesheet (header frozen, durations as [h]:mm, a row
// of totals, weekends shaded) and the month's events that pass the filter. FileError on failure.
// percent reports the progress through the events.
void WriteTimesheetXlsx(const QString& path, const Timesheet& sheet, const EventStore& store, const UserFilter& filter,
                        const UserNames& names, const TimesheetTexts& texts, const PercentCallback& percent = {});

} // namespace qtx
