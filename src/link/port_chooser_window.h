#pragma once

#include "link/com_socket.h"

#include <QDialog>
#include <functional>

class QComboBox;
class QLabel;
class QPushButton;
class QTimer;

namespace qtx {

// PortListWatcher, a window's port list kept current: one line per port ("COM33  /dev/ttyUSB0
// FT232R USB UART"), looked at again every second while the window is shown, so an adapter
// plugged in or pulled out appears or disappears without reopening the window.
class PortListWatcher : public QObject {
public:
    PortListWatcher(QWidget* window, QComboBox* box);

    // Shows the ports, keeping the selected port when it is still listed, else the first.
    void Fill(const QList<SerialPortEntry>& ports);
    // Asks the source again and refills the list when the ports changed.
    void Refresh();

    // Where the ports come from (the system's list; tests give their own).
    std::function<QList<SerialPortEntry>()> source = SerialPortEntries;
    // False while the list need not follow (the console's port is open: asking the system takes
    // tens of milliseconds the link's 2 ms timer should not wait).
    std::function<bool()> following = [] { return true; };

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QComboBox* box_;
    QTimer* timer_;
    QList<SerialPortEntry> shown_;
};

} // namespace qtx

// TForm14, the COM port chooser: the system's serial ports with their devices; the connect step
// reads the port name from the chosen line.
class TForm14 : public QDialog {
public:
    explicit TForm14(QWidget* parent = nullptr);

    // Fills the list with the ports (the device as each entry's tooltip) and selects the first.
    void FillPorts(const QList<qtx::SerialPortEntry>& ports);
    // The port name of the chosen line, empty when none is listed.
    QString ChosenPortName() const;
    void Button1Click();

    QLabel* Label1 = nullptr;              // "Choose COM port" caption
    QComboBox* ComboBox1 = nullptr;        // serial ports
    QPushButton* Button1 = nullptr;        // OK
    qtx::PortListWatcher* Ports = nullptr; // keeps ComboBox1 current

protected:
    // The chooser has no cancel: leaving it by the keyboard counts as OK.
    void reject() override;
};

using PortChooserWindow = TForm14; // the name new code may use
