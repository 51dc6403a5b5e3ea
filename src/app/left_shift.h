#pragma once
// Whether the left Shift key is held: tracked from key events, because only the left key counts.

class QObject;

namespace qtx {

// Installs the application-wide filter that follows the left Shift key (keysym Shift_L).
void InstallLeftShiftTracker(QObject* application);

// True while the left Shift key is held down; the right Shift key never counts.
bool LeftShiftHeld();

// Sets the tracked state (the filter does this; tests use it to hold the key).
void SetLeftShiftHeld(bool held);

} // namespace qtx
