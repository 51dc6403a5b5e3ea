#include "archive/timesheet_export.h"

#include "base/errors.h"
#include "base/text_file.h"
#include "lang/language_table.h"

#include <QDate>
#include <QFile>
#include <QRegularExpression>
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

// Text for a spreadsheet cell: control characters (which XML cannot carry) become spaces.
QByteArray CellText(const QString& text)
{
    QString clean = text;
    for (QChar& c : clean)
        if (c.unicode() < 0x20)
            c = QLatin1Char(' ');
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

struct SheetFormats {
    lxw_format* header;
    lxw_format* headerWeekend;
    lxw_format* text;
    lxw_format* duration;
    lxw_format* durationWeekend;
    lxw_format* durationTotal;
    lxw_format* totalLabel;
    lxw_format* totalsRow;
    lxw_format* totalsRowWeekend;
    lxw_format* date;
    lxw_format* time;
};

constexpr lxw_color_t WeekendShade = 0xD9D9D9;

SheetFormats MakeFormats(Workbook& book)
{
    SheetFormats f{};
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
    f.duration = book.Format();
    format_set_num_format(f.duration, "[h]:mm");
    f.durationWeekend = book.Format();
    format_set_num_format(f.durationWeekend, "[h]:mm");
    format_set_bg_color(f.durationWeekend, WeekendShade);
    f.durationTotal = book.Format();
    format_set_num_format(f.durationTotal, "[h]:mm");
    format_set_bold(f.durationTotal);
    f.totalLabel = book.Format();
    format_set_bold(f.totalLabel);
    format_set_top(f.totalLabel, LXW_BORDER_THIN);
    f.totalsRow = book.Format();
    format_set_num_format(f.totalsRow, "[h]:mm");
    format_set_bold(f.totalsRow);
    format_set_top(f.totalsRow, LXW_BORDER_THIN);
    f.totalsRowWeekend = book.Format();
    format_set_num_format(f.totalsRowWeekend, "[h]:mm");
    format_set_bold(f.totalsRowWeekend);
    format_set_top(f.totalsRowWeekend, LXW_BORDER_THIN);
    format_set_bg_color(f.totalsRowWeekend, WeekendShade);
    f.date = book.Format();
    format_set_num_format(f.date, "yyyy-mm-dd");
    f.time = book.Format();
    format_set_num_format(f.time, "hh:mm:ss");
    return f;
}

void WriteTimesheetSheet(Workbook& book, const SheetFormats& f, const Timesheet& sheet, const TimesheetTexts& texts)
{
    lxw_worksheet* ws = book.AddSheet(texts.timesheetSheet);
    const int firstDay = 2;
    const int totalColumn = firstDay + sheet.days;
    const auto rows = static_cast<int>(sheet.rows.size());
    const int totalsRow = rows + 1;
    const auto weekend = [&sheet](int day) { return QDate(sheet.year, sheet.month, day).dayOfWeek() >= 6; };
    const auto string = [&](int row, int column, const QString& text, lxw_format* format) {
        book.Check(worksheet_write_string(ws, static_cast<lxw_row_t>(row), static_cast<lxw_col_t>(column),
                                          CellText(text).constData(), format));
    };
    const auto sum = [&](int row, int column, const QByteArray& range, std::int64_t seconds, lxw_format* format) {
        // The cached result lets readers that do not calculate show the total too.
        const QByteArray formula = "=SUM(" + range + ")";
        book.Check(worksheet_write_formula_num(ws, static_cast<lxw_row_t>(row), static_cast<lxw_col_t>(column),
                                               formula.constData(), format, DurationValue(seconds)));
    };
    const auto number = [&](int row, int column, std::int64_t seconds, lxw_format* format) {
        book.Check(worksheet_write_number(ws, static_cast<lxw_row_t>(row), static_cast<lxw_col_t>(column),
                                          DurationValue(seconds), format));
    };

    string(0, 0, texts.number, f.header);
    string(0, 1, texts.name, f.header);
    for (int d = 1; d <= sheet.days; ++d)
        book.Check(worksheet_write_number(ws, 0, static_cast<lxw_col_t>(firstDay + d - 1), d,
                                          weekend(d) ? f.headerWeekend : f.header));
    string(0, totalColumn, texts.total, f.header);

    for (int r = 0; r < rows; ++r) {
        const TimesheetRow& row = sheet.rows[static_cast<std::size_t>(r)];
        string(r + 1, 0, FromCp1250(row.userNumber), f.text);
        string(r + 1, 1, FromCp1250(row.name), f.text);
        for (int d = 1; d <= sheet.days; ++d)
            number(r + 1, firstDay + d - 1, row.seconds[static_cast<std::size_t>(d - 1)],
                   weekend(d) ? f.durationWeekend : f.duration);
        sum(r + 1, totalColumn, CellName(r + 1, firstDay) + ':' + CellName(r + 1, totalColumn - 1), row.total,
            f.durationTotal);
    }

    string(totalsRow, 0, QString(), f.totalLabel);
    string(totalsRow, 1, texts.total, f.totalLabel);
    for (int column = firstDay; column <= totalColumn; ++column) {
        const int d = column - firstDay + 1;
        const std::int64_t seconds =
            column == totalColumn ? sheet.total : sheet.dayTotals[static_cast<std::size_t>(d - 1)];
        lxw_format* format = column != totalColumn && weekend(d) ? f.totalsRowWeekend : f.totalsRow;
        if (rows == 0)
            number(totalsRow, column, seconds, format); // a sum over no rows would be a reversed range
        else
            sum(totalsRow, column, CellName(1, column) + ':' + CellName(rows, column), seconds, format);
    }

    book.Check(worksheet_set_column(ws, 0, 0, 8, nullptr));
    book.Check(worksheet_set_column(ws, 1, 1, 28, nullptr));
    book.Check(worksheet_set_column(ws, static_cast<lxw_col_t>(firstDay), static_cast<lxw_col_t>(totalColumn - 1), 6.5,
                                    nullptr));
    book.Check(
        worksheet_set_column(ws, static_cast<lxw_col_t>(totalColumn), static_cast<lxw_col_t>(totalColumn), 9, nullptr));
    worksheet_freeze_panes(ws, 1, 2);
}

void WriteEventsSheet(Workbook& book, const SheetFormats& f, const Timesheet& sheet, const EventStore& store,
                      const UserFilter& filter, const UserNames& names, const TimesheetTexts& texts,
                      const PercentCallback& percent)
{
    lxw_worksheet* ws = book.AddSheet(texts.eventsSheet);
    const auto string = [&](lxw_row_t row, lxw_col_t column, const QString& text, lxw_format* format) {
        book.Check(worksheet_write_string(ws, row, column, CellText(text).constData(), format));
    };
    const QStringList titles{texts.date, texts.time, texts.user, texts.name, texts.port, texts.status};
    for (int c = 0; c < titles.size(); ++c)
        string(0, static_cast<lxw_col_t>(c), titles[c], f.header);
    worksheet_freeze_panes(ws, 1, 0);
    book.Check(worksheet_set_column(ws, 0, 1, 11, nullptr));
    book.Check(worksheet_set_column(ws, 2, 2, 8, nullptr));
    book.Check(worksheet_set_column(ws, 3, 4, 24, nullptr));
    book.Check(worksheet_set_column(ws, 5, 5, 14, nullptr));

    // Each port and user is decoded once: a month of a busy site repeats them 150,000 times.
    QHash<TextPool::Id, QByteArray> portTexts;
    QHash<QByteArray, std::pair<QByteArray, QByteArray>> userTexts;
    const QByteArray accepted = CellText(texts.accepted);
    const QByteArray denied = CellText(texts.denied);
    const auto write = [&](lxw_row_t row, lxw_col_t column, const QByteArray& utf8, lxw_format* format) {
        book.Check(worksheet_write_string(ws, row, column, utf8.constData(), format));
    };

    std::size_t count = 0;
    ForEachEventOfMonth(store, sheet.year, sheet.month, filter, [&count](const CEvent&) { ++count; });
    std::size_t done = 0;
    int shown = -1;
    lxw_row_t row = 1;
    ForEachEventOfMonth(store, sheet.year, sheet.month, filter, [&](const CEvent& e) {
        const QDate date = e.Date();
        // Spreadsheet dates begin in 1900; an earlier file date stays text.
        lxw_datetime day{date.year(), date.month(), date.day(), 0, 0, 0};
        if (date.year() >= 1900)
            book.Check(worksheet_write_datetime(ws, row, 0, &day, f.date));
        else
            string(row, 0, date.toString(QStringLiteral("yyyy-MM-dd")), nullptr);
        const int seconds = e.SecondsOfDay();
        // A time field outside the day (a damaged line) is kept as the recorder wrote it.
        if (seconds >= 0 && seconds < 86400 && e.hour >= 0 && e.minute >= 0 && e.second >= 0)
            book.Check(worksheet_write_number(ws, row, 1, seconds / 86400.0, f.time));
        else
            string(row, 1, EventTime(e), nullptr);
        const QByteArray number = e.userNumber().toByteArray();
        auto user = userTexts.find(number);
        if (user == userTexts.end())
            user = userTexts.insert(number, {CellText(FromCp1250(number)), CellText(FromCp1250(names.NameOf(number)))});
        write(row, 2, user->first, f.text);
        write(row, 3, user->second, f.text);
        auto port = portTexts.find(e.portName);
        if (port == portTexts.end())
            port = portTexts.insert(e.portName, CellText(FromCp1250(store.PortName(e).toByteArray())));
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
    return texts;
}

QString CsvRow(const QStringList& fields)
{
    static const QRegularExpression special(QStringLiteral("[,\"\r\n]"));
    QStringList out;
    for (const QString& field : fields) {
        if (!field.contains(special)) {
            out << field;
            continue;
        }
        QString quoted = field;
        quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
        out << QLatin1Char('"') + quoted + QLatin1Char('"');
    }
    return out.join(QLatin1Char(',')) + QStringLiteral("\r\n");
}

QByteArray TimesheetCsv(const Timesheet& sheet, bool seconds)
{
    const auto time = [seconds](std::int64_t s) { return seconds ? QString::number(s) : FormatHoursMinutes(s); };
    QStringList header{QStringLiteral("id"), QStringLiteral("name")};
    for (int d = 1; d <= sheet.days; ++d)
        header << DayText(sheet.year, sheet.month, d);
    header << QStringLiteral("total");
    QString out = CsvRow(header);
    for (const TimesheetRow& row : sheet.rows) {
        QStringList fields{FromCp1250(row.userNumber), FromCp1250(row.name)};
        for (int d = 1; d <= sheet.days; ++d)
            fields << time(row.seconds[static_cast<std::size_t>(d - 1)]);
        fields << time(row.total);
        out += CsvRow(fields);
    }
    return out.toUtf8();
}

QByteArray EventsCsv(const std::vector<const CEvent*>& events, const EventStore& store, const UserNames& names,
                     const TimesheetTexts& texts)
{
    QString out = CsvRow({texts.date, texts.time, texts.user, texts.name, texts.port, texts.status});
    for (const CEvent* e : events)
        out += CsvRow({e->Date().toString(QStringLiteral("yyyy-MM-dd")), EventTime(*e),
                       FromCp1250(e->userNumber().toByteArray()), FromCp1250(names.NameOf(e->userNumber())),
                       FromCp1250(store.PortName(*e).toByteArray()), e->accepted ? texts.accepted : texts.denied});
    return out.toUtf8();
}

void WriteTimesheetXlsx(const QString& path, const Timesheet& sheet, const EventStore& store, const UserFilter& filter,
                        const UserNames& names, const TimesheetTexts& texts, const PercentCallback& percent)
{
    // The library writes the workbook itself: into a scratch file beside the target, which
    // replaces the target only when the workbook was closed without an error.
    SaveThroughScratch(path, [&](const QString& scratch) {
        Workbook book(scratch, path);
        const SheetFormats formats = MakeFormats(book);
        WriteTimesheetSheet(book, formats, sheet, texts);
        WriteEventsSheet(book, formats, sheet, store, filter, names, texts, percent);
        book.Close();
    });
}

} // namespace qtx
