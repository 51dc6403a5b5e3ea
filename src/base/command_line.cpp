#include "base/command_line.h"

namespace qtx {

bool IsDebugArgument(const QStringList& arguments)
{
    return arguments.size() == 1 && arguments.front().toUpper() == QLatin1String("DEBUG");
}

} // namespace qtx
