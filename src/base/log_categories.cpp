#include "base/log_categories.h"

namespace qtx {

// Information and above by default: the trace is debug output, silent until a rule asks for it.
Q_LOGGING_CATEGORY(AppLog, "qtx.app", QtInfoMsg)
Q_LOGGING_CATEGORY(LinkLog, "qtx.link", QtInfoMsg)

} // namespace qtx
