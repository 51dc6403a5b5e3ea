#include "commands.h"

#include <cstdio>

namespace qtxctl {

int RunUsers(const QStringList&)
{
    std::fputs("qtxctl users: not available in this build yet\n", stderr);
    return 2;
}

} // namespace qtxctl
