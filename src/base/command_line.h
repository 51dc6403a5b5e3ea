#pragma once
// The program's one optional argument.

#include <QStringList>

namespace qtx {

// Debug mode is on exactly when there is one argument and it reads "DEBUG" in any letter case.
// The list holds the arguments without the program name.
bool IsDebugArgument(const QStringList& arguments);

} // namespace qtx
