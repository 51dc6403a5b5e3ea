#pragma once
// ser2net started as a process on 127.0.0.1, bridging one device (the simulated recorder's
// pseudo-terminal) under a configuration written here, on a free port.

#include <QByteArray>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <QThread>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace qtx::test {

class Ser2netProcess {
public:
    // protocol: "telnet(rfc2217)", "telnet" or "" (raw TCP).
    Ser2netProcess(const QString& device, const QString& protocol) : protocol_(protocol), device_(device)
    {
        port_ = FreePort();
        Start();
    }
    ~Ser2netProcess() { Kill(); }
    Ser2netProcess(const Ser2netProcess&) = delete;
    Ser2netProcess& operator=(const Ser2netProcess&) = delete;

    // False when the program is not there or did not start listening.
    bool Listening() const { return listening_; }
    quint16 Port() const { return port_; }
    // The port name the manager is given.
    QString Url() const
    {
        return (protocol_.startsWith(QLatin1String("telnet")) ? QStringLiteral("rfc2217://127.0.0.1:%1")
                                                              : QStringLiteral("tcp://127.0.0.1:%1"))
            .arg(port_);
    }
    // The server dies at once, as a device server that loses power.
    void Kill()
    {
        if (process_.state() == QProcess::NotRunning)
            return;
        process_.kill();
        process_.waitForFinished();
    }
    // A new server on the same port and device.
    void Start()
    {
        const QString accepter = (protocol_.isEmpty() ? QString() : protocol_ + QLatin1Char(','))
                                 + QStringLiteral("tcp,127.0.0.1,%1").arg(port_);
        const QString config = folder_.filePath(QStringLiteral("ser2net.yaml"));
        QFile file(config);
        if (!file.open(QIODevice::WriteOnly))
            return;
        file.write(QStringLiteral("%YAML 1.1\n---\n"
                                  "connection: &recorder\n"
                                  "    accepter: %1\n"
                                  "    connector: serialdev,%2,115200n81,local\n"
                                  "    options:\n"
                                  "      kickolduser: true\n"
                                  "      chardelay: false\n")
                       .arg(accepter, device_)
                       .toUtf8());
        file.close();
        process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process_.start(QStringLiteral("ser2net"), {"-n", "-c", config, "-P", folder_.filePath("pid")});
        listening_ = process_.waitForStarted(5000) && WaitListening();
    }

private:
    static quint16 FreePort()
    {
        const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        ::bind(fd, reinterpret_cast<sockaddr*>(&address), length);
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
        ::close(fd);
        return ntohs(address.sin_port);
    }
    // Listening once the port can no longer be bound here; no connection is made to find out,
    // because ser2net would open the device for it.
    bool WaitListening() const
    {
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < 5000 && process_.state() == QProcess::Running) {
            const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
            // Connections of an earlier server on the port may linger; only a listener counts.
            const int on = 1;
            ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
            sockaddr_in address{};
            address.sin_family = AF_INET;
            address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            address.sin_port = htons(port_);
            const bool taken = ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0;
            ::close(fd);
            if (taken)
                return true;
            QThread::msleep(20);
        }
        return false;
    }

    QString protocol_;
    QString device_;
    quint16 port_ = 0;
    QTemporaryDir folder_;
    QProcess process_;
    bool listening_ = false;
};

} // namespace qtx::test
