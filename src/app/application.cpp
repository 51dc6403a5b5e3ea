#include "app/application.h"

#include "app/dialogs.h"
#include "app/errors.h"

namespace qtx {

void RunGuarded(const std::function<void()>& handler)
{
    try {
        handler();
    } catch (const Error& e) {
        Dialogs().ShowError(e.message());
    } catch (const std::exception& e) {
        Dialogs().ShowError(QString::fromLocal8Bit(e.what()));
    }
}

QtxApplication::QtxApplication(int& argc, char** argv) : QApplication(argc, argv)
{
    setApplicationName(QStringLiteral("QTX"));
    setApplicationDisplayName(QStringLiteral("QTX"));
}

bool QtxApplication::notify(QObject* receiver, QEvent* event)
{
    bool handled = false;
    RunGuarded([&] { handled = QApplication::notify(receiver, event); });
    return handled;
}

} // namespace qtx
