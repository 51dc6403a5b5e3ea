#pragma once
// The folder the simulated recorder serves as its SD card; names stay raw bytes.

#include <QByteArray>
#include <QList>

#include <filesystem>
#include <optional>

namespace qtx::sim {

// File access of the card, confined to one folder. Failures raise FileError.
class CardFolder {
public:
    explicit CardFolder(std::filesystem::path folder);

    const std::filesystem::path& Folder() const { return folder_; }

    // A name the recorder accepts from the manager: a plain name inside the card, never a path.
    // Empty names, "/", "\\", "..", "." alone and control bytes are refused.
    static bool IsPlainName(const QByteArray& name);

    // Names of the regular files, in byte order. Names with control bytes are left out:
    // a CR, LF or 0x15 inside a name would break the list reply.
    QList<QByteArray> FileNames() const;

    // The file a plain name reaches: the exact name, or else the one file whose name differs
    // only in letter case (the card is case-blind). Nothing when no regular file matches.
    std::optional<std::filesystem::path> Find(const QByteArray& name) const;

    QByteArray Read(const std::filesystem::path& file) const;
    void Delete(const std::filesystem::path& file) const;

    // Writes the file atomically under the name Find gives (or the name itself for a new
    // file): a temporary file beside it, flushed to disk, then renamed over the old one.
    void Store(const QByteArray& name, const QByteArray& data) const;

private:
    std::filesystem::path folder_;
};

} // namespace qtx::sim
