#pragma once
// A serial line reached over the network through a serial device server: raw TCP, or Telnet
// with the COM port control option (RFC 2217), named rfc2217://HOST:PORT or tcp://HOST:PORT.

#include "link/com_socket.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QString>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>

namespace qtx {

// What a network port name says: how to speak to the server and where it is.
struct NetAddress {
    bool telnet = false; // rfc2217:// (true) or tcp:// (false)
    QString host;        // a name, an IPv4 address, or an IPv6 address without its brackets
    quint16 port = 0;

    bool operator==(const NetAddress&) const = default;
};

// The address of rfc2217://HOST:PORT or tcp://HOST:PORT (IPv6 in brackets), nothing for
// anything else, a port outside 1-65535 included.
std::optional<NetAddress> ParseNetPortName(const QString& text);

// True for text that starts like a network port name (rfc2217:// or tcp://), well formed or not.
bool IsNetworkPortName(const QString& text);

// NetPort, one connection to a serial device server, read and written without waiting like the
// serial port; a run's bytes pass unchanged, Telnet's 0xFF being doubled on the wire.
class NetPort {
public:
    // How long a connection and the server's answers to the port settings may take.
    static constexpr int AnswerMs = 5000;

    NetPort() = default;
    ~NetPort();
    NetPort(const NetPort&) = delete;
    NetPort& operator=(const NetPort&) = delete;

    // Resolves the name, connects and, for RFC 2217, agrees the COM port option with the server;
    // false with Problem() and SystemError() telling why.
    [[nodiscard]] bool Open(const NetAddress& address);
    void Close();
    bool IsOpen() const { return fd_ >= 0; }

    // Sets the line at the server: baud 8N1, no flow control in either direction. Raw TCP has
    // nothing to set; false when the server answers other values or does not answer in time.
    [[nodiscard]] bool SetLine(int baud);

    std::uint32_t BytesWaiting();
    std::uint32_t Read(char* buffer, std::uint32_t n);
    // Queues the bytes and sends what the connection takes now; the rest goes out on later
    // calls. 0 once the server has closed the connection or the queue is full.
    std::uint32_t Write(const char* buffer, std::uint32_t n);

    // How long an answer may take to start coming: twice the smoothed round trip (from a write
    // to the next bytes in) plus four times its variation plus 40 ms, never under MinAllowanceMs.
    std::uint32_t AnswerAllowanceMs() const;
    static constexpr int MinAllowanceMs = 200;

    // The server ended the connection (or it broke); nothing more will come.
    bool Closed() const { return closed_; }
    PortProblem Problem() const { return problem_; }
    int SystemError() const { return systemError_; }

private:
    enum class Parse : std::uint8_t { Data, Iac, Option, Sub, SubIac };

    bool Fail(PortProblem problem, int error = 0);
    void Reset();
    // Sends queued bytes, then reads and decodes whatever has arrived.
    void Pump();
    void Flush();
    void Decode(const char* bytes, qsizetype n);
    void DecodeInto(const char* bytes, qsizetype n);
    void RoundTrip(double ms);
    void Negotiate(std::uint8_t verb, std::uint8_t option);
    void Subnegotiation();
    void SendCommand(std::uint8_t verb, std::uint8_t option);
    void SendComPort(std::uint8_t command, const QByteArray& value);
    // Pumps until done() holds, the connection closes or AnswerMs pass.
    bool WaitFor(const std::function<bool()>& done);

    int fd_ = -1;
    bool telnet_ = false;
    bool closed_ = false;
    PortProblem problem_ = PortProblem::None;
    int systemError_ = 0;
    QByteArray in_;  // decoded bytes for the reader
    QByteArray out_; // bytes on their way to the server
    Parse parse_ = Parse::Data;
    std::uint8_t verb_ = 0;
    QByteArray sub_;
    // Telnet options we asked for or agreed to, so each is answered once.
    std::map<std::uint8_t, bool> will_;
    std::map<std::uint8_t, bool> do_;
    bool comPortAgreed_ = false;
    bool comPortRefused_ = false;
    // The server's answers to the COM port commands, by command (control answers collected).
    std::map<std::uint8_t, QByteArray> answers_;
    // Round trip: the time of the write still waiting for bytes in, and its smoothed figures (ms).
    QElapsedTimer sinceWrite_;
    bool awaiting_ = false;
    double roundTripMs_ = 0;
    double roundTripVariationMs_ = 0;
    bool measured_ = false;
};

} // namespace qtx
