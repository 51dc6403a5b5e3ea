#pragma once
// The single-instance guard: one running copy per user, found by its main-window title.

#include <QString>
#include <functional>
#include <memory>

class QLocalServer;

namespace qtx {

// When a copy with this title already runs, asks it to come to the front and returns nullptr.
// Otherwise listens for later copies (each call of raise brings this copy forward) and
// returns the listening server. QTX_INSTANCE_NAME, when set, replaces the derived name
// (tests use it to keep their copies apart).
std::unique_ptr<QLocalServer> ClaimSingleInstance(const QString& title, std::function<void()> raise);

} // namespace qtx
