#include "link/com_socket.h"

#include "link/net_port.h"
#include "link/port_names.h"

#include <QFile>
#include <QFileInfo>
#include <QProcessEnvironment>
#include <QSerialPortInfo>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace qtx {

namespace {

constexpr int PortsPerFamily = 32;
const char* const OverridePrefix = "QTX_COM";

struct DeviceFamily {
    const char* prefix;
    int firstNumber;
};
constexpr DeviceFamily Families[] = {{"/dev/ttyS", 1}, {"/dev/ttyUSB", 33}, {"/dev/ttyACM", 65}};

// A decimal number of plain digits, 0 when the text is anything else or does not fit.
int DecimalOrZero(const QString& text)
{
    if (text.isEmpty() || text.size() > 9)
        return 0;
    int value = 0;
    for (QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return 0;
        value = value * 10 + (c.unicode() - '0');
    }
    return value;
}

speed_t SpeedOf(int baud)
{
    switch (baud) {
    case 9600:
        return B9600;
    case 115200:
        return B115200;
    case 230400:
        return B230400;
    default:
        return B0;
    }
}

int BaudOf(speed_t speed)
{
    switch (speed) {
    case B9600:
        return 9600;
    case B115200:
        return 115200;
    case B230400:
        return 230400;
    default:
        return 0;
    }
}

// Modem-control requests that a pseudo-terminal does not support are not failures of the line.
bool ModemIoctl(int fd, unsigned long request, int bits)
{
    if (ioctl(fd, request, &bits) == 0)
        return true;
    return errno == ENOTTY || errno == EINVAL;
}

} // namespace

TCOMSocket::TCOMSocket() = default;

TCOMSocket::~TCOMSocket()
{
    Close();
}

bool TCOMSocket::Fail(PortProblem problem, int error)
{
    problem_ = problem;
    systemError_ = error;
    return false;
}

bool TCOMSocket::SetPort(const QString& name)
{
    if (IsOpen())
        return false;
    device_.clear();
    portNumber_ = name.startsWith(QLatin1String("COM")) ? DecimalOrZero(name.mid(3)) : 0;
    if (portNumber_ == 0)
        return Fail(PortProblem::NotAName);
    problem_ = PortProblem::None;
    return true;
}

bool TCOMSocket::SetDevice(const QString& path)
{
    if (IsOpen())
        return false;
    portNumber_ = 0;
    device_.clear();
    if (!IsDevicePath(path))
        return Fail(PortProblem::NotAName);
    device_ = path;
    problem_ = PortProblem::None;
    return true;
}

QString TCOMSocket::Device() const
{
    return device_.isEmpty() ? PortDevice(portNumber_) : device_;
}

bool TCOMSocket::Open()
{
    Close();
    const QString device = Device();
    if (device.isEmpty())
        return Fail(portNumber_ == 0 ? PortProblem::NotAName : PortProblem::NoDevice);
    if (IsNetworkPortName(device)) {
        const std::optional<NetAddress> address = ParseNetPortName(device);
        if (!address)
            return Fail(PortProblem::NotAName);
        auto net = std::make_unique<NetPort>();
        if (!net->Open(*address))
            return Fail(net->Problem(), net->SystemError());
        net_ = std::move(net);
        problem_ = PortProblem::None;
        systemError_ = 0;
        return true;
    }
    const int fd = ::open(QFile::encodeName(device).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        switch (error) {
        case ENOENT:
        case ENODEV:
        case ENXIO:
            return Fail(PortProblem::Missing, error);
        case EACCES:
        case EPERM:
            return Fail(PortProblem::Permission, error);
        case EBUSY:
            return Fail(PortProblem::Busy, error);
        default:
            return Fail(PortProblem::Other, error);
        }
    }
    // Exclusive: TIOCEXCL refuses further opens, flock keeps out another copy even when run as root.
    if (ioctl(fd, TIOCEXCL) != 0) {
        const int error = errno;
        ::close(fd);
        return Fail(error == ENOTTY ? PortProblem::NotSerial : PortProblem::Other, error);
    }
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        ::close(fd);
        return Fail(error == EWOULDBLOCK ? PortProblem::Busy : PortProblem::Other, error);
    }
    handle_ = fd;
    problem_ = PortProblem::None;
    systemError_ = 0;
    return true;
}

bool TCOMSocket::Close()
{
    // Kept for the report of a run that ended when the server went away.
    if (net_ && net_->Closed())
        problem_ = PortProblem::ServerClosed;
    net_.reset();
    if (handle_ < 0)
        return true;
    // The exclusive flag outlives this descriptor while another one holds the tty: drop it.
    ioctl(handle_, TIOCNXCL);
    if (::close(handle_) != 0 && errno != EINTR)
        return false;
    handle_ = -1;
    return true;
}

bool TCOMSocket::GetState()
{
    if (net_)
        return true; // the settings are what SetState gave the server
    if (!IsOpen())
        return false;
    if (tcgetattr(handle_, &settings.tty) != 0)
        return Fail(errno == ENOTTY ? PortProblem::NotSerial : PortProblem::Other, errno);
    settings.baud = BaudOf(cfgetospeed(&settings.tty));
    int lines = 0;
    if (ioctl(handle_, TIOCMGET, &lines) == 0) {
        settings.dtrOn = (lines & TIOCM_DTR) != 0;
        settings.rtsOn = (lines & TIOCM_RTS) != 0;
    }
    return true;
}

bool TCOMSocket::SetState()
{
    if (net_) {
        if (net_->SetLine(settings.baud))
            return true;
        Fail(net_->Problem(), net_->SystemError());
        net_.reset();
        return false;
    }
    if (!IsOpen())
        return false;
    termios tty = settings.tty;
    const speed_t speed = SpeedOf(settings.baud);
    if (speed == B0 || cfsetispeed(&tty, speed) != 0 || cfsetospeed(&tty, speed) != 0)
        return false;
    if (tcsetattr(handle_, TCSANOW, &tty) != 0)
        return false;
    return ModemIoctl(handle_, settings.dtrOn ? TIOCMBIS : TIOCMBIC, TIOCM_DTR)
           && ModemIoctl(handle_, settings.rtsOn ? TIOCMBIS : TIOCMBIC, TIOCM_RTS);
}

bool TCOMSocket::SetTimeouts()
{
    // Applied by Read and Write themselves.
    return IsOpen();
}

bool TCOMSocket::SetQueues()
{
    // The Linux drivers size their own queues; the request is kept for what it says.
    return IsOpen();
}

std::uint32_t TCOMSocket::BytesWaiting()
{
    if (net_) {
        lineStatus.bytesWaiting = net_->BytesWaiting();
        return lineStatus.bytesWaiting;
    }
    if (!IsOpen())
        return 0;
    lineStatus.errorFlags = false;
    int waiting = 0;
    if (ioctl(handle_, FIONREAD, &waiting) != 0 || waiting < 0)
        waiting = 0;
    lineStatus.bytesWaiting = static_cast<std::uint32_t>(waiting);
    return lineStatus.bytesWaiting;
}

std::uint32_t TCOMSocket::Read(char* buffer, std::uint32_t n)
{
    if (net_)
        return net_->Read(buffer, n);
    if (!IsOpen() || buffer == nullptr || n == 0)
        return 0;
    const std::uint32_t waiting = BytesWaiting();
    if (waiting == 0)
        return 0;
    const ssize_t got = ::read(handle_, buffer, std::min(waiting, n));
    return got > 0 ? static_cast<std::uint32_t>(got) : 0;
}

std::uint32_t TCOMSocket::Write(const char* buffer, std::uint32_t n)
{
    if (net_)
        return net_->Write(buffer, n);
    if (!IsOpen() || buffer == nullptr || n == 0)
        return 0;
    using Clock = std::chrono::steady_clock;
    const auto deadline =
        Clock::now()
        + std::chrono::milliseconds(std::uint64_t(timeouts.writeTotalPerByte) * n + timeouts.writeTotalConstant);
    std::uint32_t written = 0;
    while (written < n) {
        const ssize_t put = ::write(handle_, buffer + written, n - written);
        if (put > 0) {
            written += static_cast<std::uint32_t>(put);
            continue;
        }
        if (put < 0 && errno != EAGAIN && errno != EINTR)
            break;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0)
            break;
        pollfd out{handle_, POLLOUT, 0};
        if (poll(&out, 1, static_cast<int>(left)) < 0 && errno != EINTR)
            break;
    }
    return written;
}

std::uint32_t TCOMSocket::AnswerAllowanceMs() const
{
    return net_ ? net_->AnswerAllowanceMs() : 0;
}

QString PortDevice(int number)
{
    if (number < 1)
        return {};
    QString overridden = qEnvironmentVariable(OverridePrefix + QByteArray::number(number));
    if (!overridden.isEmpty())
        return overridden;
    const QList<NamedNetPort> named = NamedNetPorts();
    for (const NamedNetPort& port : named) {
        if (port.number == number)
            return port.address;
    }
    for (const DeviceFamily& family : Families) {
        if (number >= family.firstNumber && number < family.firstNumber + PortsPerFamily)
            return QLatin1String(family.prefix) + QString::number(number - family.firstNumber);
    }
    return {};
}

int PortNumberOfDevice(const QString& device)
{
    for (const DeviceFamily& family : Families) {
        const QLatin1String prefix(family.prefix);
        if (!device.startsWith(prefix))
            continue;
        const QString digits = device.mid(prefix.size());
        if (digits.isEmpty() || (digits.size() > 1 && digits.startsWith(QLatin1Char('0'))))
            return 0;
        bool ok = false;
        const int index = digits.toInt(&ok);
        if (ok && digits == QString::number(index) && index < PortsPerFamily)
            return family.firstNumber + index;
        return 0;
    }
    return 0;
}

int PortSortKey(const QString& name)
{
    return DecimalOrZero(name.mid(3, 16));
}

void SortPortNames(QStringList& names)
{
    std::stable_sort(names.begin(), names.end(),
                     [](const QString& a, const QString& b) { return PortSortKey(a) < PortSortKey(b); });
}

QString PortLabel(const SerialPortEntry& entry)
{
    QString label = entry.name;
    for (const QString& part : {entry.device, entry.description}) {
        if (!part.isEmpty())
            label += QStringLiteral("  ") + part;
    }
    return label;
}

QString PortNameOfLabel(const QString& line)
{
    return line.section(QLatin1Char(' '), 0, 0, QString::SectionSkipEmpty);
}

bool IsDevicePath(const QString& text)
{
    return text.startsWith(QLatin1Char('/')) || IsNetworkPortName(text);
}

QList<SerialPortEntry> SerialPortEntries()
{
    const QList<QSerialPortInfo> ports = QSerialPortInfo::availablePorts();
    // An override may name the device by another path (a /dev/serial/by-id link): compare the
    // devices themselves to find what the system says about it.
    const auto description = [&ports](const QString& device) {
        const QString target = QFileInfo(device).canonicalFilePath();
        for (const QSerialPortInfo& info : ports) {
            if (!target.isEmpty() && QFileInfo(info.systemLocation()).canonicalFilePath() == target)
                return info.description();
        }
        return QString();
    };
    QList<SerialPortEntry> entries;
    QList<int> overridden;
    const QStringList variables = QProcessEnvironment::systemEnvironment().keys();
    for (const QString& variable : variables) {
        if (!variable.startsWith(QLatin1String(OverridePrefix)))
            continue;
        const int number = DecimalOrZero(variable.mid(int(qstrlen(OverridePrefix))));
        const QString device = qEnvironmentVariable(variable.toLatin1().constData());
        if (number < 1 || device.isEmpty())
            continue;
        overridden.append(number);
        entries.append({QStringLiteral("COM%1").arg(number), device, description(device)});
    }
    const QList<NamedNetPort> named = NamedNetPorts();
    for (const NamedNetPort& port : named) {
        if (overridden.contains(port.number))
            continue;
        overridden.append(port.number);
        entries.append({QStringLiteral("COM%1").arg(port.number), port.address, port.description});
    }
    for (const QSerialPortInfo& info : ports) {
        const int number = PortNumberOfDevice(info.systemLocation());
        if (number != 0 && !overridden.contains(number))
            entries.append({QStringLiteral("COM%1").arg(number), info.systemLocation(), info.description()});
    }
    std::stable_sort(entries.begin(), entries.end(), [](const SerialPortEntry& a, const SerialPortEntry& b) {
        return PortSortKey(a.name) < PortSortKey(b.name);
    });
    return entries;
}

void ListSerialPorts(QStringList& list)
{
    list.clear();
    const QList<SerialPortEntry> entries = SerialPortEntries();
    for (const SerialPortEntry& entry : entries)
        list.append(entry.name);
}

int BaudFromChoice(int choice)
{
    switch (choice) {
    case 0:
        return 9600;
    case 2:
        return 230400;
    default:
        return 115200;
    }
}

bool OpenLink(TCOMSocket& port, const QString& name, int choice)
{
    const int rate = BaudFromChoice(choice);
    const bool chosen = IsDevicePath(name) ? port.SetDevice(name) : port.SetPort(name);
    if (!chosen || !port.Open() || !port.GetState())
        return false;

    termios& tty = port.settings.tty;
    const tcflag_t parityCheck = tty.c_iflag & INPCK;
    const tcflag_t continueAfterXoff = tty.c_iflag & IXANY;
    cfmakeraw(&tty); // 8 data bits, no parity, transparent bytes, no echo, no signals
    tty.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY | INPCK | PARMRK | IGNPAR | IGNBRK | BRKINT);
    tty.c_iflag |= parityCheck | continueAfterXoff;
    tty.c_cflag &= ~(CSTOPB | CRTSCTS | HUPCL);
    tty.c_cflag |= CLOCAL | CREAD;
    tty.c_cc[VMIN] = 0;
    tty.c_cc[VTIME] = 0;
    port.settings.baud = rate;
    port.settings.dtrOn = false;
    port.settings.rtsOn = false;

    port.inputQueueSize = 1024;
    port.outputQueueSize = 1024;
    port.timeouts = {100, 10, 100, 10, 100};

    const bool set = port.SetState();
    const bool queues = port.SetQueues();
    const bool timeouts = port.SetTimeouts();
    const bool read = port.GetState();
    return set && queues && timeouts && read;
}

bool CloseLink(TCOMSocket& port)
{
    return port.Close();
}

} // namespace qtx
