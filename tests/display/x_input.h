#pragma once
// Input made on the X server itself through its XTEST extension: the program under test gets it
// as it gets an operator's mouse and keyboard, with the server's timing, focus and key state.

#include <QPoint>
#include <QString>

class QWidget;
class QWindow;
struct xcb_connection_t;

namespace qtx::test {

// A connection of its own to the server in DISPLAY; one per thread that makes input.
class XInput {
public:
    XInput();
    ~XInput();
    XInput(const XInput&) = delete;
    XInput& operator=(const XInput&) = delete;

    // Presses and releases the left button at a point of the screen, times times in a row.
    void ClickAt(QPoint global, int times = 1);
    // The same at a point of a widget.
    void Click(const QWidget* widget, QPoint local, int times = 1);
    void Click(const QWidget* widget);
    void KeyDown(unsigned keysym);
    void KeyUp(unsigned keysym);
    // Returns once the server has acted on everything sent so far.
    void Sync();

    // The window that has the keyboard focus on the server (0 when none, 1 for the pointer's).
    unsigned FocusedWindow();

    // The window's _NET_WM_NAME as the server holds it.
    QString WindowName(const QWindow* window);

private:
    unsigned Keycode(unsigned keysym);
    xcb_connection_t* connection_;
    unsigned root_ = 0;
};

} // namespace qtx::test
