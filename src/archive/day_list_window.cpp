#include "archive/day_list_window.h"

#include "app/application.h"
#include "app/fonts.h"
#include "app/forms.h"
#include "archive/archive_window.h"

#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QWindow>

TForm7::TForm7(QWidget* parent) : QDialog(parent)
{
    setFont(qtx::FixedFont(true));
    setModal(false);

    Label1 = new QLabel(QStringLiteral("LISTA ZDARZEN Z DNIA XX XX XXXX"), this);
    Label1->setAlignment(Qt::AlignCenter);
    Label1->resize(400, 20);
    ListBox1 = new QListWidget(this);
    ListBox1->setUniformItemSizes(true);
    Button1 = new QPushButton(QStringLiteral("Zamknij"), this);
    Button1->setAutoDefault(false);
    Button1->resize(120, 34);

    qtx::OnClick(Button1, this, &TForm7::Button1Click);
    qtx::ConnectGuarded(this, &QDialog::finished, this, &TForm7::FormClose);
    resize(820, 669);
}

void TForm7::ShowDayList(int year, int month, int day)
{
    Button1->setText(Form5->Button1->text());
    Label1->setText(Form5->ListOfEventsText + QStringLiteral(": ") + QString::number(day) + QLatin1Char(' ') +
                    QString::number(month) + QLatin1Char(' ') + QString::number(year));
    const qtx::UserFilter filter = Form5->CurrentFilter();
    const qtx::EventStore& store = Form5->EventStore;
    QStringList lines;
    const QDate date(year, month, day);
    if (date.isValid()) {
        store.ForEachOfDay(static_cast<std::int32_t>(date.toJulianDay()), [&](const qtx::CEvent& e) {
            if (filter.Passes(e))
                lines << qtx::FormatEventLine(e, store.Texts(), Form5->EventLineTexts);
        });
    }
    ListBox1->setUpdatesEnabled(false);
    ListBox1->clear();
    ListBox1->addItems(lines);
    ListBox1->setUpdatesEnabled(true);
    show();
    // The archive that opened the list is usually modal: as the list's transient parent it
    // leaves the list usable beside it.
    if (Form5->isVisible() && windowHandle() != nullptr)
        windowHandle()->setTransientParent(Form5->windowHandle());
    raise();
    activateWindow();
}

void TForm7::Button1Click()
{
    close();
}

void TForm7::FormClose()
{
    Form5->dayListOpen = false;
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
    });
}
