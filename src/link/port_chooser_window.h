#pragma once

#include "link/com_socket.h"

#include <QDialog>

class QComboBox;
class QLabel;
class QPushButton;

// TForm14, the COM port chooser: the system's serial ports by name; the connect step reads the choice.
class TForm14 : public QDialog {
public:
    explicit TForm14(QWidget* parent = nullptr);

    // Fills the list with the ports (the device as each entry's tooltip) and selects the first.
    void FillPorts(const QList<qtx::SerialPortEntry>& ports);
    void Button1Click();

    QLabel* Label1 = nullptr;
    QComboBox* ComboBox1 = nullptr;
    QPushButton* Button1 = nullptr;

protected:
    // The chooser has no cancel: leaving it by the keyboard counts as OK.
    void reject() override;
};
