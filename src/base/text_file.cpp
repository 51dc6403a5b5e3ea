#include "base/text_file.h"

#include "base/errors.h"
#include "base/file_descriptor.h"

#include <QFile>
#include <QStringDecoder>
#include <QStringEncoder>
#include <algorithm>
#include <array>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace qtx {

namespace {

// Code page 1250 maps each byte to one character: a table filled once by the decoder turns a
// list of thousands of names into text without a converter per field.
struct Cp1250Table {
    std::array<QChar, 256> chars{};
    bool valid = false;

    Cp1250Table()
    {
        QStringDecoder decoder("windows-1250");
        if (!decoder.isValid())
            return;
        QByteArray all(256, '\0');
        for (int b = 0; b < 256; ++b)
            all[b] = static_cast<char>(b);
        const QString decoded = decoder(all);
        // A byte the code page leaves undefined must still decode to one character.
        if (decoded.size() != 256)
            return;
        std::copy(decoded.begin(), decoded.end(), chars.begin());
        valid = true;
    }
};

// Removes the scratch file unless the save went through.
class ScratchFile {
public:
    explicit ScratchFile(QByteArray name) : name_(std::move(name)) {}
    ScratchFile(ScratchFile&& other) noexcept : name_(std::exchange(other.name_, {})) {}
    ~ScratchFile()
    {
        if (!name_.isEmpty())
            ::unlink(name_.constData());
    }
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;
    ScratchFile& operator=(ScratchFile&&) = delete;
    const QByteArray& name() const { return name_; }
    void Kept() { name_.clear(); }

private:
    QByteArray name_;
};

[[noreturn]] void ThrowCannotCreate(const QString& path, const QString& reason)
{
    throw FileError(CannotCreateMessage(path, reason), reason);
}

[[noreturn]] void ThrowCannotCreate(const QString& path, int error)
{
    ThrowCannotCreate(path, ErrnoReason(error));
}

// Refuses a target that is there but no plain file, or that may not be written; a read-only
// target stays untouched even though its folder may be writable.
void CheckTarget(const QString& path, const QByteArray& name)
{
    struct stat st {};
    if (::stat(name.constData(), &st) != 0)
        return; // a new file, or a folder that is not there: creating the scratch file says which
    if (S_ISDIR(st.st_mode))
        ThrowCannotCreate(path, EISDIR);
    if (!S_ISREG(st.st_mode))
        ThrowCannotCreate(path, InterfaceLower(QStringLiteral("IT IS NOT A REGULAR FILE")));
    if (::access(name.constData(), W_OK) != 0)
        ThrowCannotCreate(path, errno);
}

// The process's umask, read without setting it (umask() would change it for every thread a moment).
mode_t CurrentUmask()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (status.open(QIODevice::ReadOnly)) {
        for (const QByteArray& line : status.readAll().split('\n')) {
            if (line.startsWith("Umask:")) {
                bool ok = false;
                const uint mask = line.mid(6).trimmed().toUInt(&ok, 8);
                if (ok)
                    return static_cast<mode_t>(mask);
            }
        }
    }
    return 022;
}

// A new scratch file beside the target, with the target's permissions (or those a new file gets).
ScratchFile CreateScratch(const QString& path, const QByteArray& name, FileDescriptor& fd)
{
    const qsizetype slash = name.lastIndexOf('/');
    QByteArray scratch = name.left(slash + 1) + '.' + name.mid(slash + 1) + ".XXXXXX";
    const int raw = ::mkostemp(scratch.data(), O_CLOEXEC);
    if (raw < 0)
        ThrowCannotCreate(path, errno);
    fd.Reset(raw);
    ScratchFile file(std::move(scratch));
    struct stat st {};
    const mode_t mode = ::stat(name.constData(), &st) == 0 ? st.st_mode & 07777 : 0666 & ~CurrentUmask();
    if (::fchmod(fd.Get(), mode) != 0)
        ThrowCannotCreate(path, errno);
    return file;
}

// Moves the finished scratch file over the target and makes the folder's new entry last.
void Replace(const QString& path, const QByteArray& name, ScratchFile& scratch)
{
    if (::rename(scratch.name().constData(), name.constData()) != 0)
        ThrowCannotCreate(path, errno);
    scratch.Kept();
    const qsizetype slash = name.lastIndexOf('/');
    const QByteArray folder = slash < 0 ? QByteArray(".") : slash == 0 ? QByteArray("/") : name.left(slash);
    const int dir = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        // The rename is done; a folder that cannot be synced (some file systems) changes nothing.
        ::fsync(dir);
        ::close(dir);
    }
}

} // namespace

QByteArray ReadWholeFile(const QString& path)
{
    // A file built into the program (":/lang/lang.txt") is Qt's to read.
    if (path.startsWith(QLatin1Char(':'))) {
        QFile resource(path);
        if (!resource.open(QIODevice::ReadOnly))
            throw FileError(CannotOpenMessage(path, ErrnoReason(ENOENT)));
        return resource.readAll();
    }
    const QByteArray name = QFile::encodeName(path);
    // Not blocking: a FIFO named like a data file would wait for a writer for ever at open.
    FileDescriptor fd(::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (fd.Get() < 0)
        throw FileError(CannotOpenMessage(path, ErrnoReason(errno)));
    struct stat st {};
    if (::fstat(fd.Get(), &st) != 0)
        throw FileError(CannotOpenMessage(path, ErrnoReason(errno)));
    if (S_ISDIR(st.st_mode))
        throw FileError(CannotOpenMessage(path, ErrnoReason(EISDIR)));
    if (!S_ISREG(st.st_mode))
        throw FileError(CannotOpenMessage(path, InterfaceLower(QStringLiteral("IT IS NOT A REGULAR FILE"))));
    QByteArray data;
    data.reserve(static_cast<qsizetype>(st.st_size));
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(fd.Get(), buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            throw FileError(CannotOpenMessage(path, ErrnoReason(errno)));
        if (got == 0)
            break;
        data.append(buffer, got);
    }
    return data;
}

void WriteWholeFile(const QString& path, const QByteArray& data)
{
    const QByteArray name = QFile::encodeName(path);
    CheckTarget(path, name);
    FileDescriptor fd(-1);
    ScratchFile scratch = CreateScratch(path, name, fd);
    // Unbuffered, every result checked: a full disk shows at the write that does not fit, and
    // the data must be on the disk before the rename replaces the old file.
    const char* at = data.constData();
    qsizetype left = data.size();
    while (left > 0) {
        const ssize_t put = ::write(fd.Get(), at, static_cast<std::size_t>(left));
        if (put < 0 && errno == EINTR)
            continue;
        if (put < 0)
            ThrowCannotCreate(path, errno);
        at += put;
        left -= put;
    }
    if (::fsync(fd.Get()) != 0)
        ThrowCannotCreate(path, errno);
    if (const int error = fd.Close(); error != 0)
        ThrowCannotCreate(path, error);
    Replace(path, name, scratch);
}

void SaveThroughScratch(const QString& path, const std::function<void(const QString& scratch)>& write)
{
    const QByteArray name = QFile::encodeName(path);
    CheckTarget(path, name);
    FileDescriptor fd(-1);
    ScratchFile scratch = CreateScratch(path, name, fd);
    fd.Close();
    write(QFile::decodeName(scratch.name()));
    // The writer closed its own handle; what it wrote must be on the disk before the rename.
    FileDescriptor written(::open(scratch.name().constData(), O_WRONLY | O_CLOEXEC));
    if (written.Get() < 0 || ::fsync(written.Get()) != 0)
        ThrowCannotCreate(path, errno);
    if (const int error = written.Close(); error != 0)
        ThrowCannotCreate(path, error);
    Replace(path, name, scratch);
}

void DeleteFileOrThrow(const QString& path)
{
    const QByteArray name = QFile::encodeName(path);
    if (::unlink(name.constData()) != 0 && errno != ENOENT)
        throw FileError(CannotDeleteMessage(path, ErrnoReason(errno)));
}

QList<QByteArray> SplitLines(const QByteArray& data)
{
    QList<QByteArray> lines;
    qsizetype start = 0;
    const qsizetype n = data.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char c = data[i];
        if (c != '\r' && c != '\n')
            continue;
        lines.append(data.mid(start, i - start));
        if (c == '\r' && i + 1 < n && data[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < n)
        lines.append(data.mid(start));
    return lines;
}

QList<QByteArray> ReadTextLines(const QString& path)
{
    return SplitLines(ReadWholeFile(path));
}

QByteArray JoinLinesCrLf(const QList<QByteArray>& lines)
{
    QByteArray out;
    for (const QByteArray& line : lines) {
        out += line;
        out += "\r\n";
    }
    return out;
}

void WriteTextLines(const QString& path, const QList<QByteArray>& lines)
{
    WriteWholeFile(path, JoinLinesCrLf(lines));
}

QByteArray AsOneLine(const QByteArray& text)
{
    auto isBreak = [](char c) { return c == '\r' || c == '\n'; };
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBreak(text[begin]))
        ++begin;
    while (end > begin && isBreak(text[end - 1]))
        --end;
    QByteArray line;
    line.reserve(end - begin);
    for (qsizetype i = begin; i < end; ++i) {
        if (!isBreak(text[i]))
            line.append(text[i]);
        else if (!isBreak(text[i - 1]))
            line.append(' ');
    }
    return line;
}

QString FromCp1250(QByteArrayView bytes)
{
    static const Cp1250Table table;
    if (!table.valid) {
        QStringDecoder decoder("windows-1250");
        return decoder.isValid() ? QString(decoder(bytes)) : QString::fromLatin1(bytes);
    }
    QString text(bytes.size(), Qt::Uninitialized);
    std::transform(bytes.begin(), bytes.end(), text.begin(),
                   [](char c) { return table.chars[static_cast<unsigned char>(c)]; });
    return text;
}

QByteArray ToCp1250(const QString& text)
{
    QStringEncoder encoder("windows-1250");
    return encoder.isValid() ? QByteArray(encoder(text)) : text.toLatin1();
}

QStringList CharactersOutsideCp1250(const QString& text)
{
    QStringList outside;
    for (const char32_t code : text.toUcs4()) {
        const QString character = QString::fromUcs4(&code, 1);
        if (FromCp1250(ToCp1250(character)) != character && !outside.contains(character))
            outside.append(character);
    }
    return outside;
}

} // namespace qtx
