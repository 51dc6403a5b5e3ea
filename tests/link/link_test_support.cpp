#include "link_test_support.h"

#include <QFile>
#include <QSocketNotifier>
#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace qtx::test {

QString UnopenablePath(const QString& folder)
{
    if (geteuid() == 0)
        return access("/sys/kernel/notes", F_OK) == 0 ? QStringLiteral("/sys/kernel/notes") : QString();
    const QString path = folder + QStringLiteral("/locked-tty");
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || !file.setPermissions(QFileDevice::Permissions()))
        return {};
    return path;
}

std::uint32_t MemoryLink::Read(char* buffer, std::uint32_t n)
{
    const auto count = std::min<std::uint32_t>(n, std::uint32_t(inbound.size()));
    std::copy_n(inbound.constData(), count, buffer);
    inbound.remove(0, count);
    return count;
}

std::uint32_t MemoryLink::Write(const char* buffer, std::uint32_t n)
{
    const QByteArray bytes(buffer, n);
    written += bytes;
    if (recorder)
        inbound += recorder->Receive(bytes);
    return n;
}

QByteArray MemoryLink::TakeWritten()
{
    QByteArray bytes = written;
    written.clear();
    return bytes;
}

PtyPeer::PtyPeer(int number) : number_(number)
{
    master_ = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0)
        qFatal("no pseudo-terminal");
    device_ = QString::fromLocal8Bit(ptsname(master_));
    // Holding the slave open keeps the master from reporting a hang-up while the port is closed;
    // raw from the start, so nothing is echoed before the port sets its own line settings.
    slave_ = ::open(ptsname(master_), O_RDWR | O_NOCTTY | O_NONBLOCK);
    termios tty{};
    tcgetattr(slave_, &tty);
    cfmakeraw(&tty);
    tcsetattr(slave_, TCSANOW, &tty);
    qputenv(Name().replace(QLatin1String("COM"), QLatin1String("QTX_COM")).toLatin1(), device_.toLocal8Bit());
}

PtyPeer::~PtyPeer()
{
    qunsetenv(Name().replace(QLatin1String("COM"), QLatin1String("QTX_COM")).toLatin1());
    notifier_.reset();
    ::close(slave_);
    ::close(master_);
}

QString PtyPeer::Name() const
{
    return QStringLiteral("COM%1").arg(number_);
}

QByteArray PtyPeer::Pump()
{
    QByteArray bytes;
    char buffer[4096];
    for (;;) {
        const ssize_t got = ::read(master_, buffer, sizeof buffer);
        if (got <= 0)
            break;
        bytes.append(buffer, got);
    }
    received += bytes;
    if (recorder && !bytes.isEmpty())
        Send(recorder->Receive(bytes));
    return bytes;
}

void PtyPeer::AutoPump()
{
    notifier_ = std::make_unique<QSocketNotifier>(master_, QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, notifier_.get(), [this] { Pump(); });
}

void PtyPeer::Send(const QByteArray& bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t put = ::write(master_, bytes.constData() + done, size_t(bytes.size() - done));
        if (put > 0)
            done += put;
        else if (errno != EAGAIN && errno != EINTR)
            break;
        else
            usleep(200);
    }
}

} // namespace qtx::test
