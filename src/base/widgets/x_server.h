#pragma once
// What the program asks the X server itself, beyond what Qt's xcb platform does for it.

#include <cstdint>
#include <optional>

class QString;
class QWindow;
struct xcb_connection_t;

namespace qtx {

// Qt's connection to the X server the windows are shown on; null on any other platform.
xcb_connection_t* XConnection();

// The server's atom for name (XCB_ATOM_NONE, 0, when it cannot say).
std::uint32_t XAtom(xcb_connection_t* connection, const char* name);

// Whether the windows are shown on an X server (Qt's xcb platform).
bool OnXServer();

// Whether a key that carries the keysym Shift_L is down at this moment in the server's keymap;
// empty when the windows are not on an X server.
std::optional<bool> XLeftShiftDown();

// Names the window on the X server exactly as the title says, empty included (Qt would name an
// untitled window after the program).
void SetXWindowName(QWindow* window, const QString& title);

} // namespace qtx
