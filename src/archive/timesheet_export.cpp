#include "archive/timesheet_export.h"

#include "base/errors.h"
#include "base/text_file.h"
#include "lang/language_table.h"

#include <QDate>
#include <QFile>
#include <QRegularExpression>
#include <algorithm>
#include <cerrno>
#include <utility>
#include <xlsxwriter.h>

namespace qtx {

namespace {

QString TwoDigits(int value)
{
    return QString::number(value).rightJustified(2, QLatin1Char('0'));
}

QString EventTime(const CEvent& e)
{
    return TwoDigits(e.hour) + QLatin1Char(':') + TwoDigits(e.minute) + QLatin1Char(':') + TwoDigits(e.second);
}

QString DayText(int year, int month, int day)
{
    return QDate(year, month, day).toString(QStringLiteral("yyyy-MM-dd"));
}

// Text for a spreadsheet cell: control characters (which XML cannot carry) become spaces, and a
// text longer than a cell holds (a damaged line's field) is cut and ends in the mark, so the
// export goes on and the reader sees the cut.
QByteArray CellText(const QString& text, int limit = 32767, const QString& mark = QString())
{
    QString clean = text;
    for (QChar& c : clean)
        if (c.unicode() < 0x20)
            c = QLatin1Char(' ');
    // The limit counts characters (code points); a text of no more UTF-16 units is within it.
    if (clean.size() > limit) {
        QList<uint> chars = clean.toUcs4();
        const QList<uint> tail = mark.toUcs4();
        if (chars.size() > limit) {
            chars.resize(std::max<qsizetype>(limit - tail.size(), 0));
            chars += tail;
            clean = QString::fromUcs4(reinterpret_cast<const char32_t*>(chars.constData()), chars.size());
        }
    }
    return clean.toUtf8();
}

// A duration in a spreadsheet: days, the unit of its time values.
double DurationValue(std::int64_t seconds)
{
    return static_cast<double>(seconds) / 86400.0;
}

// The spreadsheet's A1 name of a column (0 = A).
QByteArray ColumnName(int column)
{
    QByteArray name;
    for (int c = column + 1; c > 0; c = (c - 1) / 26)
        name.prepend(static_cast<char>('A' + (c - 1) % 26));
    return name;
}

QByteArray CellName(int row, int column)
{
    return ColumnName(column) + QByteArray::number(row + 1);
}

// The workbook being written and the first error of its calls; errors name the file the
// operator chose, not the scratch file the library writes.
class Workbook {
public:
    Workbook(const QString& file, QString shownPath) : path_(std::move(shownPath))
    {
        const QByteArray name = QFile::encodeName(file);
        // Rows go straight to the sheet's file instead of a table held in memory.
        lxw_workbook_options options{};
        options.constant_memory = LXW_TRUE;
        errno = 0;
        book_ = workbook_new_opt(name.constData(), &options);
        if (book_ == nullptr)
            throw FileError(CannotCreateMessage(path_, Reason(LXW_ERROR_CREATING_TMPFILE)));
    }
    ~Workbook()
    {
        if (book_ != nullptr)
            workbook_close(book_);
    }
    Workbook(const Workbook&) = delete;
    Workbook& operator=(const Workbook&) = delete;

    lxw_worksheet* AddSheet(const QString& title)
    {
        const QByteArray name = CellText(title);
        lxw_worksheet* sheet = workbook_add_worksheet(book_, name.isEmpty() ? nullptr : name.constData());
        if (sheet == nullptr)
            throw FileError(CannotCreateMessage(path_, QStringLiteral("cannot add the sheet %1").arg(title)));
        return sheet;
    }
    lxw_format* Format() { return workbook_add_format(book_); }
    void Check(lxw_error error)
    {
        if (error != LXW_NO_ERROR)
            throw FileError(CannotCreateMessage(path_, Reason(error)));
    }
    void Close()
    {
        lxw_workbook* book = book_;
        book_ = nullptr;
        errno = 0;
        Check(workbook_close(book));
    }

private:
    // The library reports a failed write as a failed step of its own; the system's error number
    // left by that write says why (a full disk), where there is one.
    static QString Reason(lxw_error error)
    {
        const int cause = errno;
        switch (cause) {
        case ENOSPC:
        case EDQUOT:
        case EFBIG:
        case EROFS:
        case EACCES:
        case EPERM:
        case EIO:
            return ErrnoReason(cause);
        default:
            return InterfaceLower(QStringLiteral("THE SPREADSHEET CANNOT BE BUILT")) + QStringLiteral(" (")
                   + QString::fromUtf8(lxw_strerror(error)) + QLatin1Char(')');
        }
    }

    QString path_;
    lxw_workbook* book_ = nullptr;
};

// A duration cell's look: the number's format and the same look for a negative duration, which
// goes in as text because a spreadsheet in its usual date system shows a negative time as "####".
struct DurationFormat {
    lxw_format* number;
    lxw_format* negative;
};

struct SheetFormats {
    lxw_format* title;
    lxw_format* header;
    lxw_format* headerWeekend;
    lxw_format* text;
    DurationFormat duration;
    DurationFormat durationWeekend;
    DurationFormat durationTotal;
    lxw_format* totalLabel;
    DurationFormat totalsRow;
    DurationFormat totalsRowWeekend;
    lxw_format* date;
    lxw_format* time;
};

constexpr lxw_color_t WeekendShade = 0xD9D9D9;

SheetFormats MakeFormats(Workbook& book)
{
    SheetFormats f{};
    f.title = book.Format();
    format_set_bold(f.title);
    format_set_font_size(f.title, 13);
    f.header = book.Format();
    format_set_bold(f.header);
    format_set_align(f.header, LXW_ALIGN_CENTER);
    format_set_bottom(f.header, LXW_BORDER_THIN);
    f.headerWeekend = book.Format();
    format_set_bold(f.headerWeekend);
    format_set_align(f.headerWeekend, LXW_ALIGN_CENTER);
    format_set_bottom(f.headerWeekend, LXW_BORDER_THIN);
    format_set_bg_color(f.headerWeekend, WeekendShade);
    f.text = book.Format();
    format_set_num_format(f.text, "@");
    const auto duration = [&book](bool bold, bool top, bool shaded) {
        DurationFormat d{book.Format(), book.Format()};
        format_set_num_format(d.number, "[h]:mm");
        format_set_align(d.negative, LXW_ALIGN_RIGHT);
        for (lxw_format* x : {d.number, d.negative}) {
            if (bold)
                format_set_bold(x);
            if (top)
                format_set_top(x, LXW_BORDER_THIN);
            if (shaded)
                format_set_bg_color(x, WeekendShade);
        }
        return d;
    };
    f.duration = duration(false, false, false);
    f.durationWeekend = duration(false, false, true);
    f.durationTotal = duration(true, false, false);
    f.totalLabel = book.Format();
    format_set_bold(f.totalLabel);
    format_set_top(f.totalLabel, LXW_BORDER_THIN);
    f.totalsRow = duration(true, true, false);
    f.totalsRowWeekend = duration(true, true, true);
    f.date = book.Format();
    format_set_num_format(f.date, "yyyy-mm-dd");
    f.time = book.Format();
    format_set_num_format(f.time, "hh:mm:ss");
    return f;
}

// The heading's lines above the table; the table's header row follows them.
QStringList HeadingLines(const TimesheetTexts& texts, const TimesheetHeading& h)
{
    const QString sep = QStringLiteral(";   ");
    const auto item = [](const QString& label, const QString& value) { return label + QStringLiteral(": ") + value; };
    return {texts.timesheetSheet + QStringLiteral(": ") + h.month,
            item(texts.deviceName, h.deviceName) + sep + item(texts.folder, h.folder),
            item(texts.countingMode, h.countingMode) + sep + item(texts.entrance, h.entrance) + sep
                + item(texts.exit, h.exit) + sep + item(texts.filter, h.filter),
            texts.roundingRule};
}

void WriteTimesheetSheet(Workbook& book, const SheetFormats& f, const Timesheet& exact, const TimesheetTexts& texts,
                         const TimesheetHeading& heading, const XlsxLimits& limits)
{
    // The sheet shows rounded minutes, and its totals are the sums of what it shows.
    const Timesheet sheet = InWholeMinutes(exact);
    lxw_worksheet* ws = book.AddSheet(texts.timesheetSheet);
    const QStringList headingLines = HeadingLines(texts, heading);
    const auto header = static_cast<int>(headingLines.size());
    const int firstDay = 2;
    const int totalColumn = firstDay + sheet.days;
    const auto rows = static_cast<int>(sheet.rows.size());
    const int totalsRow = header + rows + 1;
    const auto weekend = [&sheet](int day) { return QDate(sheet.year, sheet.month, day).dayOfWeek() >= 6; };
    const auto string = [&](int row, int column, const QString& text, lxw_format* format) {
        book.Check(worksheet_write_string(ws, static_cast<lxw_row_t>(row), static_cast<lxw_col_t>(column),
                                          CellText(text, limits.cellCharacters, texts.cutMark).constData(), format));
    };
    const auto duration = [&](int row, int column, std::int64_t seconds, const DurationFormat& format) {
        if (seconds < 0)
            string(row, column, FormatHoursMinutes(seconds), format.negative);
        else
            book.Check(worksheet_write_number(ws, static_cast<lxw_row_t>(row), static_cast<lxw_col_t>(column),
                                              DurationValue(seconds), format.number));
    };
    // A total is a sum the spreadsheet recalculates, unless a negative (text) part would drop out
    // of it or it is itself negative: then it is the value.
    const auto total = [&](int row, int column, const QByteArray& range, bool withNegative, std::int64_t seconds,
                           const DurationFormat& format) {
        if (withNegative || seconds < 0) {
            duration(row, column, seconds, format);
            return;
        }
        // The cached result lets readers that do not calculate show the total too.
        const QByteArray formula = "=SUM(" + range + ")";
        book.Check(worksheet_write_formula_num(ws, static_cast<lxw_row_t>(row), static_cast<lxw_col_t>(column),
                                               formula.constData(), format.number, DurationValue(seconds)));
    };

    // On paper: a landscape sheet one page wide, the heading and the header row on every page.
    // Set before the rows: the sheet is written row by row and these look back at written rows.
    worksheet_set_landscape(ws);
    worksheet_set_paper(ws, 9); // A4
    worksheet_fit_to_pages(ws, 1, 0);
    book.Check(worksheet_repeat_rows(ws, 0, static_cast<lxw_row_t>(header)));
    book.Check(worksheet_autofilter(ws, static_cast<lxw_row_t>(header), 0,
                                    static_cast<lxw_row_t>(header + std::max(rows, 1)),
                                    static_cast<lxw_col_t>(totalColumn)));

    for (int line = 0; line < header; ++line)
        string(line, 0, headingLines[line], line == 0 ? f.title : nullptr);
    string(header, 0, texts.number, f.header);
    string(header, 1, texts.name, f.header);
    for (int d = 1; d <= sheet.days; ++d)
        book.Check(worksheet_write_number(ws, static_cast<lxw_row_t>(header), static_cast<lxw_col_t>(firstDay + d - 1),
                                          d, weekend(d) ? f.headerWeekend : f.header));
    string(header, totalColumn, texts.total, f.header);

    std::array<bool, 31> negativeInDay{};
    for (int r = 0; r < rows; ++r) {
        const TimesheetRow& row = sheet.rows[static_cast<std::size_t>(r)];
        const int y = header + 1 + r;
        string(y, 0, FromCp1250(row.userNumber), f.text);
        string(y, 1, FromCp1250(row.name), f.text);
        bool negative = false;
        for (int d = 1; d <= sheet.days; ++d) {
            const std::int64_t seconds = row.seconds[static_cast<std::size_t>(d - 1)];
            duration(y, firstDay + d - 1, seconds, weekend(d) ? f.durationWeekend : f.duration);
            negative = negative || seconds < 0;
            negativeInDay[static_cast<std::size_t>(d - 1)] =
                negativeInDay[static_cast<std::size_t>(d - 1)] || seconds < 0;
        }
        total(y, totalColumn, CellName(y, firstDay) + ':' + CellName(y, totalColumn - 1), negative, row.total,
              f.durationTotal);
    }

    string(totalsRow, 0, QString(), f.totalLabel);
    string(totalsRow, 1, texts.total, f.totalLabel);
    const bool anyNegative = std::any_of(sheet.rows.begin(), sheet.rows.end(), [](const TimesheetRow& row) {
        return std::any_of(row.seconds.begin(), row.seconds.end(), [](std::int64_t s) { return s < 0; })
               || row.total < 0;
    });
    for (int column = firstDay; column <= totalColumn; ++column) {
        const int d = column - firstDay + 1;
        const bool totalOfMonth = column == totalColumn;
        const std::int64_t seconds = totalOfMonth ? sheet.total : sheet.dayTotals[static_cast<std::size_t>(d - 1)];
        const DurationFormat& format = !totalOfMonth && weekend(d) ? f.totalsRowWeekend : f.totalsRow;
        if (rows == 0) // a sum over no rows would be a reversed range
            duration(totalsRow, column, seconds, format);
        else
            total(totalsRow, column, CellName(header + 1, column) + ':' + CellName(header + rows, column),
                  totalOfMonth ? anyNegative : negativeInDay[static_cast<std::size_t>(d - 1)], seconds, format);
    }

    book.Check(worksheet_set_column(ws, 0, 0, 8, nullptr));
    book.Check(worksheet_set_column(ws, 1, 1, 28, nullptr));
    book.Check(worksheet_set_column(ws, static_cast<lxw_col_t>(firstDay), static_cast<lxw_col_t>(totalColumn - 1), 6.5,
                                    nullptr));
    book.Check(
        worksheet_set_column(ws, static_cast<lxw_col_t>(totalColumn), static_cast<lxw_col_t>(totalColumn), 9, nullptr));
    worksheet_freeze_panes(ws, static_cast<lxw_row_t>(header + 1), 2);
}

void WriteEventsSheet(Workbook& book, const SheetFormats& f, const Timesheet& sheet, const EventStore& store,
                      const UserFilter& filter, const UserNames& names, const TimesheetTexts& texts,
                      const PercentCallback& percent, const XlsxLimits& limits)
{
    const auto cell = [&](const QString& text) { return CellText(text, limits.cellCharacters, texts.cutMark); };
    const QStringList titles{texts.date, texts.time, texts.user, texts.name, texts.port, texts.status};
    // A month with more events than a sheet has rows goes on in "<title> (2)" and so on.
    lxw_worksheet* ws = nullptr;
    int sheets = 0;
    const auto startSheet = [&] {
        ++sheets;
        ws = book.AddSheet(sheets == 1
                               ? texts.eventsSheet
                               : texts.eventsSheet + QStringLiteral(" (") + QString::number(sheets) + QLatin1Char(')'));
        book.Check(worksheet_repeat_rows(ws, 0, 0));
        for (int c = 0; c < titles.size(); ++c)
            book.Check(worksheet_write_string(ws, 0, static_cast<lxw_col_t>(c), cell(titles[c]).constData(), f.header));
        worksheet_freeze_panes(ws, 1, 0);
        book.Check(worksheet_set_column(ws, 0, 1, 11, nullptr));
        book.Check(worksheet_set_column(ws, 2, 2, 8, nullptr));
        book.Check(worksheet_set_column(ws, 3, 4, 24, nullptr));
        book.Check(worksheet_set_column(ws, 5, 5, 14, nullptr));
    };
    startSheet();

    // Each port and user is decoded once: a month of a busy site repeats them 150,000 times.
    QHash<TextPool::Id, QByteArray> portTexts;
    QHash<QByteArray, std::pair<QByteArray, QByteArray>> userTexts;
    const QByteArray accepted = cell(texts.accepted);
    const QByteArray denied = cell(texts.denied);
    const auto write = [&](lxw_row_t row, lxw_col_t column, const QByteArray& utf8, lxw_format* format) {
        book.Check(worksheet_write_string(ws, row, column, utf8.constData(), format));
    };

    std::size_t count = 0;
    ForEachEventOfMonth(store, sheet.year, sheet.month, filter, [&count](const CEvent&) { ++count; });
    std::size_t done = 0;
    int shown = -1;
    lxw_row_t row = 1;
    ForEachEventOfMonth(store, sheet.year, sheet.month, filter, [&](const CEvent& e) {
        if (row >= static_cast<lxw_row_t>(limits.sheetRows)) {
            startSheet();
            row = 1;
        }
        const QDate date = e.Date();
        // Spreadsheet dates begin in 1900; an earlier file date stays text.
        lxw_datetime day{date.year(), date.month(), date.day(), 0, 0, 0};
        if (date.year() >= 1900)
            book.Check(worksheet_write_datetime(ws, row, 0, &day, f.date));
        else
            write(row, 0, cell(date.toString(QStringLiteral("yyyy-MM-dd"))), nullptr);
        const int seconds = e.SecondsOfDay();
        // A time field outside the day (a damaged line) is kept as the recorder wrote it.
        if (seconds >= 0 && seconds < 86400 && e.hour >= 0 && e.minute >= 0 && e.second >= 0)
            book.Check(worksheet_write_number(ws, row, 1, seconds / 86400.0, f.time));
        else
            write(row, 1, cell(EventTime(e)), nullptr);
        const QByteArray number = e.userNumber().toByteArray();
        auto user = userTexts.find(number);
        if (user == userTexts.end())
            user = userTexts.insert(number, {cell(FromCp1250(number)), cell(FromCp1250(names.NameOf(number)))});
        write(row, 2, user->first, f.text);
        write(row, 3, user->second, f.text);
        auto port = portTexts.find(e.portName);
        if (port == portTexts.end())
            port = portTexts.insert(e.portName, cell(FromCp1250(store.PortName(e).toByteArray())));
        write(row, 4, *port, f.text);
        write(row, 5, e.accepted ? accepted : denied, nullptr);
        ++row;
        ++done;
        const int p = static_cast<int>(done * 100 / count);
        if (percent && p != shown) {
            shown = p;
            percent(p);
        }
    });
}

} // namespace

TimesheetTexts TimesheetTextsOf(const LanguageTable& t)
{
    TimesheetTexts texts;
    texts.number = t.GetText(QStringLiteral("ID"));
    texts.name = t.GetSentence(QStringLiteral("NAME"));
    texts.total = t.GetSentence(QStringLiteral("TOTAL"));
    texts.timesheetSheet = t.GetSentence(QStringLiteral("TIMESHEET"));
    texts.eventsSheet = t.GetSentence(QStringLiteral("LIST OF EVENTS"));
    texts.date = t.GetSentence(QStringLiteral("DATE"));
    texts.time = t.GetSentence(QStringLiteral("TIME"));
    texts.user = t.GetSentence(QStringLiteral("USER"));
    texts.port = t.GetSentence(QStringLiteral("PORT"));
    texts.status = t.GetSentence(QStringLiteral("STATUS"));
    texts.accepted = t.Lower(QStringLiteral("ACCEPTED"));
    texts.denied = t.Lower(QStringLiteral("DENIED"));
    texts.deviceName = t.GetSentence(QStringLiteral("DEVICE NAME"));
    texts.folder = t.GetSentence(QStringLiteral("FOLDER"));
    texts.countingMode = t.GetSentence(QStringLiteral("COUNTING MODE"));
    texts.entrance = t.GetSentence(QStringLiteral("PORT 0 NAME (ENTRANCE)"));
    texts.exit = t.GetSentence(QStringLiteral("PORT 1 NAME (EXIT)"));
    texts.filter = t.GetSentence(QStringLiteral("FILTER"));
    texts.roundingRule = t.GetSentence(QStringLiteral(
                             "EACH DAY'S TIME ROUNDED TO THE NEAREST MINUTE; TOTALS ARE SUMS OF THE TIMES SHOWN"))
                         + QLatin1Char('.');
    texts.cutMark = QStringLiteral(" [") + t.Lower(QStringLiteral("CUT")) + QLatin1Char(']');
    return texts;
}

QString CsvRow(const QStringList& fields, QChar separator)
{
    QStringList out;
    for (const QString& field : fields) {
        if (!field.contains(separator) && !field.contains(QLatin1Char('"')) && !field.contains(QLatin1Char('\r'))
            && !field.contains(QLatin1Char('\n'))) {
            out << field;
            continue;
        }
        QString quoted = field;
        quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
        out << QLatin1Char('"') + quoted + QLatin1Char('"');
    }
    return out.join(separator) + QStringLiteral("\r\n");
}

namespace {

QChar Separator(CsvForm form)
{
    return form == CsvForm::Spreadsheet ? QLatin1Char(';') : QLatin1Char(',');
}

QByteArray CsvBytes(const QString& text, CsvForm form)
{
    return (form == CsvForm::Spreadsheet ? QByteArray("\xEF\xBB\xBF") : QByteArray()) + text.toUtf8();
}

QString TimesheetCsvText(const Timesheet& sheet, const QStringList& header, bool seconds, QChar separator)
{
    const Timesheet shown = seconds ? sheet : InWholeMinutes(sheet);
    const auto time = [seconds](std::int64_t s) { return seconds ? QString::number(s) : FormatHoursMinutes(s); };
    QString out = CsvRow(header, separator);
    for (const TimesheetRow& row : shown.rows) {
        QStringList fields{FromCp1250(row.userNumber), FromCp1250(row.name)};
        for (int d = 1; d <= shown.days; ++d)
            fields << time(row.seconds[static_cast<std::size_t>(d - 1)]);
        fields << time(row.total);
        out += CsvRow(fields, separator);
    }
    return out;
}

} // namespace

QByteArray TimesheetCsv(const Timesheet& sheet, bool seconds)
{
    QStringList header{QStringLiteral("id"), QStringLiteral("name")};
    for (int d = 1; d <= sheet.days; ++d)
        header << DayText(sheet.year, sheet.month, d);
    header << QStringLiteral("total");
    return CsvBytes(TimesheetCsvText(sheet, header, seconds, Separator(CsvForm::Plain)), CsvForm::Plain);
}

QByteArray TimesheetSpreadsheetCsv(const Timesheet& sheet, const TimesheetTexts& texts)
{
    QStringList header{texts.number, texts.name};
    for (int d = 1; d <= sheet.days; ++d)
        header << DayText(sheet.year, sheet.month, d);
    header << texts.total;
    return CsvBytes(TimesheetCsvText(sheet, header, false, Separator(CsvForm::Spreadsheet)), CsvForm::Spreadsheet);
}

QByteArray EventsCsv(const std::vector<const CEvent*>& events, const EventStore& store, const UserNames& names,
                     const TimesheetTexts& texts, CsvForm form)
{
    const QChar separator = Separator(form);
    QString out = CsvRow({texts.date, texts.time, texts.user, texts.name, texts.port, texts.status}, separator);
    for (const CEvent* e : events)
        out += CsvRow({e->Date().toString(QStringLiteral("yyyy-MM-dd")), EventTime(*e),
                       FromCp1250(e->userNumber().toByteArray()), FromCp1250(names.NameOf(e->userNumber())),
                       FromCp1250(store.PortName(*e).toByteArray()), e->accepted ? texts.accepted : texts.denied},
                      separator);
    return CsvBytes(out, form);
}

void SetHeadingPorts(TimesheetHeading& heading, const PortNames& ports)
{
    QStringList entrances{FromCp1250(ports.entrance)};
    QStringList exits{FromCp1250(ports.exit)};
    for (const QByteArray& name : ports.moreEntrances)
        entrances.append(FromCp1250(name));
    for (const QByteArray& name : ports.moreExits)
        exits.append(FromCp1250(name));
    heading.entrance = entrances.join(QStringLiteral(", "));
    heading.exit = exits.join(QStringLiteral(", "));
}

void WriteTimesheetXlsx(const QString& path, const Timesheet& sheet, const EventStore& store, const UserFilter& filter,
                        const UserNames& names, const TimesheetTexts& texts, const TimesheetHeading& heading,
                        const PercentCallback& percent, const XlsxLimits& limits)
{
    // The library writes the workbook itself: into a scratch file beside the target, which
    // replaces the target only when the workbook was closed without an error.
    SaveThroughScratch(path, [&](const QString& scratch) {
        Workbook book(scratch, path);
        const SheetFormats formats = MakeFormats(book);
        WriteTimesheetSheet(book, formats, sheet, texts, heading, limits);
        WriteEventsSheet(book, formats, sheet, store, filter, names, texts, percent, limits);
        book.Close();
    });
}

} // namespace qtx
