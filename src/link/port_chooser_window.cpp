#include "link/port_chooser_window.h"

#include "app/application.h"
#include "app/fonts.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>

TForm14::TForm14(QWidget* parent) : QDialog(parent)
{
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::MSWindowsFixedSizeDialogHint);
    setFont(qtx::FixedFont());
    setFixedSize(260, 112);

    Label1 = new QLabel(QStringLiteral("Wybierz port COM:"), this);
    Label1->setGeometry(16, 12, 228, 18);
    ComboBox1 = new QComboBox(this);
    ComboBox1->setEditable(false);
    ComboBox1->setGeometry(16, 34, 228, 26);
    Button1 = new QPushButton(QStringLiteral("OK"), this);
    Button1->setGeometry(92, 72, 76, 28);
    Button1->setDefault(true);
    qtx::OnClick(Button1, this, &TForm14::Button1Click);
}

void TForm14::FillPorts(const QList<qtx::SerialPortEntry>& ports)
{
    ComboBox1->clear();
    for (const qtx::SerialPortEntry& port : ports) {
        ComboBox1->addItem(port.name);
        ComboBox1->setItemData(ComboBox1->count() - 1, port.device, Qt::ToolTipRole);
    }
    ComboBox1->setCurrentIndex(ports.isEmpty() ? -1 : 0);
}

void TForm14::Button1Click()
{
    accept();
}

void TForm14::reject()
{
    accept();
}
