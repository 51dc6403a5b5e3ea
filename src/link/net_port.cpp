#include "link/net_port.h"

#include <QElapsedTimer>
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace qtx {

namespace {

// Telnet commands and the options this client speaks.
constexpr std::uint8_t Iac = 255;
constexpr std::uint8_t Dont = 254;
constexpr std::uint8_t Do = 253;
constexpr std::uint8_t Wont = 252;
constexpr std::uint8_t Will = 251;
constexpr std::uint8_t Sb = 250;
constexpr std::uint8_t Se = 240;
constexpr std::uint8_t Binary = 0;
constexpr std::uint8_t SuppressGoAhead = 3;
constexpr std::uint8_t ComPort = 44;

// COM port commands from the client; the server answers each with the command plus 100.
constexpr std::uint8_t SetBaudrate = 1;
constexpr std::uint8_t SetDatasize = 2;
constexpr std::uint8_t SetParity = 3;
constexpr std::uint8_t SetStopsize = 4;
constexpr std::uint8_t SetControl = 5;
constexpr std::uint8_t ServerAnswer = 100;
constexpr std::uint8_t ParityNone = 1;
constexpr std::uint8_t OneStopBit = 1;
constexpr std::uint8_t NoFlowOutbound = 1;
constexpr std::uint8_t NoFlowInbound = 14;

// More than the engine ever has on its way (a frame and its answers): a server that takes
// nothing for this long is not taking anything.
constexpr qsizetype QueueLimit = qsizetype(64) * 1024;

const QLatin1String TelnetScheme("rfc2217://");
const QLatin1String TcpScheme("tcp://");

PortProblem ProblemOfConnect(int error)
{
    switch (error) {
    case ECONNREFUSED:
        return PortProblem::ConnectionRefused;
    case ETIMEDOUT:
    case ENETUNREACH:
    case EHOSTUNREACH:
    case EHOSTDOWN:
    case ENETDOWN:
        return PortProblem::HostUnreachable;
    default:
        return PortProblem::Other;
    }
}

bool Wanted(std::uint8_t option, bool ours)
{
    return option == Binary || option == SuppressGoAhead || (ours && option == ComPort);
}

} // namespace

std::optional<NetAddress> ParseNetPortName(const QString& text)
{
    NetAddress address;
    QString rest;
    if (text.startsWith(TelnetScheme)) {
        address.telnet = true;
        rest = text.mid(TelnetScheme.size());
    } else if (text.startsWith(TcpScheme)) {
        rest = text.mid(TcpScheme.size());
    } else {
        return std::nullopt;
    }
    qsizetype colon = -1;
    if (rest.startsWith(QLatin1Char('['))) {
        const qsizetype close = rest.indexOf(QLatin1Char(']'));
        if (close < 2 || rest.mid(close + 1, 1) != QLatin1String(":"))
            return std::nullopt;
        address.host = rest.mid(1, close - 1);
        colon = close + 1;
    } else {
        colon = rest.indexOf(QLatin1Char(':'));
        if (colon < 1 || rest.indexOf(QLatin1Char(':'), colon + 1) >= 0)
            return std::nullopt;
        address.host = rest.left(colon);
    }
    for (QChar c : std::as_const(address.host)) {
        if (c.isSpace() || c == QLatin1Char('/') || c == QLatin1Char('[') || c == QLatin1Char(']'))
            return std::nullopt;
    }
    const QString digits = rest.mid(colon + 1);
    bool ok = false;
    const uint port = digits.toUInt(&ok);
    if (!ok || digits.isEmpty() || !std::all_of(digits.begin(), digits.end(), [](QChar c) { return c.isDigit(); })
        || port < 1 || port > 65535)
        return std::nullopt;
    address.port = static_cast<quint16>(port);
    return address;
}

bool IsNetworkPortName(const QString& text)
{
    return text.startsWith(TelnetScheme) || text.startsWith(TcpScheme);
}

NetPort::~NetPort()
{
    Close();
}

bool NetPort::Fail(PortProblem problem, int error)
{
    problem_ = problem;
    systemError_ = error;
    Close();
    return false;
}

void NetPort::Reset()
{
    telnet_ = false;
    closed_ = false;
    problem_ = PortProblem::None;
    systemError_ = 0;
    in_.clear();
    out_.clear();
    parse_ = Parse::Data;
    sub_.clear();
    will_.clear();
    do_.clear();
    comPortAgreed_ = false;
    comPortRefused_ = false;
    answers_.clear();
    awaiting_ = false;
    roundTripMs_ = 0;
    roundTripVariationMs_ = 0;
    measured_ = false;
}

void NetPort::Close()
{
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}

bool NetPort::Open(const NetAddress& address)
{
    Close();
    Reset();
    QElapsedTimer clock;
    clock.start();

    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICSERV;
    addrinfo* found = nullptr;
    const int resolved =
        getaddrinfo(address.host.toUtf8().constData(), QByteArray::number(address.port).constData(), &hints, &found);
    if (resolved != 0)
        return Fail(resolved == EAI_SYSTEM ? PortProblem::Other : PortProblem::NameNotFound,
                    resolved == EAI_SYSTEM ? errno : 0);

    PortProblem problem = PortProblem::HostUnreachable;
    int error = ETIMEDOUT;
    for (const addrinfo* candidate = found; candidate != nullptr && fd_ < 0; candidate = candidate->ai_next) {
        const int fd = ::socket(candidate->ai_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        if (fd < 0) {
            problem = PortProblem::Other;
            error = errno;
            continue;
        }
        int result = ::connect(fd, candidate->ai_addr, candidate->ai_addrlen) == 0 ? 0 : errno;
        if (result == EINPROGRESS) {
            const qint64 left = AnswerMs - clock.elapsed();
            pollfd connecting{fd, POLLOUT, 0};
            if (left <= 0 || poll(&connecting, 1, int(left)) <= 0) {
                result = ETIMEDOUT;
            } else {
                socklen_t length = sizeof result;
                getsockopt(fd, SOL_SOCKET, SO_ERROR, &result, &length);
            }
        }
        if (result != 0) {
            ::close(fd);
            problem = ProblemOfConnect(result);
            error = result;
            continue;
        }
        fd_ = fd;
    }
    freeaddrinfo(found);
    if (fd_ < 0)
        return Fail(problem, error);

    // Stop-and-wait frames: every answer must leave at once, not wait to be merged with more.
    const int on = 1;
    setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    telnet_ = address.telnet;
    if (!telnet_)
        return true;

    SendCommand(Will, Binary);
    SendCommand(Do, Binary);
    SendCommand(Will, ComPort);
    will_[Binary] = do_[Binary] = will_[ComPort] = true;
    WaitFor([this] { return comPortAgreed_ || comPortRefused_; });
    if (closed_)
        return Fail(PortProblem::ServerClosed);
    if (!comPortAgreed_)
        return Fail(PortProblem::SettingsRefused);
    return true;
}

bool NetPort::SetLine(int baud)
{
    if (!IsOpen())
        return false;
    Pump();
    if (closed_)
        return Fail(PortProblem::ServerClosed);
    if (!telnet_)
        return true;
    answers_.clear();
    QElapsedTimer asked;
    asked.start();
    const auto rate = static_cast<std::uint32_t>(baud);
    QByteArray rateBytes;
    for (int shift : {24, 16, 8, 0})
        rateBytes.append(char(rate >> shift));
    SendComPort(SetBaudrate, rateBytes);
    SendComPort(SetDatasize, QByteArray(1, char(8)));
    SendComPort(SetParity, QByteArray(1, char(ParityNone)));
    SendComPort(SetStopsize, QByteArray(1, char(OneStopBit)));
    SendComPort(SetControl, QByteArray(1, char(NoFlowOutbound)));
    SendComPort(SetControl, QByteArray(1, char(NoFlowInbound)));
    const auto answered = [this] {
        for (std::uint8_t command : {SetBaudrate, SetDatasize, SetParity, SetStopsize})
            if (!answers_.count(ServerAnswer + command))
                return false;
        return answers_[ServerAnswer + SetControl].size() >= 2;
    };
    WaitFor(answered);
    RoundTrip(double(asked.elapsed()));
    if (closed_)
        return Fail(PortProblem::ServerClosed);
    const QByteArray control = answers_[ServerAnswer + SetControl];
    const bool flowOff = std::all_of(control.begin(), control.end(),
                                     [](char c) { return c == char(NoFlowOutbound) || c == char(NoFlowInbound); });
    if (!answered() || answers_[ServerAnswer + SetBaudrate] != rateBytes
        || answers_[ServerAnswer + SetDatasize] != QByteArray(1, char(8))
        || answers_[ServerAnswer + SetParity] != QByteArray(1, char(ParityNone))
        || answers_[ServerAnswer + SetStopsize] != QByteArray(1, char(OneStopBit)) || !flowOff)
        return Fail(PortProblem::SettingsRefused);
    return true;
}

std::uint32_t NetPort::BytesWaiting()
{
    if (!IsOpen())
        return 0;
    Pump();
    return static_cast<std::uint32_t>(in_.size());
}

std::uint32_t NetPort::Read(char* buffer, std::uint32_t n)
{
    if (!IsOpen() || buffer == nullptr || n == 0)
        return 0;
    if (in_.isEmpty())
        Pump();
    const auto count = static_cast<std::uint32_t>(std::min<qsizetype>(in_.size(), n));
    std::memcpy(buffer, in_.constData(), count);
    in_.remove(0, count);
    return count;
}

std::uint32_t NetPort::Write(const char* buffer, std::uint32_t n)
{
    if (!IsOpen() || closed_ || buffer == nullptr || n == 0)
        return 0;
    if (out_.size() > QueueLimit) {
        Flush();
        if (out_.size() > QueueLimit)
            return 0;
    }
    if (!telnet_) {
        out_.append(buffer, n);
    } else {
        for (std::uint32_t i = 0; i < n; ++i) {
            out_.append(buffer[i]);
            // Telnet's command byte: a data byte of this value goes out twice.
            if (std::uint8_t(buffer[i]) == Iac)
                out_.append(buffer[i]);
        }
    }
    sinceWrite_.start();
    awaiting_ = true;
    Flush();
    return closed_ ? 0 : n;
}

void NetPort::Flush()
{
    while (!out_.isEmpty() && !closed_) {
        const ssize_t sent = ::send(fd_, out_.constData(), size_t(out_.size()), MSG_NOSIGNAL);
        if (sent > 0) {
            out_.remove(0, sent);
        } else if (sent < 0 && errno == EINTR) {
            continue;
        } else if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            break;
        } else {
            closed_ = true;
            problem_ = PortProblem::ServerClosed;
            out_.clear();
        }
    }
}

void NetPort::Pump()
{
    Flush();
    char chunk[4096];
    while (!closed_) {
        const ssize_t got = ::recv(fd_, chunk, sizeof chunk, 0);
        if (got > 0) {
            Decode(chunk, got);
        } else if (got < 0 && errno == EINTR) {
            continue;
        } else if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            break;
        } else {
            // An orderly end (0) or a broken connection: either way nothing more comes.
            closed_ = true;
            problem_ = PortProblem::ServerClosed;
            systemError_ = got < 0 ? errno : 0;
        }
    }
}

void NetPort::Decode(const char* bytes, qsizetype n)
{
    const qsizetype before = in_.size();
    DecodeInto(bytes, n);
    if (awaiting_ && in_.size() > before) {
        awaiting_ = false;
        RoundTrip(double(sinceWrite_.elapsed()));
    }
}

void NetPort::RoundTrip(double ms)
{
    // Smoothed as TCP smooths its own round trip (RFC 6298).
    if (!measured_) {
        roundTripMs_ = ms;
        roundTripVariationMs_ = ms / 2;
        measured_ = true;
        return;
    }
    roundTripVariationMs_ = 0.75 * roundTripVariationMs_ + 0.25 * std::abs(roundTripMs_ - ms);
    roundTripMs_ = 0.875 * roundTripMs_ + 0.125 * ms;
}

std::uint32_t NetPort::AnswerAllowanceMs() const
{
    const double allowance = 2 * roundTripMs_ + 4 * roundTripVariationMs_ + 40;
    return std::max<std::uint32_t>(MinAllowanceMs, measured_ ? std::uint32_t(allowance) : 0);
}

void NetPort::DecodeInto(const char* bytes, qsizetype n)
{
    if (!telnet_) {
        in_.append(bytes, n);
        return;
    }
    for (qsizetype i = 0; i < n; ++i) {
        const auto b = static_cast<std::uint8_t>(bytes[i]);
        switch (parse_) {
        case Parse::Data:
            if (b == Iac)
                parse_ = Parse::Iac;
            else
                in_.append(char(b));
            break;
        case Parse::Iac:
            if (b == Iac) {
                in_.append(char(b));
                parse_ = Parse::Data;
            } else if (b >= Will && b <= Dont) {
                verb_ = b;
                parse_ = Parse::Option;
            } else if (b == Sb) {
                sub_.clear();
                parse_ = Parse::Sub;
            } else {
                parse_ = Parse::Data; // NOP, go-ahead and the like carry nothing for us
            }
            break;
        case Parse::Option:
            Negotiate(verb_, b);
            parse_ = Parse::Data;
            break;
        case Parse::Sub:
            if (b == Iac)
                parse_ = Parse::SubIac;
            else
                sub_.append(char(b));
            break;
        case Parse::SubIac:
            if (b == Iac) {
                sub_.append(char(b));
                parse_ = Parse::Sub;
            } else {
                if (b == Se)
                    Subnegotiation();
                parse_ = Parse::Data;
            }
            break;
        }
    }
}

void NetPort::Negotiate(std::uint8_t verb, std::uint8_t option)
{
    // A request is answered only when it changes this side's state (or is refused), so two
    // agreeing ends never answer each other in a loop.
    switch (verb) {
    case Will:
        if (!Wanted(option, false)) {
            do_[option] = false;
            SendCommand(Dont, option);
        } else if (!do_[option]) {
            do_[option] = true;
            SendCommand(Do, option);
        }
        break;
    case Wont:
        if (do_[option]) {
            do_[option] = false;
            SendCommand(Dont, option);
        }
        break;
    case Do:
        if (option == ComPort)
            comPortAgreed_ = true;
        if (!Wanted(option, true)) {
            will_[option] = false;
            SendCommand(Wont, option);
        } else if (!will_[option]) {
            will_[option] = true;
            SendCommand(Will, option);
        }
        break;
    case Dont:
        if (option == ComPort) {
            comPortAgreed_ = false;
            comPortRefused_ = true;
        }
        if (will_[option]) {
            will_[option] = false;
            SendCommand(Wont, option);
        }
        break;
    default:
        break;
    }
}

void NetPort::Subnegotiation()
{
    if (sub_.size() < 2 || std::uint8_t(sub_[0]) != ComPort)
        return;
    const auto command = static_cast<std::uint8_t>(sub_[1]);
    if (command == ServerAnswer + SetControl)
        answers_[command] += sub_.mid(2);
    else if (command > ServerAnswer)
        answers_[command] = sub_.mid(2);
}

void NetPort::SendCommand(std::uint8_t verb, std::uint8_t option)
{
    for (std::uint8_t b : {Iac, verb, option})
        out_.append(char(b));
    Flush();
}

void NetPort::SendComPort(std::uint8_t command, const QByteArray& value)
{
    for (std::uint8_t b : {Iac, Sb, ComPort, command})
        out_.append(char(b));
    for (char c : value) {
        out_.append(c);
        if (std::uint8_t(c) == Iac)
            out_.append(c);
    }
    out_.append(char(Iac));
    out_.append(char(Se));
    Flush();
}

bool NetPort::WaitFor(const std::function<bool()>& done)
{
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        Pump();
        if (done())
            return true;
        const qint64 left = AnswerMs - clock.elapsed();
        if (closed_ || left <= 0)
            return false;
        pollfd ready{fd_, short(POLLIN | (out_.isEmpty() ? 0 : POLLOUT)), 0};
        poll(&ready, 1, int(left));
    }
}

} // namespace qtx
