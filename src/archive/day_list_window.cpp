#include "archive/day_list_window.h"

#include "archive/archive_window.h"
#include "archive/day_event_model.h"
#include "archive/timesheet_export.h"
#include "base/dialogs.h"
#include "base/text_file.h"
#include "base/widgets/application.h"
#include "base/widgets/fonts.h"

#include <QComboBox>
#include <QLabel>
#include <QListView>
#include <QPushButton>
#include <QWindow>

TForm7::TForm7(TForm5* archive, QWidget* parent) : QDialog(parent), Archive(archive)
{
    setFont(qtx::FixedFont(true));
    setModal(false);

    Label1 = new QLabel(QStringLiteral("LISTA ZDARZEN Z DNIA XX XX XXXX"), this);
    Label1->setAlignment(Qt::AlignCenter);
    Label1->resize(400, 20);
    Lines = new qtx::DayEventModel(this);
    ListBox1 = new QListView(this);
    ListBox1->setModel(Lines);
    ListBox1->setUniformItemSizes(true);
    Button1 = new QPushButton(QStringLiteral("Zamknij"), this);
    Button1->setAutoDefault(false);
    Button1->resize(120, 34);

    Button2 = new QPushButton(this);
    Button2->setAutoDefault(false);
    Button2->resize(120, 34);
    // Tab in reading order: the save button stands left of the close button.
    setTabOrder(Button2, Button1);

    qtx::OnClick(Button1, this, &TForm7::Button1Click);
    qtx::OnClick(Button2, this, &TForm7::Button2Click);
    qtx::ConnectGuarded(this, &QDialog::finished, this, &TForm7::FormClose);
    resize(820, 669);
}

void TForm7::ShowDayList(int year, int month, int day)
{
    Button1->setText(Archive->Button1->text());
    Button2->setText(Archive->SaveText);
    shownDate = QDate(year, month, day);
    Label1->setText(Archive->ListOfEventsText + QStringLiteral(": ") + QString::number(day) + QLatin1Char(' ')
                    + QString::number(month) + QLatin1Char(' ') + QString::number(year));
    Lines->Fill(Archive->EventStore, shownDate, Archive->CurrentFilter(), Archive->EventLineTexts);
    show();
    // The archive that opened the list is usually modal: as the list's transient parent it
    // leaves the list usable beside it.
    if (Archive->isVisible() && windowHandle() != nullptr)
        windowHandle()->setTransientParent(Archive->windowHandle());
    raise();
    activateWindow();
}

void TForm7::Button1Click()
{
    close();
}

void TForm7::Button2Click()
{
    if (!shownDate.isValid())
        return;
    const QString suggested = Archive->SaveFolder() + QStringLiteral("/zdarzenia_")
                              + shownDate.toString(QStringLiteral("yyyy-MM-dd")) + QStringLiteral(".csv");
    int filter = 0;
    QString path = qtx::Dialogs().ChooseFileToSave(Button2->text(), suggested, {Archive->CsvFilterText}, &filter);
    if (path.isEmpty())
        return;
    if (!path.endsWith(QLatin1String(".csv"), Qt::CaseInsensitive))
        path += QStringLiteral(".csv");
    // The lines as the list shows them: the archive's user filter, accepted and denied.
    const qtx::EventStore& store = Archive->EventStore;
    const std::vector<const qtx::CEvent*> events = qtx::EventsOfDay(store, shownDate, Archive->CurrentFilter());
    qtx::WriteWholeFile(path, qtx::EventsCsv(events, store, Archive->SourceUserNames(), Archive->TimesheetTexts,
                                             qtx::CsvForm::Spreadsheet));
    Archive->ConfirmSaved(path);
}

void TForm7::FormClose()
{
    Archive->dayListOpen = false;
}

void TForm7::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    qtx::RunGuarded([&] {
        const int w = width();
        const int h = height();
        Label1->setGeometry(8, 8, w - 16, Label1->height());
        const int top = Label1->height() + 16;
        ListBox1->setGeometry(8, top, w - 16, h - top - Button1->height() - 16);
        Button1->move(w - 8 - Button1->width(), h - 8 - Button1->height());
        Button2->move(8, Button1->y());
    });
}
