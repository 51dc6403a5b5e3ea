#include "link/port_chooser_window.h"

#include "base/widgets/application.h"
#include "base/widgets/fonts.h"
#include "lang/language_table.h"

#include <QComboBox>
#include <QEvent>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <cstring>

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

QString PortFailureText(const QString& name, const TCOMSocket& port, const LanguageTable& texts)
{
    QString reason;
    switch (port.Problem()) {
    case PortProblem::None:
        return {};
    case PortProblem::NotAName:
        reason = texts.GetSentence(QStringLiteral("NO PORT HAS BEEN CHOSEN"));
        break;
    case PortProblem::NoDevice:
        reason = texts.GetSentence(QStringLiteral("NO DEVICE IS ASSIGNED TO THIS PORT NAME"));
        break;
    case PortProblem::Missing:
        reason = texts.GetSentence(QStringLiteral("THE PORT'S DEVICE DOES NOT EXIST"));
        break;
    case PortProblem::Permission:
        reason = texts.GetSentence(QStringLiteral("NO PERMISSION TO OPEN THE PORT")) + QStringLiteral(". ")
                 + texts.GetSentence(QStringLiteral("ADD YOUR USER TO THE DIALOUT GROUP, THEN LOG IN AGAIN"));
        break;
    case PortProblem::Busy:
        reason = texts.GetSentence(QStringLiteral("THE PORT IS BUSY: ANOTHER PROGRAM HOLDS IT"));
        break;
    case PortProblem::NotSerial:
        reason = texts.GetSentence(QStringLiteral("THE DEVICE IS NOT A SERIAL PORT"));
        break;
    case PortProblem::Other:
        reason = texts.GetSentence(QStringLiteral("THE PORT CANNOT BE OPENED")) + QStringLiteral(" (")
                 + QString::fromLocal8Bit(std::strerror(port.SystemError())) + QLatin1Char(')');
        break;
    case PortProblem::NameNotFound:
        reason = texts.GetSentence(QStringLiteral("THE HOST NAME WAS NOT FOUND"));
        break;
    case PortProblem::ConnectionRefused:
        reason = texts.GetSentence(QStringLiteral("THE SERVER REFUSED THE CONNECTION"));
        break;
    case PortProblem::HostUnreachable:
        reason = texts.GetSentence(QStringLiteral("THE HOST CANNOT BE REACHED"));
        break;
    case PortProblem::ServerClosed:
        reason = texts.GetSentence(QStringLiteral("THE SERVER CLOSED THE CONNECTION"));
        break;
    case PortProblem::SettingsRefused:
        reason = texts.GetSentence(QStringLiteral("THE SERVER REFUSED THE PORT SETTINGS"));
        break;
    }
    const QString device = port.Device();
    const QString which = name.isEmpty() ? QString()
                          : device.isEmpty() || device == name
                              ? name + QStringLiteral(": ")
                              : name + QStringLiteral(" (") + device + QStringLiteral("): ");
    return which + reason + QLatin1Char('.');
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
