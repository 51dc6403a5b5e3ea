#pragma once
// An open file descriptor, closed on every way out.

#include <cerrno>
#include <utility>

#include <unistd.h>

namespace qtx {

// Closing in the destructor ignores errors; where a close error matters (a file being saved),
// Close() reports it.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    int Get() const { return fd_; }
    void Reset(int fd)
    {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = fd;
    }
    // Closes now; the system's error number on failure, else 0.
    int Close()
    {
        const int fd = std::exchange(fd_, -1);
        return ::close(fd) == 0 ? 0 : errno;
    }

private:
    int fd_;
};

} // namespace qtx
