#pragma once
// The application object and the application-wide error box that every handler reports through.

#include <QAbstractButton>
#include <QApplication>
#include <functional>

namespace qtx {

// Runs a handler; an error escaping it is shown in the application-wide error box
// and the program goes on in the state the handler reached.
void RunGuarded(const std::function<void()>& handler);

// Connects a signal to a handler of a window through RunGuarded, so no error crosses Qt's code.
template <class Sender, class Signal, class Receiver, class Handler>
void ConnectGuarded(Sender* sender, Signal signal, Receiver* receiver, Handler handler)
{
    QObject::connect(sender, signal, receiver, [receiver, handler](auto&&...) {
        RunGuarded([receiver, handler] { std::invoke(handler, receiver); });
    });
}

// A button click to a window's handler.
template <class Receiver, class Handler>
void OnClick(QAbstractButton* button, Receiver* receiver, Handler handler)
{
    ConnectGuarded(button, &QAbstractButton::clicked, receiver, handler);
}

// Qt's own texts (standard buttons, file dialogs) in Polish when polish is set, in English otherwise.
// True when the Polish translation was found (Debian package qt6-translations-l10n).
bool UseQtTranslations(bool polish);

// The application: named "QTX"; errors that still escape an event reach the error box here.
class QtxApplication : public QApplication {
public:
    QtxApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

} // namespace qtx
