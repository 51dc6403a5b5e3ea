// TForm1's side of the device link: the RS-232 entry points and the link timers.

#include "app/main_window.h"

#include "app/dialogs.h"
#include "link/link_controller.h"

void TForm1::CreateLink()
{
    Link = std::make_unique<qtx::LinkController>();
}

void TForm1::ConnectRs232()
{
    qtx::Dialogs().ShowMessage(QStringLiteral("RS-232 download is not available yet."));
}

void TForm1::OpenRawConsole()
{
    qtx::Dialogs().ShowMessage(QStringLiteral("The raw serial console is not available yet."));
}

void TForm1::StartDownloadTasks()
{
    TaskGroup = 1;
    TaskStep = 1;
}

void TForm1::Timer1Timer() {}

void TForm1::TimerLaunchEventsTimer() {}

void TForm1::ShowProgressMessage(const QString&) {}
