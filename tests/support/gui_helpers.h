#pragma once
// Helpers for headless window tests: acting inside modal windows, scratch folders, files.

#include <QByteArray>
#include <QString>
#include <functional>

class QWidget;

namespace qtx::test {

// Runs action on the next modal window that appears (polled from the event loop), so a test
// can click inside a window that a handler opens with exec(). Several calls queue up in order.
void OnNextModal(std::function<void(QWidget*)> action);

// Number of queued OnNextModal actions that have not run yet.
int PendingModalActions();

// Drops queued actions (a test that failed must not leave them for the next one).
void ClearModalActions();

QByteArray ReadFileBytes(const QString& path);
void WriteFileBytes(const QString& path, const QByteArray& bytes);

} // namespace qtx::test
