#include "base/widgets/input_guard.h"

#include "base/widgets/x_server.h"

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <xcb/xcb.h>

namespace qtx {

namespace {

// XInput 2 event types that are the operator's input: keys, buttons, motion and touches.
constexpr uint16_t XiKeyPress = 2;
constexpr uint16_t XiMotion = 6;
constexpr uint16_t XiTouchBegin = 18;
constexpr uint16_t XiTouchEnd = 20;

// A marker that never comes back (its window destroyed) must not keep the program deaf.
constexpr int MarkerPatienceMs = 5000;

// Drops the X server's input events from the start of a busy spell until the marker sent at its
// end comes back; events are filtered in the order the server sent them, before Qt sees them.
class InputDropper final : public QAbstractNativeEventFilter {
public:
    explicit InputDropper(xcb_connection_t* c) : connection_(c)
    {
        patience_.setSingleShot(true);
        patience_.setInterval(MarkerPatienceMs);
        QObject::connect(&patience_, &QTimer::timeout, qApp, [this] { Returned(sent_); });
        static const char markerName[] = "_QTX_INPUT_MARKER";
        std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> atom(
            xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, sizeof markerName - 1, markerName), nullptr), &std::free);
        marker_ = atom ? atom->atom : xcb_atom_t(XCB_ATOM_NONE);
        static const char xi[] = "XInputExtension";
        std::unique_ptr<xcb_query_extension_reply_t, decltype(&std::free)> extension(
            xcb_query_extension_reply(c, xcb_query_extension(c, sizeof xi - 1, xi), nullptr), &std::free);
        xiOpcode_ = extension && extension->present ? extension->major_opcode : 0;
    }

    void Begin() { ++busy_; }

    void End(QWindow* window)
    {
        --busy_;
        if (window == nullptr || marker_ == XCB_ATOM_NONE)
            return;
        const uint32_t serial = ++sent_;
        xcb_client_message_event_t message;
        std::memset(&message, 0, sizeof message);
        message.response_type = XCB_CLIENT_MESSAGE;
        message.format = 32;
        message.window = static_cast<xcb_window_t>(window->winId());
        message.type = marker_;
        message.data.data32[0] = serial;
        // With no event mask the server sends the message to the window's own client, behind
        // every event it has already queued for it.
        xcb_send_event(connection_, 0, message.window, XCB_EVENT_MASK_NO_EVENT,
                       reinterpret_cast<const char*>(&message));
        xcb_flush(connection_);
        patience_.start();
    }

    bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override
    {
        if (type != "xcb_generic_event_t")
            return false;
        const auto* event = static_cast<const xcb_generic_event_t*>(message);
        const uint8_t kind = event->response_type & 0x7f;
        if (kind == XCB_CLIENT_MESSAGE) {
            const auto* client = static_cast<const xcb_client_message_event_t*>(message);
            if (client->type != marker_ || marker_ == XCB_ATOM_NONE)
                return false;
            Returned(client->data.data32[0]);
            return true;
        }
        return Dropping() && IsInput(event, kind);
    }

private:
    bool Dropping() const { return busy_ > 0 || returned_ != sent_; }

    void Returned(uint32_t serial)
    {
        // Serials grow by one per spell; a later one returning covers the earlier ones.
        if (static_cast<int32_t>(serial - returned_) > 0)
            returned_ = serial;
    }

    bool IsInput(const xcb_generic_event_t* event, uint8_t kind) const
    {
        if (kind >= XCB_KEY_PRESS && kind <= XCB_MOTION_NOTIFY)
            return true;
        if (kind != XCB_GE_GENERIC || xiOpcode_ == 0)
            return false;
        const auto* generic = reinterpret_cast<const xcb_ge_generic_event_t*>(event);
        if (generic->extension != xiOpcode_)
            return false;
        return (generic->event_type >= XiKeyPress && generic->event_type <= XiMotion)
               || (generic->event_type >= XiTouchBegin && generic->event_type <= XiTouchEnd);
    }

    xcb_connection_t* connection_;
    xcb_atom_t marker_ = XCB_ATOM_NONE;
    uint8_t xiOpcode_ = 0;
    int busy_ = 0;
    uint32_t sent_ = 0;
    uint32_t returned_ = 0;
    QTimer patience_; // gives up on the newest marker, and so on every earlier one
};

InputDropper* Dropper()
{
    static InputDropper* dropper = []() -> InputDropper* {
        xcb_connection_t* c = XConnection();
        if (c == nullptr)
            return nullptr;
        auto* d = new InputDropper(c);
        QCoreApplication::instance()->installNativeEventFilter(d);
        return d;
    }();
    return dropper;
}

} // namespace

BusyInputGuard::BusyInputGuard(QWidget* window) : window_(window)
{
    if (InputDropper* d = Dropper())
        d->Begin();
}

BusyInputGuard::~BusyInputGuard()
{
    if (InputDropper* d = Dropper())
        d->End(window_ != nullptr ? window_->window()->windowHandle() : nullptr);
}

} // namespace qtx
