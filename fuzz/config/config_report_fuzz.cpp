// Arbitrary bytes as a KONFOUT.TXT: no value carries a line break, and the report written back
// as its own lines reads the same.

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

bool SameReport(const qtx::ConfigReport& a, const qtx::ConfigReport& b)
{
    return a.deviceName == b.deviceName && a.port1Name == b.port1Name && a.port0Name == b.port0Name
           && a.firmware == b.firmware && a.exitByButton == b.exitByButton;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const qtx::ConfigReport report = qtx::ParseConfigReport(qtx::SplitLines(bytes));
    for (const QByteArray* value : {&report.deviceName, &report.port1Name, &report.port0Name, &report.firmware}) {
        Check(!value->contains('\r') && !value->contains('\n'));
        Check(value->size() <= bytes.size());
        qtx::FromCp1250(*value);
    }

    const QList<QByteArray> lines{"DeviceID=" + report.deviceName, "firmware: " + report.firmware,
                                  "port1=" + report.port1Name, "port0=" + report.port0Name,
                                  report.exitByButton ? "button=on" : "button=off"};
    Check(SameReport(qtx::ParseConfigReport(qtx::SplitLines(qtx::JoinLinesCrLf(lines))), report));
    return 0;
}
