// Arbitrary bytes as the configuration editor's fields and tick boxes: the command file holds one
// line per ticked command, whatever the values hold, and its name lines read back as the names.

#include "base/text_file.h"
#include "config/config_files.h"

#include <cstdint>
#include <cstdlib>

namespace {

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    // The first byte ticks the boxes; the rest are the nine field values, separated by zero bytes.
    const std::uint8_t ticks = data[0];
    const QList<QByteArray> values =
        QByteArray(reinterpret_cast<const char*>(data + 1), static_cast<qsizetype>(size - 1)).split('\0');
    auto value = [&values](qsizetype i) { return values.value(i); };

    qtx::ConfigCommands c;
    c.setDeviceName = ticks & 1;
    c.deviceName = value(0);
    c.setPort1 = ticks & 2;
    c.port1Name = value(1);
    c.setPort0 = ticks & 4;
    c.port0Name = value(2);
    c.setDate = ticks & 8;
    c.year = value(3);
    c.month = value(4);
    c.day = value(5);
    c.setTime = ticks & 16;
    c.hour = value(6);
    c.minute = value(7);
    c.second = value(8);
    c.setExitMode = ticks & 32;
    c.exitByButton = ticks & 64;

    const QList<QByteArray> lines = qtx::BuildCommandLines(c);
    const int ticked = c.setDeviceName + c.setPort1 + c.setPort0 + c.setDate + c.setTime + c.setExitMode;
    Check(lines.size() == ticked);
    const QByteArray file = qtx::JoinLinesCrLf(lines);
    Check(qtx::SplitLines(file) == lines);

    // A value never starts a command of its own: only ticked commands read back.
    const qtx::ConfigReport back = qtx::ParseConfigReport(lines);
    Check(back.deviceName.isEmpty() || c.setDeviceName);
    Check(back.port1Name.isEmpty() || c.setPort1);
    Check(back.port0Name.isEmpty() || c.setPort0);
    Check(back.firmware.isEmpty());
    Check(back.exitByButton == (c.setExitMode && c.exitByButton));
    if (c.setDeviceName && !c.deviceName.contains('\r') && !c.deviceName.contains('\n'))
        Check(back.deviceName == c.deviceName);
    return 0;
}
