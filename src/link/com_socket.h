#pragma once
// The serial port: TCOMSocket on POSIX termios, the port names COMn and their devices, and the
// main window's link operations OpenLink, CloseLink and BaudFromChoice.

#include <QList>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <termios.h>

namespace qtx {

// The line settings the port is opened with (what the driver's control record holds on Windows).
struct LineSettings {
    termios tty{};
    int baud = 115200;
    bool dtrOn = false;
    bool rtsOn = false;
};

// Milliseconds; reads never wait for data, so the read values only bound a misbehaving driver.
struct PortTimeouts {
    std::uint32_t readInterval = 0;
    std::uint32_t readTotalPerByte = 0;
    std::uint32_t readTotalConstant = 0;
    std::uint32_t writeTotalPerByte = 0;
    std::uint32_t writeTotalConstant = 0;
};

struct LineStatus {
    bool errorFlags = false;
    std::uint32_t bytesWaiting = 0;
};

// TCOMSocket, the one serial port: opened by a name COMn, exclusive, raw 8N1; reads only what waits.
class TCOMSocket {
public:
    TCOMSocket() = default;
    ~TCOMSocket();
    TCOMSocket(const TCOMSocket&) = delete;
    TCOMSocket& operator=(const TCOMSocket&) = delete;

    bool SetPort(const QString& name);
    bool Open();
    bool Close();
    bool GetState();
    bool SetState();
    bool SetTimeouts();
    bool SetQueues();
    std::uint32_t BytesWaiting();
    std::uint32_t Read(char* buffer, std::uint32_t n);
    std::uint32_t Write(const char* buffer, std::uint32_t n);

    bool IsOpen() const { return handle_ >= 0; }
    int PortNumber() const { return portNumber_; }

    LineSettings settings;
    PortTimeouts timeouts;
    std::uint32_t inputQueueSize = 0;
    std::uint32_t outputQueueSize = 0;
    LineStatus lineStatus;

private:
    int handle_ = -1;
    int portNumber_ = 0;
};

// One serial port the system knows, under its COMn name.
struct SerialPortEntry {
    QString name;
    QString device;
};

// The device behind COMn: the environment variable QTX_COMn when set, else by the fixed rule
// COM1-32 = /dev/ttyS0-31, COM33-64 = /dev/ttyUSB0-31, COM65-96 = /dev/ttyACM0-31; empty when none.
QString PortDevice(int number);

// The COMn number of a device by the fixed rule, 0 when the rule names no port for it.
int PortNumberOfDevice(const QString& device);

// The number after "COM" (characters four to nineteen), 0 when they are not a decimal number.
int PortSortKey(const QString& name);

// Sorts port names by their number, keeping the order of equal keys.
void SortPortNames(QStringList& names);

// The system's serial ports named by the rule, plus every QTX_COMn override, sorted by number.
QList<SerialPortEntry> SerialPortEntries();

// Clears the list and fills it with the names of SerialPortEntries.
void ListSerialPorts(QStringList& list);

// Speed choice: 0 = 9600, 1 = 115200, 2 = 230400 bit/s, anything else 115200.
int BaudFromChoice(int choice);

// Opens the named port at the chosen speed with the fixed line settings; false when any step fails
// (the port may stay open when only reading its settings failed) and when the port is already open.
bool OpenLink(TCOMSocket& port, const QString& name, int choice);

bool CloseLink(TCOMSocket& port);

} // namespace qtx
