// TForm5's timesheet of the shown month: saving it as XLSX or CSV and printing it with the calendar.

#include "archive/archive_window.h"

#include "archive/calendar.h"
#include "base/dialogs.h"
#include "base/errors.h"
#include "base/text_file.h"
#include "base/widgets/printing.h"

#include <QBuffer>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QPaintEngine>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QProgressDialog>
#include <QPushButton>
#include <QStandardPaths>
#include <algorithm>

namespace {

const QColor WeekendShade(225, 225, 225);
const QColor RuleGrey(170, 170, 170);

// The logical width the calendar is drawn at on paper, close to a window's, so its fonts and
// lines keep the proportions of the screen.
constexpr int PrintedCalendarWidth = 1120;

} // namespace

qtx::Timesheet TForm5::ShownTimesheet() const
{
    return qtx::ComputeTimesheet(EventStore, shownMonth.year(), shownMonth.month(),
                                 CurrentMode().value_or(qtx::CountingMode::Daily), Ports(), SourceUserNames(),
                                 CurrentFilter(), qtx::TimesheetRows::EveryListedUser);
}

qtx::TimesheetHeading TForm5::ShownHeading() const
{
    qtx::TimesheetHeading heading;
    heading.deviceName = DeviceName;
    heading.folder = ListedFolder;
    heading.month = qtx::MonthTitle(shownMonth, MonthNames);
    heading.countingMode = ComboBox2->currentText();
    // A site archive's doors each have their own port names: all of them are shown.
    qtx::SetHeadingPorts(heading, Ports());
    heading.filter = CurrentFilter().all ? AllText : ComboBox1->currentText();
    return heading;
}

void TForm5::ConfirmSaved(const QString& path) const
{
    qtx::Dialogs().ShowMessage(SavedFileText + QStringLiteral(": ") + QDir::toNativeSeparators(path)
                               + QLatin1Char('.'));
}

QString TForm5::WorkspaceName() const
{
    return QFileInfo(ListedFolder).fileName();
}

QString TForm5::SaveFolder() const
{
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return !documents.isEmpty() && QFileInfo(documents).isDir() ? documents : QDir::homePath();
}

QString TForm5::TimesheetFileName() const
{
    QString name = QStringLiteral("obecnosc_") + shownMonth.toString(QStringLiteral("yyyy-MM"));
    if (!WorkspaceName().isEmpty())
        name += QLatin1Char('_') + WorkspaceName();
    return name;
}

void TForm5::Button3Click()
{
    const QString name = TimesheetFileName();
    int filter = 0;
    QString path = qtx::Dialogs().ChooseFileToSave(Button3->text(),
                                                   SaveFolder() + QLatin1Char('/') + name + QStringLiteral(".xlsx"),
                                                   {XlsxFilterText, CsvFilterText}, &filter);
    if (path.isEmpty())
        return;
    // The typed extension decides; without one, the chosen filter does and lends its extension.
    bool csv = filter == 1;
    if (path.endsWith(QLatin1String(".csv"), Qt::CaseInsensitive))
        csv = true;
    else if (path.endsWith(QLatin1String(".xlsx"), Qt::CaseInsensitive))
        csv = false;
    else
        path += csv ? QStringLiteral(".csv") : QStringLiteral(".xlsx");

    const qtx::Timesheet sheet = ShownTimesheet();
    if (csv) {
        qtx::WriteWholeFile(path, qtx::TimesheetSpreadsheetCsv(sheet, TimesheetTexts));
    } else {
        // A busy month's event sheet takes seconds; the bar appears after half a second.
        QProgressDialog progress(PreparingText, QString(), 0, 100, this);
        progress.setWindowModality(Qt::WindowModal);
        progress.setMinimumDuration(500);
        progress.setValue(0);
        // The last tenth is the packing of the file after the events.
        qtx::WriteTimesheetXlsx(path, sheet, EventStore, CurrentFilter(), SourceUserNames(), TimesheetTexts,
                                ShownHeading(), [&progress](int percent) { progress.setValue(percent * 9 / 10); });
    }
    ConfirmSaved(path);
}

void TForm5::Button4Click()
{
    const qtx::Timesheet sheet = ShownTimesheet();
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setPageOrientation(QPageLayout::Landscape);
    printer.setPageMargins(QMarginsF(10, 10, 10, 10), QPageLayout::Millimeter);
    const QString name = TimesheetFileName();
    printer.setDocName(name);
    if (printer.outputFormat() == QPrinter::PdfFormat)
        printer.setOutputFileName(SaveFolder() + QLatin1Char('/') + name + QStringLiteral(".pdf"));
    qtx::Print(Button4->text(), printer, [&](QPrinter* target) {
        // The printer's own PDF file does not report a failed write (a full disk left a cut
        // file): a PDF is drawn in memory and stored through the checked save. The preview draws
        // with an engine of its own and is left alone.
        const QString file = target->outputFileName();
        if (target->outputFormat() != QPrinter::PdfFormat || file.isEmpty()
            || target->paintEngine()->type() != QPaintEngine::Pdf) {
            PrintTimesheet(target, sheet, file);
            return;
        }
        QBuffer pdf;
        pdf.open(QIODevice::WriteOnly);
        {
            QPdfWriter writer(&pdf);
            writer.setResolution(target->resolution());
            writer.setPageLayout(target->pageLayout());
            writer.setTitle(target->docName());
            writer.setCreator(target->creator());
            PrintTimesheet(&writer, sheet, file);
        }
        qtx::WriteWholeFile(file, pdf.data());
    });
}

void TForm5::PrintTimesheet(QPagedPaintDevice* printer, const qtx::Timesheet& exact, const QString& fileName)
{
    // The table shows rounded minutes, and its totals are the sums of what it shows.
    const qtx::Timesheet sheet = qtx::InWholeMinutes(exact);
    QPainter p;
    if (!p.begin(printer)) {
        const QString key = QStringLiteral("THE PRINT CANNOT BE STARTED");
        throw qtx::FileError(fileName.isEmpty() ? qtx::InterfaceSentence(key) + QLatin1Char('.')
                                                : qtx::CannotCreateMessage(fileName, qtx::InterfaceLower(key)));
    }
    const double W = printer->width();
    const double H = printer->height();

    QFont text(QStringLiteral("Liberation Sans"));
    text.setStyleHint(QFont::SansSerif);
    text.setPointSizeF(9);
    QFont bold = text;
    bold.setBold(true);
    QFont small = text;
    small.setPointSizeF(7);
    QFont smallBold = small;
    smallBold.setBold(true);

    // Page layout of the table: the row height and the columns from the small font's widths.
    p.setFont(small);
    const QFontMetricsF m = p.fontMetrics();
    const double pad = m.horizontalAdvance(QLatin1Char('0')) * 0.6;
    const double rowH = m.height() * 1.45;
    const double idW = m.horizontalAdvance(TimesheetTexts.number + QStringLiteral("0000")) + 2 * pad;
    const double totalW =
        std::max(m.horizontalAdvance(QStringLiteral("000:00")), m.horizontalAdvance(TimesheetTexts.total)) + 2 * pad;
    double nameW = m.horizontalAdvance(TimesheetTexts.name);
    for (const qtx::TimesheetRow& row : sheet.rows)
        nameW = std::max(nameW, m.horizontalAdvance(qtx::FromCp1250(row.name)));
    const int days = std::max(sheet.days, 1);
    nameW = std::min(nameW + 2 * pad, W * 0.22);
    const double dayW = (W - idW - nameW - totalW) / days;
    // A busy site's day totals (hundreds of hours) are wider than a day's column: the table's
    // type shrinks until the widest fits.
    double widest = 0;
    const QFontMetricsF boldMetrics(smallBold, printer);
    for (int d = 0; d < sheet.days; ++d) {
        const auto i = static_cast<std::size_t>(d);
        widest = std::max(widest, boldMetrics.horizontalAdvance(qtx::FormatHoursMinutes(sheet.dayTotals[i])));
        for (const qtx::TimesheetRow& row : sheet.rows)
            widest = std::max(widest, m.horizontalAdvance(qtx::FormatHoursMinutes(row.seconds[i])));
    }
    if (widest > dayW - pad) {
        const double size = std::max(small.pointSizeF() * (dayW - pad) / widest, 3.0);
        small.setPointSizeF(size);
        smallBold.setPointSizeF(size);
    }

    p.setFont(text);
    const double lineH = p.fontMetrics().height();
    const double headerH = 2 * lineH + lineH * 0.8;
    const int rowsPerPage = std::max(1, static_cast<int>((H - headerH - rowH) / rowH));
    const int tableRows = static_cast<int>(sheet.rows.size()) + 1; // and the totals
    const int pages = 1 + (tableRows + rowsPerPage - 1) / rowsPerPage;

    const QString modeText = ComboBox2->currentText();
    const QString filterText = CurrentFilter().all ? AllText : ComboBox1->currentText();
    const QString monthText = qtx::MonthTitle(shownMonth, MonthNames);
    const auto pageHeader = [&](int page) {
        p.setPen(Qt::black);
        p.setFont(text);
        const QRectF line1(0, 0, W, lineH);
        const QRectF line2(0, lineH, W, lineH);
        p.drawText(line1, Qt::AlignLeft | Qt::AlignVCenter, FolderText + QStringLiteral(": ") + ListedFolder);
        p.drawText(line1, Qt::AlignRight | Qt::AlignVCenter,
                   PageText + QLatin1Char(' ') + QString::number(page) + QStringLiteral(" / ")
                       + QString::number(pages));
        p.drawText(line2, Qt::AlignLeft | Qt::AlignVCenter,
                   CountingModeText + QStringLiteral(": ") + modeText + QStringLiteral("     ") + FilterText
                       + QStringLiteral(": ") + filterText);
        if (!DeviceName.isEmpty())
            p.drawText(line2, Qt::AlignRight | Qt::AlignVCenter,
                       TimesheetTexts.deviceName + QStringLiteral(": ") + DeviceName);
        p.setFont(bold);
        p.drawText(line1, Qt::AlignHCenter | Qt::AlignVCenter, monthText);
        p.setPen(QPen(Qt::black, 0));
        p.drawLine(QPointF(0, 2 * lineH + lineH * 0.3), QPointF(W, 2 * lineH + lineH * 0.3));
    };

    // The first page: the month's calendar, drawn by the screen's code at a window-like size.
    pageHeader(1);
    {
        const QRectF area(0, headerH, W, H - headerH);
        const int logicalH = static_cast<int>(PrintedCalendarWidth * area.height() / area.width());
        p.save();
        p.translate(area.topLeft());
        p.scale(area.width() / PrintedCalendarWidth, area.height() / logicalH);
        PaintCalendar(p, PrintedCalendarWidth, logicalH, QPoint(-1, -1), true);
        p.restore();
    }

    const auto weekend = [&sheet](int day) { return QDate(sheet.year, sheet.month, day).dayOfWeek() >= 6; };
    const auto dayLeft = [&](int day) { return idW + nameW + (day - 1) * dayW; };
    // One table line: the id and name cells, the day cells and the total, weekends shaded.
    const auto tableLine = [&](double y, const QString& id, const QString& name, const auto& dayText,
                               const QString& total, bool strong) {
        for (int d = 1; d <= sheet.days; ++d)
            if (weekend(d))
                p.fillRect(QRectF(dayLeft(d), y, dayW, rowH), WeekendShade);
        p.setFont(strong ? smallBold : small);
        p.setPen(Qt::black);
        const QFontMetricsF fm = p.fontMetrics();
        p.drawText(QRectF(pad, y, idW - 2 * pad, rowH), Qt::AlignLeft | Qt::AlignVCenter, id);
        p.drawText(QRectF(idW + pad, y, nameW - 2 * pad, rowH), Qt::AlignLeft | Qt::AlignVCenter,
                   fm.elidedText(name, Qt::ElideRight, nameW - 2 * pad));
        for (int d = 1; d <= sheet.days; ++d)
            p.drawText(QRectF(dayLeft(d), y, dayW - pad / 2, rowH), Qt::AlignRight | Qt::AlignVCenter, dayText(d));
        p.drawText(QRectF(W - totalW, y, totalW - pad, rowH), Qt::AlignRight | Qt::AlignVCenter, total);
        p.setPen(QPen(RuleGrey, 0));
        p.drawLine(QPointF(0, y + rowH), QPointF(W, y + rowH));
    };
    const auto time = [](std::int64_t seconds) { return seconds == 0 ? QString() : qtx::FormatHoursMinutes(seconds); };

    for (int page = 2; page <= pages; ++page) {
        printer->newPage();
        pageHeader(page);
        double y = headerH;
        tableLine(
            y, TimesheetTexts.number, TimesheetTexts.name, [](int d) { return QString::number(d); },
            TimesheetTexts.total, true);
        y += rowH;
        const int first = (page - 2) * rowsPerPage;
        const int last = std::min(first + rowsPerPage, tableRows);
        for (int r = first; r < last; ++r, y += rowH) {
            if (r < static_cast<int>(sheet.rows.size())) {
                const qtx::TimesheetRow& row = sheet.rows[static_cast<std::size_t>(r)];
                tableLine(
                    y, qtx::FromCp1250(row.userNumber), qtx::FromCp1250(row.name),
                    [&](int d) { return time(row.seconds[static_cast<std::size_t>(d - 1)]); },
                    qtx::FormatHoursMinutes(row.total), false);
            } else {
                tableLine(
                    y, QString(), TimesheetTexts.total,
                    [&](int d) { return time(sheet.dayTotals[static_cast<std::size_t>(d - 1)]); },
                    qtx::FormatHoursMinutes(sheet.total), true);
            }
        }
        p.setPen(QPen(Qt::black, 0));
        p.drawRect(QRectF(0, headerH, W, y - headerH));
        p.drawLine(QPointF(idW + nameW, headerH), QPointF(idW + nameW, y));
        p.drawLine(QPointF(W - totalW, headerH), QPointF(W - totalW, y));
    }
    p.end();
}
