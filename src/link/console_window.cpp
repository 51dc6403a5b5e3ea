#include "link/console_window.h"

#include "base/dialogs.h"
#include "base/paths.h"
#include "base/text_file.h"
#include "base/widgets/application.h"
#include "base/widgets/fonts.h"
#include "lang/language_table.h"
#include "link/link_controller.h"
#include "link/log_list.h"
#include "link/transfer_texts.h"
#include "link/wire_format.h"

#include <QComboBox>
#include <QListWidget>
#include <QPushButton>
#include <QTime>
#include <chrono>

namespace {

constexpr int Width = 860;
constexpr int PortListWidth = 260;
constexpr int Height = 520;
constexpr int ButtonWidth = 96;
constexpr int RowHeight = 26;
constexpr int LogLines = 10000;

qint64 TickCount()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

} // namespace

TForm12::TForm12(const qtx::LanguageTable& texts, const std::unique_ptr<qtx::LinkController>& link, QWidget* parent)
    : QDialog(parent),
      texts_(texts),
      link_(link)
{
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint
                   | Qt::MSWindowsFixedSizeDialogHint);
    setFont(qtx::FixedFont(true));
    setWindowTitle(QStringLiteral("Raw RS"));
    setFixedSize(Width, Height);

    ComboBox1 = new QComboBox(this);
    ComboBox1->setEditable(false);
    ComboBox1->setGeometry(8, 8, PortListWidth, RowHeight);
    int left = 8 + PortListWidth + 8;
    for (auto [button, text] : {std::pair{&Button1, QStringLiteral("POŁĄCZ")},
                                {&Button3, QStringLiteral("ROZŁĄCZ")},
                                {&Button5, QStringLiteral("KASUJ")}}) {
        *button = new QPushButton(text, this);
        (*button)->setGeometry(left, 8, ButtonWidth, RowHeight);
        left += ButtonWidth + 8;
    }
    Button2 = new QPushButton(QStringLiteral("LISTA"), this);
    Button2->setGeometry(Width - 8 - ButtonWidth, 8, ButtonWidth, RowHeight);
    Button4 = new QPushButton(QStringLiteral("WYŚLIJ"), this);
    Button4->setGeometry(Width - 16 - 2 * ButtonWidth, 8, ButtonWidth, RowHeight);
    // Tab in reading order: "WYŚLIJ" stands left of "LISTA".
    setTabOrder(Button4, Button2);

    ListBox1 = new QListWidget(this);
    ListBox1->setGeometry(8, 42, Width - 16, 190);
    ListBox2 = new qtx::LogList(LogLines, this);
    ListBox2->setFont(qtx::FixedFont());
    ListBox2->setGeometry(8, 240, Width - 16, Height - 248);

    qtx::OnClick(Button1, this, &TForm12::Button1Click);
    qtx::OnClick(Button3, this, &TForm12::Button3Click);
    qtx::OnClick(Button2, this, &TForm12::Button2Click);
    qtx::OnClick(Button5, this, &TForm12::Button5Click);
    qtx::OnClick(Button4, this, &TForm12::Button4Click);
    qtx::ConnectGuarded(ListBox1, &QListWidget::itemDoubleClicked, this, &TForm12::ListBox1DblClick);
    Ports = new qtx::PortListWatcher(this, ComboBox1);
    Ports->following = [this] { return !Link().Port().IsOpen(); };
}

void TForm12::FillPorts(const QList<qtx::SerialPortEntry>& ports)
{
    ComboBox1->setCurrentIndex(-1);
    Ports->Fill(ports);
}

QString TForm12::LogStamp(const QTime& time, qint64 tick)
{
    return time.toString(QStringLiteral("HH:mm:ss")) + QLatin1Char(':') + QString::number(tick % 1000);
}

void TForm12::LogLine(const QString& text)
{
    ListBox2->AddLine(LogStamp(QTime::currentTime(), TickCount()) + QLatin1Char(' ') + text);
}

void TForm12::AddFileLine(const QByteArray& name)
{
    auto* item = new QListWidgetItem(qtx::FromCp1250(name), ListBox1);
    item->setData(Qt::UserRole, name);
}

QByteArray TForm12::FileLine(int row) const
{
    const QListWidgetItem* item = ListBox1->item(row);
    return item ? item->data(Qt::UserRole).toByteArray() : QByteArray();
}

int TForm12::FileLineCount() const
{
    return ListBox1->count();
}

void TForm12::ClearFileLines()
{
    ListBox1->clear();
}

int TForm12::SelectedFileRow() const
{
    const QList<QListWidgetItem*> selected = ListBox1->selectedItems();
    return selected.isEmpty() ? -1 : ListBox1->row(selected.first());
}

void TForm12::Button1Click()
{
    const QString name = qtx::PortNameOfLabel(ComboBox1->currentText());
    const bool connected = Link().OpenLink(name, 1);
    LogLine(connected ? QStringLiteral("połączony") : QStringLiteral("niepołączony"));
    if (!connected) {
        const QString reason = qtx::PortFailureText(name, Link().Port(), texts_);
        if (!reason.isEmpty())
            LogLine(reason);
    }
}

void TForm12::Button3Click()
{
    Link().CloseLink();
    LogLine(QStringLiteral("rozlaczony"));
}

void TForm12::Button2Click()
{
    ListBox1->clear();
    Link().Engine().SendCommand({});
}

void TForm12::Button5Click()
{
    const int row = SelectedFileRow();
    if (row < 0)
        return;
    // The recorder's files are often the only copy: ask first, with No as the default answer.
    const QByteArray name = FileLine(row);
    // The request carries the name cut to 8.3: REPORT.TXT.OLD would delete REPORT.TXT.
    const QByteArray argument = qtx::wire::RequestArgument(name);
    if (argument != name) {
        qtx::Dialogs().ShowMessage(texts_.GetSentence(QStringLiteral("THE REQUEST WOULD NAME ANOTHER FILE"))
                                   + QStringLiteral(": ") + qtx::FromCp1250(name) + QStringLiteral(" -> ")
                                   + qtx::FromCp1250(argument));
        return;
    }
    const QString question = texts_.GetSentence(QStringLiteral("DELETE THIS FILE FROM THE DEVICE"))
                             + QStringLiteral(": ") + qtx::FromCp1250(name) + QLatin1Char('?');
    if (qtx::Dialogs().AskQuestion(QString(), question, texts_.GetSentence(QStringLiteral("YES")), qtx::ResultYes,
                                   texts_.GetSentence(QStringLiteral("NO")), qtx::ResultNo, qtx::ResultNo)
        != qtx::ResultYes)
        return;
    if (!Link().Engine().RequestDelete(name) || !Link().Port().IsOpen())
        return;
    // The recorder answers a delete with nothing; its list, asked for at once, is what confirms it:
    // the line goes when the recorder no longer lists the file.
    Button2Click();
}

void TForm12::Button4Click()
{
    qtx::LinkEngine& engine = Link().Engine();
    const QString path = qtx::Dialogs().ChooseFileToOpen(QString(), engine.UploadStartFolder(),
                                                         QStringLiteral("Wszystkie pliki (*)"), QStringLiteral("bin"));
    if (!path.isEmpty())
        engine.StartUpload(path);
}

void TForm12::ListBox1DblClick()
{
    const int row = SelectedFileRow();
    if (row < 0)
        return;
    Link().Engine().SetDownloadFolder(qtx::DownloadDir());
    Link().Engine().RequestFile(FileLine(row));
}
