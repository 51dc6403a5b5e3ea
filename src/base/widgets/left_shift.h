#pragma once
// Whether the left Shift key is held (only the left key counts): read from the X server at the
// moment of asking, elsewhere tracked from key events.

class QObject;

namespace qtx {

// Installs the application-wide filter that follows the left Shift key (keysym Shift_L) where the
// server's keymap cannot be read.
void InstallLeftShiftTracker(QObject* application);

// True while the left Shift key is held down; the right Shift key never counts.
// On an X server the server's keymap answers, elsewhere the tracked state.
bool LeftShiftHeld();

// Sets the tracked state (the filter does this; headless tests use it to hold the key).
void SetLeftShiftHeld(bool held);

} // namespace qtx
