#pragma once
// Helpers for headless window tests: acting inside modal windows, layout relations, files.

#include "support/files.h"

#include <QList>
#include <QMargins>
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

// Layout relations, measured in the window's own coordinates, so that a test checks what a
// layout promises (margins, gaps, nothing overlapping) rather than restating its arithmetic.

// The gaps between a widget's edges and those of outer (its window when null): left, top,
// right, bottom; negative where it reaches past them.
QMargins GapsInside(const QWidget* widget, const QWidget* outer = nullptr);
// Pixels from left's right edge to right's left edge (negative: they overlap).
int GapAcross(const QWidget* left, const QWidget* right);
// Pixels from upper's bottom edge to lower's top edge (negative: they overlap).
int GapDown(const QWidget* upper, const QWidget* lower);
// The first widget reaching out of its window or the first pair that overlaps, by position in
// the list; empty when every widget lies inside and apart from the others.
QString LayoutFault(const QList<const QWidget*>& widgets);

} // namespace qtx::test
