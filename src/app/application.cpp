#include "app/application.h"

#include "app/dialogs.h"
#include "app/errors.h"

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
