#include "base/widgets/x_server.h"

#include <QGuiApplication>
#include <QString>
#include <QWindow>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <xcb/xcb.h>

namespace qtx {

namespace {

constexpr xcb_keysym_t KeysymShiftL = 0xFFE1;

template <class T>
using Reply = std::unique_ptr<T, decltype(&std::free)>;

} // namespace

std::uint32_t XAtom(xcb_connection_t* c, const char* name)
{
    const Reply<xcb_intern_atom_reply_t> reply(
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr),
        &std::free);
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

xcb_connection_t* XConnection()
{
    if (qGuiApp == nullptr || QGuiApplication::platformName() != QLatin1String("xcb"))
        return nullptr;
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 != nullptr ? x11->connection() : nullptr;
}

bool OnXServer()
{
    return XConnection() != nullptr;
}

std::optional<bool> XLeftShiftDown()
{
    xcb_connection_t* c = XConnection();
    if (c == nullptr)
        return std::nullopt;
    const xcb_setup_t* setup = xcb_get_setup(c);
    const int first = setup->min_keycode;
    const int count = setup->max_keycode - first + 1;
    // The mapping is asked for every time: the operator may switch keyboard layouts at any moment.
    const auto mapCookie = xcb_get_keyboard_mapping(c, static_cast<xcb_keycode_t>(first), static_cast<uint8_t>(count));
    const auto keysCookie = xcb_query_keymap(c);
    const Reply<xcb_get_keyboard_mapping_reply_t> map(xcb_get_keyboard_mapping_reply(c, mapCookie, nullptr),
                                                      &std::free);
    const Reply<xcb_query_keymap_reply_t> keys(xcb_query_keymap_reply(c, keysCookie, nullptr), &std::free);
    if (!map || !keys)
        return std::nullopt;
    const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(map.get());
    const int perKey = map->keysyms_per_keycode;
    if (xcb_get_keyboard_mapping_keysyms_length(map.get()) < count * perKey)
        return std::nullopt;
    for (int k = 0; k < count; ++k) {
        const int code = first + k;
        if ((keys->keys[code / 8] & (1 << (code % 8))) == 0)
            continue;
        for (int s = 0; s < perKey; ++s)
            if (syms[k * perKey + s] == KeysymShiftL)
                return true;
    }
    return false;
}

void SetXWindowName(QWindow* window, const QString& title)
{
    xcb_connection_t* c = XConnection();
    if (c == nullptr || window == nullptr || window->handle() == nullptr)
        return;
    const auto id = static_cast<xcb_window_t>(window->winId());
    const QByteArray utf8 = title.toUtf8();
    const QByteArray latin1 = title.toLatin1();
    // Atoms live as long as the server; asked for once, not on every tooltip shown.
    static const xcb_atom_t netWmName = XAtom(c, "_NET_WM_NAME");
    static const xcb_atom_t utf8String = XAtom(c, "UTF8_STRING");
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, id, netWmName, utf8String, 8, static_cast<uint32_t>(utf8.size()),
                        utf8.constData());
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, id, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8,
                        static_cast<uint32_t>(latin1.size()), latin1.constData());
    xcb_flush(c);
}

} // namespace qtx
