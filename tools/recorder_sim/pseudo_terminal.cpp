#include "pseudo_terminal.h"

#include "base/errors.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace qtx::sim {

namespace {

[[noreturn]] void Fail(int fd, const char* step)
{
    const QString reason = QString::fromLocal8Bit(std::strerror(errno));
    if (fd >= 0)
        ::close(fd);
    throw FileError(QStringLiteral("Cannot open a pseudo-terminal (%1). %2").arg(QLatin1String(step), reason));
}

} // namespace

PseudoTerminal::PseudoTerminal()
{
    const int fd = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (fd < 0)
        Fail(fd, "posix_openpt");
    if (::fcntl(fd, F_SETFD, FD_CLOEXEC) != 0 || ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK) != 0)
        Fail(fd, "fcntl");
    if (::grantpt(fd) != 0)
        Fail(fd, "grantpt");
    if (::unlockpt(fd) != 0)
        Fail(fd, "unlockpt");
    char name[256];
    if (::ptsname_r(fd, name, sizeof name) != 0)
        Fail(fd, "ptsname_r");
    // Settings made on the master apply to the terminal the manager opens and outlive its
    // closing. Raw mode matters: with echo on, the recorder would read its own frames back,
    // and CR would arrive as LF.
    termios mode{};
    if (::tcgetattr(fd, &mode) != 0)
        Fail(fd, "tcgetattr");
    ::cfmakeraw(&mode);
    mode.c_cflag |= CLOCAL | CREAD;
    ::cfsetispeed(&mode, B115200);
    ::cfsetospeed(&mode, B115200);
    if (::tcsetattr(fd, TCSANOW, &mode) != 0)
        Fail(fd, "tcsetattr");
    master_ = fd;
    slavePath_ = QString::fromLocal8Bit(name);
}

PseudoTerminal::~PseudoTerminal()
{
    ::close(master_);
}

void PseudoTerminal::Flush() const
{
    ::tcflush(master_, TCIOFLUSH);
    // Bytes the terminal had already taken in stay there after its closing; only a flush
    // through the terminal itself removes them.
    const int terminal = ::open(slavePath_.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (terminal >= 0) {
        ::tcflush(terminal, TCIFLUSH);
        ::close(terminal);
    }
}

} // namespace qtx::sim
