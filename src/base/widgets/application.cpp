#include "base/widgets/application.h"

#include "base/dialogs.h"
#include "base/errors.h"
#include "base/widgets/x_server.h"

#include <QEvent>
#include <QLabel>

#include <QLibraryInfo>
#include <QTranslator>

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

// Rules every window of the program keeps, whoever built it:
// - a label shows its text as it is: the texts come from files, the recorder and the file system,
//   and "<h1>" or "a<b" in a device name must not turn into markup;
// - on an X server an untitled window stays untitled (Qt would name it after the program).
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
            break;
        case QEvent::Show:
        case QEvent::WindowTitleChange:
            if (widget->isWindow() && widget->windowTitle().isEmpty())
                SetXWindowName(widget->windowHandle(), QString());
            break;
        default:
            break;
        }
        return false;
    }
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
