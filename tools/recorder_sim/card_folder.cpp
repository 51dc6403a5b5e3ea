#include "card_folder.h"

#include "base/errors.h"
#include "base/file_descriptor.h"

#include <QString>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>
#include <system_error>

#include <fcntl.h>
#include <unistd.h>

namespace qtx::sim {

namespace fs = std::filesystem;

namespace {

QString Shown(const fs::path& path)
{
    return QString::fromLocal8Bit(path.native());
}

QByteArray NameOf(const fs::path& path)
{
    return QByteArray::fromStdString(path.filename().native());
}

fs::path PathIn(const fs::path& folder, const QByteArray& name)
{
    return folder / fs::path(name.toStdString());
}

// Prefix of the temporary file of an upload being stored; one left by a killed run is never listed.
const std::string kTemporaryPrefix = ".qtx-upload-";

QString Reason()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

} // namespace

CardFolder::CardFolder(fs::path folder) : folder_(std::move(folder))
{
}

bool CardFolder::IsPlainName(const QByteArray& name)
{
    if (name.isEmpty() || name == "." || name.contains("..") || name.contains('/') || name.contains('\\'))
        return false;
    return std::none_of(name.begin(), name.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; });
}

QList<QByteArray> CardFolder::FileNames() const
{
    QList<QByteArray> names;
    std::error_code error;
    for (fs::directory_iterator it(folder_, error), end; !error && it != end; it.increment(error)) {
        std::error_code kindError;
        if (!it->is_regular_file(kindError))
            continue;
        const QByteArray name = NameOf(it->path());
        if (!name.startsWith(kTemporaryPrefix.c_str())
            && std::none_of(name.begin(), name.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; }))
            names.append(name);
    }
    if (error)
        throw FileError(QStringLiteral("Cannot list the card folder \"%1\". %2")
                            .arg(Shown(folder_), QString::fromStdString(error.message())));
    std::sort(names.begin(), names.end());
    return names;
}

std::optional<fs::path> CardFolder::Find(const QByteArray& name) const
{
    if (!IsPlainName(name))
        return std::nullopt;
    std::error_code error;
    const fs::path exact = PathIn(folder_, name);
    if (fs::is_regular_file(exact, error))
        return exact;
    std::optional<fs::path> found;
    for (fs::directory_iterator it(folder_, error), end; !error && it != end; it.increment(error)) {
        std::error_code kindError;
        if (!it->is_regular_file(kindError) || NameOf(it->path()).compare(name, Qt::CaseInsensitive) != 0)
            continue;
        if (found)
            return std::nullopt; // two files differ only in case: no way to tell which one is meant
        found = it->path();
    }
    return found;
}

QByteArray CardFolder::Read(const fs::path& file) const
{
    FileDescriptor fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.Get() < 0)
        throw FileError(CannotOpenMessage(Shown(file), Reason()));
    QByteArray data;
    char block[65536];
    for (;;) {
        const ssize_t n = ::read(fd.Get(), block, sizeof block);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            throw FileError(CannotOpenMessage(Shown(file), Reason()));
        if (n == 0)
            return data;
        data.append(block, n);
    }
}

void CardFolder::Delete(const fs::path& file) const
{
    if (::unlink(file.c_str()) != 0)
        throw FileError(QStringLiteral("Cannot delete file \"%1\". %2").arg(Shown(file), Reason()));
}

void CardFolder::Store(const QByteArray& name, const QByteArray& data) const
{
    if (!IsPlainName(name))
        throw FileError(
            QStringLiteral("Refused to store \"%1\": not a plain file name").arg(QString::fromLatin1(name)));
    const fs::path target = Find(name).value_or(PathIn(folder_, name));
    // Created like any new file (0666 less the umask), under a name no card file has.
    // One left by an earlier run under the same process number is stepped over.
    static unsigned counter = 0;
    std::string temporary;
    int opened = -1;
    for (int attempt = 0; opened < 0; ++attempt) {
        temporary =
            (folder_ / (kTemporaryPrefix + std::to_string(::getpid()) + "-" + std::to_string(++counter))).native();
        opened = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (opened < 0 && (errno != EEXIST || attempt == 100))
            throw FileError(CannotCreateMessage(Shown(target), Reason()));
    }
    FileDescriptor fd(opened);
    const auto fail = [&](const QString& reason) {
        ::unlink(temporary.c_str());
        throw FileError(CannotCreateMessage(Shown(target), reason));
    };
    const char* at = data.constData();
    qsizetype left = data.size();
    while (left > 0) {
        const ssize_t n = ::write(fd.Get(), at, static_cast<size_t>(left));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            fail(Reason());
        at += n;
        left -= n;
    }
    if (::fsync(fd.Get()) != 0)
        fail(Reason());
    if (const int error = fd.Close(); error != 0)
        fail(QString::fromLocal8Bit(std::strerror(error)));
    if (::rename(temporary.c_str(), target.c_str()) != 0)
        fail(Reason());
}

} // namespace qtx::sim
