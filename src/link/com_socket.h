#pragma once
// The serial port: TCOMSocket on POSIX termios, the port names COMn and their devices, and the
// main window's link operations OpenLink, CloseLink and BaudFromChoice.

#include <QList>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>
#include <termios.h>

namespace qtx {

class NetPort;

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

// Why the last SetPort, SetDevice, Open or GetState failed; the windows and qtxctl word it.
enum class PortProblem {
    None,
    NotAName,   // not COM followed by a number, nor a device path
    NoDevice,   // no device for this COMn (beyond the fixed rule, no QTX_COMn)
    Missing,    // the device does not exist (adapter unplugged)
    Permission, // the user may not open it (not in the dialout group)
    Busy,       // another program holds it
    NotSerial,  // opened, but it is not a terminal
    Other,
    // A network port (rfc2217:// or tcp://):
    NameNotFound,      // the host name does not resolve
    ConnectionRefused, // nothing listens on that port
    HostUnreachable,   // no route, or no answer in time
    ServerClosed,      // the server ended the connection
    SettingsRefused,   // the server did not take 115200 8N1 without flow control
};

// TCOMSocket, the one serial port: opened by a name COMn, exclusive, raw 8N1; reads only what waits.
// A device that is a network address (rfc2217://, tcp://) is reached through a NetPort.
class TCOMSocket {
public:
    TCOMSocket();
    ~TCOMSocket();
    TCOMSocket(const TCOMSocket&) = delete;
    TCOMSocket& operator=(const TCOMSocket&) = delete;

    [[nodiscard]] bool SetPort(const QString& name);
    // Chooses a device by its path instead of a COM name (/dev/ttyUSB0, /dev/serial/by-id/...,
    // or a network address); false when the port is open or the text is neither.
    [[nodiscard]] bool SetDevice(const QString& path);
    [[nodiscard]] bool Open();
    bool Close();
    [[nodiscard]] bool GetState();
    [[nodiscard]] bool SetState();
    [[nodiscard]] bool SetTimeouts();
    [[nodiscard]] bool SetQueues();
    std::uint32_t BytesWaiting();
    std::uint32_t Read(char* buffer, std::uint32_t n);
    std::uint32_t Write(const char* buffer, std::uint32_t n);
    // 0 for a serial line; a network port's allowance for its round trip (see NetPort).
    std::uint32_t AnswerAllowanceMs() const;

    bool IsOpen() const { return handle_ >= 0 || net_ != nullptr; }
    int PortNumber() const { return portNumber_; }
    // The device the port opens: the chosen path, else the device of its COM number.
    QString Device() const;
    PortProblem Problem() const { return problem_; }
    // The system's error of the failed step (errno), 0 when there was none.
    int SystemError() const { return systemError_; }

    LineSettings settings;
    PortTimeouts timeouts;
    std::uint32_t inputQueueSize = 0;
    std::uint32_t outputQueueSize = 0;
    LineStatus lineStatus;

private:
    bool Fail(PortProblem problem, int error = 0);

    int handle_ = -1;
    std::unique_ptr<NetPort> net_;
    int portNumber_ = 0;
    QString device_;
    PortProblem problem_ = PortProblem::None;
    int systemError_ = 0;
};

// One serial port the system knows, under its COMn name, with what the system says it is.
struct SerialPortEntry {
    QString name;
    QString device;
    QString description;

    bool operator==(const SerialPortEntry&) const = default;
};

// How lists show a port: "COM33  /dev/ttyUSB0  FT232R USB UART" (the name first, so the
// connect step takes it as the line's first word).
QString PortLabel(const SerialPortEntry& entry);

// The port name of a list line: its first word.
QString PortNameOfLabel(const QString& line);

// True for text naming a device by its path or network address rather than a COM name.
bool IsDevicePath(const QString& text);

// The device behind COMn: the environment variable QTX_COMn when set, else the address the ports
// file gives it, else by the fixed rule
// COM1-32 = /dev/ttyS0-31, COM33-64 = /dev/ttyUSB0-31, COM65-96 = /dev/ttyACM0-31; empty when none.
QString PortDevice(int number);

// The COMn number of a device by the fixed rule, 0 when the rule names no port for it.
int PortNumberOfDevice(const QString& device);

// The number after "COM" (characters four to nineteen), 0 when they are not a decimal number.
int PortSortKey(const QString& name);

// Sorts port names by their number, keeping the order of equal keys.
void SortPortNames(QStringList& names);

// The system's serial ports named by the rule, plus the ports file's network ports and every
// QTX_COMn override, sorted by number.
QList<SerialPortEntry> SerialPortEntries();

// Clears the list and fills it with the names of SerialPortEntries.
void ListSerialPorts(QStringList& list);

// Speed choice: 0 = 9600, 1 = 115200, 2 = 230400 bit/s, anything else 115200.
int BaudFromChoice(int choice);

// Opens the named port (COMn, or a device path) at the chosen speed with the fixed line settings; false when any step fails
// (the port may stay open when only reading its settings failed) and when the port is already open.
[[nodiscard]] bool OpenLink(TCOMSocket& port, const QString& name, int choice);

bool CloseLink(TCOMSocket& port);

} // namespace qtx
