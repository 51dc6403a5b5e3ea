#pragma once
// The program's logging categories, one a subsystem ("qtx.link"). Their debug output, the trace,
// is off unless switched on: QT_LOGGING_RULES="qtx.link.debug=true" shows the link's.

#include <QLoggingCategory>

namespace qtx {

Q_DECLARE_LOGGING_CATEGORY(AppLog)
Q_DECLARE_LOGGING_CATEGORY(LinkLog)

} // namespace qtx
