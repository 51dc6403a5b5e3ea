#include "display/x_input.h"

#include "base/widgets/x_server.h"

#include <QWidget>
#include <QWindow>
#include <cstdlib>
#include <memory>
#include <xcb/xcb.h>
#include <xcb/xtest.h>

namespace qtx::test {

namespace {

template <class T>
using Reply = std::unique_ptr<T, decltype(&std::free)>;

} // namespace

XInput::XInput() : connection_(xcb_connect(nullptr, nullptr))
{
    if (xcb_connection_has_error(connection_))
        qFatal("no X server in DISPLAY");
    root_ = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data->root;
}

XInput::~XInput()
{
    xcb_disconnect(connection_);
}

void XInput::ClickAt(QPoint global, int times)
{
    xcb_test_fake_input(connection_, XCB_MOTION_NOTIFY, 0, XCB_CURRENT_TIME, root_, static_cast<int16_t>(global.x()),
                        static_cast<int16_t>(global.y()), 0);
    for (int i = 0; i < times; ++i) {
        xcb_test_fake_input(connection_, XCB_BUTTON_PRESS, 1, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
        xcb_test_fake_input(connection_, XCB_BUTTON_RELEASE, 1, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
    }
    Sync();
}

void XInput::Click(const QWidget* widget, QPoint local, int times)
{
    ClickAt(widget->mapToGlobal(local), times);
}

void XInput::Click(const QWidget* widget)
{
    Click(widget, widget->rect().center());
}

void XInput::KeyDown(unsigned keysym)
{
    xcb_test_fake_input(connection_, XCB_KEY_PRESS, static_cast<uint8_t>(Keycode(keysym)), XCB_CURRENT_TIME, XCB_NONE,
                        0, 0, 0);
    Sync();
}

void XInput::KeyUp(unsigned keysym)
{
    xcb_test_fake_input(connection_, XCB_KEY_RELEASE, static_cast<uint8_t>(Keycode(keysym)), XCB_CURRENT_TIME, XCB_NONE,
                        0, 0, 0);
    Sync();
}

void XInput::Sync()
{
    std::free(xcb_get_input_focus_reply(connection_, xcb_get_input_focus(connection_), nullptr));
}

unsigned XInput::FocusedWindow()
{
    const Reply<xcb_get_input_focus_reply_t> reply(
        xcb_get_input_focus_reply(connection_, xcb_get_input_focus(connection_), nullptr), &std::free);
    return reply ? reply->focus : 0;
}

QString XInput::WindowName(const QWindow* window)
{
    const auto cookie = xcb_get_property(connection_, 0, static_cast<xcb_window_t>(window->winId()),
                                         XAtom(connection_, "_NET_WM_NAME"), XCB_GET_PROPERTY_TYPE_ANY, 0, 1024);
    const Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(connection_, cookie, nullptr), &std::free);
    if (!reply)
        return QStringLiteral("(no reply)");
    return QString::fromUtf8(static_cast<const char*>(xcb_get_property_value(reply.get())),
                             xcb_get_property_value_length(reply.get()));
}

unsigned XInput::Keycode(unsigned keysym)
{
    const xcb_setup_t* setup = xcb_get_setup(connection_);
    const int first = setup->min_keycode;
    const int count = setup->max_keycode - first + 1;
    const Reply<xcb_get_keyboard_mapping_reply_t> map(
        xcb_get_keyboard_mapping_reply(
            connection_,
            xcb_get_keyboard_mapping(connection_, static_cast<xcb_keycode_t>(first), static_cast<uint8_t>(count)),
            nullptr),
        &std::free);
    if (!map)
        qFatal("no keyboard mapping");
    const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(map.get());
    const int perKey = map->keysyms_per_keycode;
    for (int k = 0; k < count; ++k)
        for (int s = 0; s < perKey; ++s)
            if (syms[k * perKey + s] == keysym)
                return static_cast<unsigned>(first + k);
    qFatal("no key for keysym %x", keysym);
}

} // namespace qtx::test
