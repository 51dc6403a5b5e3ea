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
    // The heading's labels.
    QString deviceName;
    QString folder;
    QString countingMode;
    QString entrance;
    QString exit;
    QString filter;
    QString roundingRule;
    QString cutMark; // said in a cell cut to the spreadsheet's limit
};
TimesheetTexts TimesheetTextsOf(const LanguageTable& texts);

// What the heading above a workbook's timesheet says: where and what was counted.
struct TimesheetHeading {
    QString deviceName;
    QString folder;
    QString month; // "March 2025"
    QString countingMode;
    QString entrance;
    QString exit;
    QString filter;
};

// Fills the heading's entrance and exit from the port names: every door's, for events gathered
// from several recorders.
void SetHeadingPorts(TimesheetHeading& heading, const PortNames& ports);

// The two forms of a CSV file: plain for scripts (UTF-8, ",") and one that a spreadsheet set to
// a language with a decimal comma opens one value to a column with its letters intact (UTF-8
// with a byte-order mark, ";").
enum class CsvForm { Plain, Spreadsheet };

// One CSV line (RFC 4180 quoting where a field holds the separator, a quote or a line break), CR LF.
QString CsvRow(const QStringList& fields, QChar separator = QLatin1Char(','));

// The timesheet as plain CSV, UTF-8: "id,name,YYYY-MM-01,...,total", then one line per row; times
// as H:MM (each day rounded to the minute, totals the sums of the days shown) or, with seconds set,
// as exact whole seconds.
QByteArray TimesheetCsv(const Timesheet& sheet, bool seconds);

// The timesheet for a spreadsheet: the CSV's rows with the header in the texts' language and
// times as H:MM, in the spreadsheet form.
QByteArray TimesheetSpreadsheetCsv(const Timesheet& sheet, const TimesheetTexts& texts);

// Events as CSV: a header line of the texts' titles, then date, time, user number, name, port
// name and status per event.
QByteArray EventsCsv(const std::vector<const CEvent*>& events, const EventStore& store, const UserNames& names,
                     const TimesheetTexts& texts, CsvForm form = CsvForm::Plain);

// A spreadsheet's limits: characters in a cell, rows in a sheet. Tests may ask for less.
struct XlsxLimits {
    int cellCharacters = 32767;
    int sheetRows = 1048576;
};

// Writes an XLSX workbook atomically: the timesheet under its heading (header row frozen, filtered
// and repeated on printed pages, landscape one page wide, durations in rounded minutes as [h]:mm, a
// negative one as its text, a row of totals, weekends shaded) and the month's events that pass the
// filter, carried on over further sheets past a sheet's last row. A text longer than a cell holds
// is cut with the texts' mark. FileError on failure. percent reports the progress through the
// events.
void WriteTimesheetXlsx(const QString& path, const Timesheet& sheet, const EventStore& store, const UserFilter& filter,
                        const UserNames& names, const TimesheetTexts& texts, const TimesheetHeading& heading,
                        const PercentCallback& percent = {}, const XlsxLimits& limits = {});

} // namespace qtx
