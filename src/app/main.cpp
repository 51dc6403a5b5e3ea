// qtx-manager: the operator's program for the access-control event recorder.

#include "app/forms.h"
#include "app/main_window.h"
#include "base/command_line.h"
#include "base/paths.h"
#include "base/widgets/application.h"
#include "base/widgets/left_shift.h"
#include "base/widgets/message_boxes.h"
#include "lang/language_table.h"

#include <QIcon>
#include <cstdio>
#include <cstdlib>

namespace {

bool HasDisplay()
{
    return qEnvironmentVariableIsSet("QT_QPA_PLATFORM") || qEnvironmentVariableIsSet("DISPLAY")
           || qEnvironmentVariableIsSet("WAYLAND_DISPLAY");
}

// Without lang.txt every text would show as its key in braces: say so first, in both languages,
// since there is no text to say it in.
void WarnWithoutLanguageFile()
{
    const QStringList folders = qtx::ProgramFileFolders();
    if (!qtx::FindLanguageFile(folders).isEmpty())
        return;
    qtx::Dialogs().ShowMessage(
        QStringLiteral("Nie znaleziono pliku z tekstami programu lang.txt (szukano w: %1). Zainstaluj program "
                       "ponownie albo umieść lang.txt obok programu; do tego czasu zamiast tekstów widać ich "
                       "nazwy w nawiasach klamrowych.\n\n"
                       "The program's text file lang.txt was not found (looked in: %1). Reinstall the program "
                       "or put lang.txt beside it; until then the windows show the names of their texts in "
                       "braces.")
            .arg(folders.join(QStringLiteral(", "))));
}

} // namespace

int main(int argc, char** argv)
{
    if (!HasDisplay()) {
        // The command as the operator typed it: /usr/bin/qtx-manager, qtx-manager or ./qtx-manager.
        const char* command = argc > 0 && argv[0][0] != '\0' ? argv[0] : "qtx-manager";
        std::fprintf(stderr,
                     "qtx-manager needs a graphical display, and none is set (DISPLAY is empty).\n"
                     "Start it from a desktop session, or under a virtual display:\n"
                     "  xvfb-run -a %s\n",
                     command);
        return EXIT_FAILURE;
    }
    qtx::QtxApplication app(argc, argv);
    app.setWindowIcon(QIcon(QStringLiteral(":/qtx-manager.svg")));
    // Lets the desktop match the windows to the installed entry and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("qtx-manager"));
    qtx::WidgetDialogs dialogs([] { return Form1; });
    qtx::SetDialogs(&dialogs);
    qtx::InstallLeftShiftTracker(&app);

    QStringList arguments = app.arguments();
    arguments.removeFirst();
    if (!qtx::CreateForms(qtx::IsDebugArgument(arguments)))
        return EXIT_SUCCESS; // another copy runs and was brought to the front
    WarnWithoutLanguageFile();
    Form1->show();
    const int status = app.exec();
    qtx::DestroyForms();
    qtx::SetDialogs(nullptr);
    return status;
}
