#include "commands.h"

#include <cstdio>

namespace qtxctl {

int RunReport(const QStringList&)
{
    std::fputs("qtxctl report: not available in this build yet\n", stderr);
    return 2;
}

} // namespace qtxctl
