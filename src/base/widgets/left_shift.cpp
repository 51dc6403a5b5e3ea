#include "base/widgets/left_shift.h"

#include "base/widgets/x_server.h"

#include <QEvent>
#include <QKeyEvent>
#include <QObject>

namespace qtx {

namespace {

constexpr quint32 KeysymShiftL = 0xFFE1;
bool leftShiftHeld = false;

class LeftShiftFilter final : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) {
            auto* key = static_cast<QKeyEvent*>(event);
            if (key->key() == Qt::Key_Shift && key->nativeVirtualKey() == KeysymShiftL)
                leftShiftHeld = event->type() == QEvent::KeyPress;
        } else if (event->type() == QEvent::ApplicationDeactivate) {
            leftShiftHeld = false; // the release may happen in another program
        }
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

void InstallLeftShiftTracker(QObject* application)
{
    application->installEventFilter(new LeftShiftFilter(application));
}

bool LeftShiftHeld()
{
    // The server knows the key even when it went down before any window of ours had the focus.
    if (const std::optional<bool> down = XLeftShiftDown())
        return *down;
    return leftShiftHeld;
}

void SetLeftShiftHeld(bool held)
{
    leftShiftHeld = held;
}

} // namespace qtx
