#include "link/port_chooser_window.h"

#include "base/widgets/application.h"
#include "base/widgets/fonts.h"

#include <QComboBox>
#include <QEvent>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

namespace qtx {

namespace {

constexpr int RefreshMs = 1000;

} // namespace

PortListWatcher::PortListWatcher(QWidget* window, QComboBox* box) : QObject(window), box_(box), timer_(new QTimer(this))
{
    timer_->setInterval(RefreshMs);
    connect(timer_, &QTimer::timeout, this, [this] {
        if (following())
            RunGuarded([this] { Refresh(); });
    });
    window->installEventFilter(this);
}

void PortListWatcher::Fill(const QList<SerialPortEntry>& ports)
{
    const QString chosen = PortNameOfLabel(box_->currentText());
    shown_ = ports;
    box_->clear();
    int selected = ports.isEmpty() ? -1 : 0;
    for (const SerialPortEntry& port : ports) {
        if (port.name == chosen)
            selected = box_->count();
        box_->addItem(PortLabel(port));
        box_->setItemData(box_->count() - 1, port.device, Qt::ToolTipRole);
    }
    box_->setCurrentIndex(selected);
}

void PortListWatcher::Refresh()
{
    const QList<SerialPortEntry> ports = source();
    if (ports != shown_)
        Fill(ports);
}

bool PortListWatcher::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Show)
        timer_->start();
    else if (event->type() == QEvent::Hide)
        timer_->stop();
    return QObject::eventFilter(watched, event);
}

} // namespace qtx

TForm14::TForm14(QWidget* parent) : QDialog(parent)
{
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::MSWindowsFixedSizeDialogHint);
    setFont(qtx::FixedFont());
    setFixedSize(460, 112);

    Label1 = new QLabel(QStringLiteral("Wybierz port COM:"), this);
    Label1->setGeometry(16, 12, 428, 18);
    ComboBox1 = new QComboBox(this);
    ComboBox1->setEditable(false);
    ComboBox1->setGeometry(16, 34, 428, 26);
    Button1 = new QPushButton(QStringLiteral("OK"), this);
    Button1->setGeometry(192, 72, 76, 28);
    Button1->setDefault(true);
    qtx::OnClick(Button1, this, &TForm14::Button1Click);
    Ports = new qtx::PortListWatcher(this, ComboBox1);
}

void TForm14::FillPorts(const QList<qtx::SerialPortEntry>& ports)
{
    ComboBox1->setCurrentIndex(-1);
    Ports->Fill(ports);
}

QString TForm14::ChosenPortName() const
{
    return qtx::PortNameOfLabel(ComboBox1->currentText());
}

void TForm14::Button1Click()
{
    accept();
}

void TForm14::reject()
{
    accept();
}
