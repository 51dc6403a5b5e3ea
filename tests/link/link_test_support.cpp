#include "link_test_support.h"

#include <QFile>
#include <QSocketNotifier>
#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
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

SimCard::SimCard(const sim::RecorderSettings& settings)
{
    Restart(settings);
}

// Card names are raw bytes (code page 1250), not names in the locale's encoding.
std::filesystem::path SimCard::Path(const QByteArray& name) const
{
    return std::filesystem::path(folder_.path().toStdString()) / name.toStdString();
}

void SimCard::AddFile(const QByteArray& name, const QByteArray& content)
{
    std::ofstream file(Path(name), std::ios::binary);
    file.write(content.constData(), content.size());
    if (!file.flush())
        qFatal("cannot write the card file %s", name.constData());
}

QByteArray SimCard::File(const QByteArray& name) const
{
    std::ifstream file(Path(name), std::ios::binary);
    if (!file)
        return "<missing>";
    const std::string bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    return QByteArray::fromStdString(bytes);
}

QList<QByteArray> SimCard::Names() const
{
    QList<QByteArray> names;
    for (const auto& entry : std::filesystem::directory_iterator(Path({})))
        names.append(QByteArray::fromStdString(entry.path().filename().string()));
    std::sort(names.begin(), names.end());
    return names;
}

void SimCard::Restart(const sim::RecorderSettings& settings)
{
    recorder_ = std::make_unique<sim::Recorder>(sim::CardFolder(Path({})), settings);
}

QByteArray SimCard::Exchange(const QByteArray& bytes, qint64 nowMs)
{
    received += bytes;
    recorder_->Receive(bytes, nowMs);
    return recorder_->TakeOutput(nowMs);
}

std::uint32_t MemoryLink::BytesWaiting()
{
    if (recorder)
        inbound += recorder->Exchange({}, nowMs);
    return std::uint32_t(inbound.size());
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
        inbound += recorder->Exchange(bytes, nowMs);
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
    clock_.start();
}

PtyPeer::~PtyPeer()
{
    qunsetenv(Name().replace(QLatin1String("COM"), QLatin1String("QTX_COM")).toLatin1());
    timer_.stop();
    notifier_.reset();
    ::close(slave_);
    ::close(master_);
}

QString PtyPeer::Name() const
{
    return QStringLiteral("COM%1").arg(number_);
}

QByteArray PtyPeer::Pump(std::optional<qint64> nowMs)
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
    if (recorder)
        Send(recorder->Exchange(bytes, nowMs.value_or(clock_.elapsed())));
    return bytes;
}

void PtyPeer::AutoPump()
{
    notifier_ = std::make_unique<QSocketNotifier>(master_, QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, notifier_.get(), [this] { Pump(); });
    timer_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer_, &QTimer::timeout, &timer_, [this] { Pump(); });
    timer_.start(2);
}

void PtyPeer::Send(const QByteArray& bytes)
{
    QElapsedTimer waited;
    waited.start();
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t put = ::write(master_, bytes.constData() + done, size_t(bytes.size() - done));
        if (put > 0)
            done += put;
        else if (errno != EAGAIN && errno != EINTR)
            break;
        else if (waited.elapsed() > 10000)
            qFatal("the port took nothing for 10 s");
        else
            usleep(200);
    }
}

} // namespace qtx::test
