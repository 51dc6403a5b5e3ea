// qtx-manager: the operator's program for the access-control event recorder.

#include "app/application.h"
#include "app/command_line.h"
#include "app/forms.h"
#include "app/left_shift.h"
#include "app/main_window.h"
#include "app/message_boxes.h"

#include <cstdio>
#include <cstdlib>

namespace {

bool HasDisplay()
{
    return qEnvironmentVariableIsSet("QT_QPA_PLATFORM") || qEnvironmentVariableIsSet("DISPLAY")
        || qEnvironmentVariableIsSet("WAYLAND_DISPLAY");
}

} // namespace

int main(int argc, char** argv)
{
    if (!HasDisplay()) {
        std::fprintf(stderr,
                     "qtx-manager needs a graphical display, and none is set (DISPLAY is empty).\n"
                     "Start it from a desktop session, or under a virtual display:\n"
                     "  xvfb-run -a ./qtx-manager\n"
                     "or headless without any window: QT_QPA_PLATFORM=offscreen ./qtx-manager\n");
        return EXIT_FAILURE;
    }
    qtx::QtxApplication app(argc, argv);
    qtx::WidgetDialogs dialogs;
    qtx::SetDialogs(&dialogs);
    qtx::InstallLeftShiftTracker(&app);

    QStringList arguments = app.arguments();
    arguments.removeFirst();
    if (!qtx::CreateForms(qtx::IsDebugArgument(arguments)))
        return EXIT_SUCCESS; // another copy runs and was brought to the front
    Form1->show();
    const int status = app.exec();
    qtx::DestroyForms();
    qtx::SetDialogs(nullptr);
    return status;
}
