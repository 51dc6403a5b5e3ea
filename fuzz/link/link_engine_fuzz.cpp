// Arbitrary received bytes fed to the link engine in each mode: a command reply, a download, an
// upload, and a download being cancelled. The first byte picks the mode, each chunk's length
// byte says how much arrives in one run of LinkTick; every engine write is taken and dropped.

#include "link/link_engine.h"

#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace {

class FuzzLine final : public qtx::LinkTransport {
public:
    QByteArray inbound;
    std::uint32_t BytesWaiting() override { return std::uint32_t(inbound.size()); }
    std::uint32_t Read(char* buffer, std::uint32_t n) override
    {
        const auto count = std::min<std::uint32_t>(n, std::uint32_t(inbound.size()));
        std::copy_n(inbound.constData(), count, buffer);
        inbound.remove(0, count);
        return count;
    }
    std::uint32_t Write(const char*, std::uint32_t n) override { return n; }
};

struct Files {
    QTemporaryDir folder;
    QString uploads[3];
    Files()
    {
        const int sizes[3] = {0, 700, 2100};
        for (int i = 0; i < 3; ++i) {
            uploads[i] = folder.filePath(QStringLiteral("up%1.bin").arg(i));
            QFile file(uploads[i]);
            if (file.open(QIODevice::WriteOnly))
                file.write(QByteArray(sizes[i], char('a' + i)));
        }
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static Files files;
    if (size < 2)
        return 0;
    FuzzLine line;
    qtx::LinkEvents events;
    qtx::LinkEngine engine(line, events);
    engine.SetFramePause(false);
    engine.SetDownloadFolder(files.folder.filePath(QStringLiteral("card")));

    const int mode = data[0] % 4;
    switch (mode) {
    case 0:
        engine.SendCommand({});
        break;
    case 1:
    case 3:
        engine.RequestFile("FUZZ.BIN");
        break;
    default:
        engine.ArmUpload(files.uploads[data[1] % 3]);
        break;
    }
    std::size_t at = 2;
    int runs = 0;
    while (at < size) {
        const std::size_t chunk = std::min<std::size_t>(data[at] % 64, size - at - 1);
        line.inbound.append(reinterpret_cast<const char*>(data + at + 1), qsizetype(chunk));
        at += chunk + 1;
        engine.LinkTick();
        if (mode == 3 && ++runs == 3)
            engine.RequestAbort();
    }
    for (int i = 0; i < 45; ++i)
        engine.LinkTick();
    return 0;
}
