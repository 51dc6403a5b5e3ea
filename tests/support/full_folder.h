#pragma once
// A folder where nothing more fits, for the tests of saves on a full disk.

#include <QByteArray>
#include <QDir>
#include <QString>
#include <QTemporaryDir>
#include <csignal>
#include <cstddef>
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <unistd.h>

// A small tmpfs mounted in a temporary folder and then filled, where the system lets the test
// mount one (as root, as in CI); elsewhere an ordinary folder and, while Fill() is in force, a
// file size limit of 0 for this process and the programs it starts (SIGXFSZ ignored: a write
// fails with EFBIG). Either way a write of a byte fails and renames still work.
class FullFolder {
public:
    FullFolder()
    {
        mounted_ = ::mount("tmpfs", QFile::encodeName(dir_.path()).constData(), "tmpfs", 0, "size=256k") == 0;
    }
    ~FullFolder()
    {
        if (limited_) {
            ::setrlimit(RLIMIT_FSIZE, &oldLimit_);
            std::signal(SIGXFSZ, oldHandler_);
        }
        if (mounted_)
            ::umount2(QFile::encodeName(dir_.path()).constData(), MNT_DETACH);
    }
    FullFolder(const FullFolder&) = delete;
    FullFolder& operator=(const FullFolder&) = delete;

    QString path() const { return dir_.path(); }
    QString filePath(const QString& name) const { return dir_.filePath(name); }
    bool mounted() const { return mounted_; }

    // Leaves no room: call after the test put its old files in.
    void Fill()
    {
        if (mounted_) {
            const int fd = ::open(QFile::encodeName(filePath(FillerName)).constData(), O_WRONLY | O_CREAT, 0600);
            const QByteArray block(4096, 'x');
            while (::write(fd, block.constData(), static_cast<std::size_t>(block.size())) > 0) {}
            // The last partial page too.
            while (::write(fd, block.constData(), 1) > 0) {}
            ::close(fd);
            return;
        }
        limited_ = true;
        ::getrlimit(RLIMIT_FSIZE, &oldLimit_);
        oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit none = oldLimit_;
        none.rlim_cur = 0;
        ::setrlimit(RLIMIT_FSIZE, &none);
    }

    // The cause a failed write names, in English.
    QString Cause() const
    {
        return mounted_ ? QStringLiteral("no space left on the device")
                        : QStringLiteral("the file is too large for the file system");
    }

    // The folder's names but the filler's, hidden ones included (a scratch file left behind).
    QStringList Names() const
    {
        QStringList names =
            QDir(dir_.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
        names.removeAll(FillerName);
        return names;
    }

private:
    static constexpr const char* FillerName = ".filler";
    QTemporaryDir dir_;
    bool mounted_ = false;
    bool limited_ = false;
    rlimit oldLimit_{};
    void (*oldHandler_)(int) = nullptr;
};
