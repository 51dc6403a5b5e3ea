#include "base/widgets/application.h"

#include "base/dialogs.h"
#include "base/errors.h"
#include "base/widgets/x_server.h"

#include <QEvent>
#include <QHash>
#include <QKeyEvent>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>

#include <QLibraryInfo>
#include <QTranslator>
#include <algorithm>

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

namespace {

// Of the radio buttons of one window part only the checked one is a Tab stop (the arrow keys move
// within them); a part with none checked keeps them all.
void UpdateRadioTabStops(QWidget* parent)
{
    QList<QRadioButton*> group;
    for (QRadioButton* radio : parent->findChildren<QRadioButton*>(Qt::FindDirectChildrenOnly))
        if (radio->autoExclusive())
            group.append(radio);
    const bool anyChecked =
        std::any_of(group.cbegin(), group.cend(), [](const QRadioButton* r) { return r->isChecked(); });
    for (QRadioButton* radio : group)
        radio->setFocusPolicy(!anyChecked || radio->isChecked() ? Qt::StrongFocus : Qt::ClickFocus);
}

void FollowRadioTabStops(QRadioButton* radio)
{
    static const char* const followed = "qtxRadioTabStop";
    if (!radio->parentWidget() || radio->property(followed).toBool())
        return;
    radio->setProperty(followed, true);
    QObject::connect(radio, &QAbstractButton::toggled, radio, [radio] { UpdateRadioTabStops(radio->parentWidget()); });
    UpdateRadioTabStops(radio->parentWidget());
}

// Enter or Return on a focused push button presses it, as Space does. The windows keep their
// buttons from being the dialog's default, so Enter typed into a field still presses none.
bool PressFocusedButton(QPushButton* button, const QKeyEvent* key)
{
    const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
    if (!enter || (key->modifiers() & ~Qt::KeypadModifier) != 0 || !button->hasFocus() || !button->isEnabled())
        return false;
    if (!key->isAutoRepeat())
        button->click();
    return true;
}

// Where the keyboard goes when a modal window closes: the modal window still open beneath it, else
// the window that was active when it opened, else its parent; the first of them on screen.
// Without this the X server leaves the focus nowhere (with no window manager, or when the window
// manager's own choice races the close), and Tab does nothing until a click.
class FocusReturn {
public:
    void Opened(QWidget* window)
    {
        QWidget* active = QApplication::activeWindow();
        if (active != nullptr && active != window)
            openers_.insert(window, active);
    }

    void Closed(QWidget* window)
    {
        const QPointer<QWidget> opener = openers_.take(window);
        QWidget* active = QApplication::activeWindow();
        if (active != nullptr && active != window && active->isVisible())
            return; // the keyboard already went somewhere that is on screen
        QWidget* modal = QApplication::activeModalWidget();
        QWidget* parent = window->parentWidget() != nullptr ? window->parentWidget()->window() : nullptr;
        for (QWidget* candidate : {modal, opener.data(), parent}) {
            if (candidate != nullptr && candidate != window && candidate->isVisible()) {
                candidate->activateWindow();
                return;
            }
        }
    }

private:
    QHash<QWidget*, QPointer<QWidget>> openers_;
};

// Rules every window of the program keeps, whoever built it:
// - a label shows its text as it is: the texts come from files, the recorder and the file system,
//   and "<h1>" or "a<b" in a device name must not turn into markup;
// - on an X server an untitled window stays untitled (Qt would name it after the program);
// - Enter presses the focused button, and a radio group is one Tab stop, its checked button.
class WindowRules final : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (!watched->isWidgetType())
            return false;
        auto* widget = static_cast<QWidget*>(watched);
        switch (event->type()) {
        case QEvent::Polish:
            if (auto* label = qobject_cast<QLabel*>(widget))
                label->setTextFormat(Qt::PlainText);
            else if (auto* radio = qobject_cast<QRadioButton*>(widget))
                FollowRadioTabStops(radio);
            break;
        case QEvent::KeyPress:
            if (auto* button = qobject_cast<QPushButton*>(widget))
                return PressFocusedButton(button, static_cast<QKeyEvent*>(event));
            break;
        case QEvent::Hide:
            if (widget->isWindow() && widget->isModal() && !event->spontaneous())
                focusReturn_.Closed(widget);
            break;
        case QEvent::Show:
            if (widget->isWindow() && widget->isModal() && !event->spontaneous())
                focusReturn_.Opened(widget);
            [[fallthrough]];
        case QEvent::WindowTitleChange:
            if (widget->isWindow() && widget->windowTitle().isEmpty())
                SetXWindowName(widget->windowHandle(), QString());
            break;
        default:
            break;
        }
        return false;
    }

private:
    FocusReturn focusReturn_;
};

} // namespace
bool UseQtTranslations(bool polish)
{
    static QTranslator* translator = nullptr;
    if (polish == (translator != nullptr))
        return true;
    if (translator) {
        QCoreApplication::removeTranslator(translator);
        delete translator;
        translator = nullptr;
    }
    if (!polish)
        return true;
    auto* loaded = new QTranslator;
    if (!loaded->load(QStringLiteral("qtbase_pl"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete loaded;
        return false;
    }
    translator = loaded;
    QCoreApplication::installTranslator(translator);
    return true;
}

QtxApplication::QtxApplication(int& argc, char** argv) : QApplication(argc, argv)
{
    // The program's name only: a display name would be appended to every window title.
    setApplicationName(QStringLiteral("QTX"));
    installEventFilter(new WindowRules(this));
}

bool QtxApplication::notify(QObject* receiver, QEvent* event)
{
    bool handled = false;
    RunGuarded([&] { handled = QApplication::notify(receiver, event); });
    return handled;
}

} // namespace qtx
