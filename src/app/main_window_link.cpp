// TForm1's side of the device link: the RS-232 entry points, the link timers, and the windows
// the link and its task sequencer report to.

#include "app/main_window.h"

#include "app/forms.h"
#include "base/dialogs.h"
#include "base/paths.h"
#include "base/widgets/application.h"
#include "link/console_window.h"
#include "link/link_controller.h"
#include "link/port_chooser_window.h"
#include "link/progress_window.h"
#include "link/transfer_texts.h"

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QListWidget>

namespace {

// The link's view: the raw console, the progress window, the COM port chooser and the main window.
class WindowLinkView final : public qtx::LinkView {
public:
    void LogLine(const QString& text) override
    {
        if (Form12)
            Form12->LogLine(text);
    }
    void AddFileListLine(const QByteArray& line) override
    {
        if (Form12)
            Form12->AddFileLine(line);
    }
    void ClearFileList() override
    {
        if (Form12)
            Form12->ClearFileLines();
    }
    int FileListCount() const override { return Form12 ? Form12->FileLineCount() : 0; }
    QByteArray FileListLine(int index) const override { return Form12 ? Form12->FileLine(index) : QByteArray(); }

    void ProgressMessage(const QString& text) override { Form1->ShowProgressMessage(text); }
    void SetCounter(const QString& text) override
    {
        if (Form13)
            Form13->SetCounter(text);
    }
    void SetFileProgress(int percent) override
    {
        if (Form13)
            Form13->SetFileProgress(percent);
    }
    void SetOverallProgress(int percent) override
    {
        if (Form13)
            Form13->SetOverallProgress(percent);
    }
    void CloseProgress() override
    {
        if (Form13)
            Form13->CloseAtEnd();
    }

    void ListNotAnswered() override
    {
        Form1->ShowProgressMessage(Form1->GetSentence(QStringLiteral("THE DEVICE DOES NOT ANSWER")) + QLatin1Char('.'));
    }

    void NotARecorder() override
    {
        Form1->ShowProgressMessage(
            Form1->GetSentence(QStringLiteral("THIS DEVICE IS NOT A %1 RECORDER")).arg(QStringLiteral("QTX"))
            + QLatin1Char('.'));
    }

    QString ChosenPortName() const override { return Form14 ? Form14->ChosenPortName() : QString(); }
    void PortOpenFailed(const QString& name, const qtx::TCOMSocket& port) override
    {
        const QString reason = qtx::PortFailureText(name, port, Form1->Language);
        if (!reason.isEmpty())
            Form1->ShowProgressMessage(reason);
    }
    void Trace(const QString& text) override { Form1->Trace(1, text, qtx::LinkLog()); }
    void ShowErrorCount(const QString& text) override { Form1->Label8->setText(text); }
    void ShowRetransmission(const QString& text) override { Form1->setWindowTitle(text); }
    void ShowUploadFile(const QString& name) override { Form1->Label3->setText(name); }

    void DownloadEnded(const qtx::DownloadOutcome& outcome) override
    {
        if (outcome.stored)
            return;
        const QString text = qtx::NotStoredText(outcome, Form1->Language);
        LogLine(text);
        if (Form1->Link->Tasks().TaskGroup() == 1)
            ProgressMessage(text);
    }

    void DownloadsFinished(const QString& folder) override
    {
        Form1->DownloadPath = folder;
        // A run that stored nothing (an empty card, every file refused) still opens the folder.
        QDir().mkpath(folder);
        // Guarded here, so a workspace that fails to open never stops the sequencer's timer.
        qtx::RunGuarded([] { Form1->OpenWorkspace(false); });
    }

    void DownloadsIncomplete(const QString&, const QList<qtx::DownloadOutcome>& notStored) override
    {
        // One message at the end, not a line lost in the closed progress window; the folder is
        // not opened, so its older copies are not shown as just downloaded.
        constexpr int MaxListed = 15;
        QString text = Form1->GetSentence(QStringLiteral("THESE FILES WERE NOT STORED")) + QLatin1Char(':');
        for (int i = 0; i < notStored.size() && i < MaxListed; ++i)
            text += QLatin1Char('\n') + notStored[i].name + QStringLiteral(" (")
                    + qtx::WhyNotStored(notStored[i], Form1->Language) + QLatin1Char(')');
        if (notStored.size() > MaxListed)
            text += QStringLiteral("\n... (+%1)").arg(notStored.size() - MaxListed);
        text +=
            QStringLiteral("\n\n")
            + Form1->GetSentence(QStringLiteral("THE DOWNLOAD FOLDER WAS NOT OPENED: IT MAY HOLD OLDER COPIES OF THEM"))
            + QLatin1Char('.');
        qtx::RunGuarded([&text] { qtx::Dialogs().ShowMessage(text); });
    }
};

QList<qtx::SerialPortEntry> KnownPorts()
{
    return qtx::SerialPortEntries();
}

} // namespace

void TForm1::CreateLink()
{
    Link = std::make_unique<qtx::LinkController>(std::make_unique<WindowLinkView>());
    Link->Engine().SetDownloadFolder(qtx::DownloadDir());
}

void TForm1::ConnectRs232()
{
    Form14->FillPorts(KnownPorts());
    Form14->exec();
    // The task sequencer opens the chosen port in its first step.
    Link->CloseLink();
    Form13->ClearMessages();
    Form13->SetCounter(QStringLiteral("-"));
    Form13->show();
    Form13->raise();
    Form13->activateWindow();
    StartDownloadTasks();
}

void TForm1::OpenRawConsole()
{
    Form12->FillPorts(KnownPorts());
    Form12->exec();
}

void TForm1::StartDownloadTasks()
{
    Link->Engine().SetDownloadFolder(qtx::DownloadDir());
    Link->Tasks().Start();
}

void TForm1::Timer1Timer()
{
    // Guarded inside, so the timer is always started again after a run.
    qtx::RunGuarded([this] { Link->Engine().LinkTick(); });
}

void TForm1::TimerLaunchEventsTimer()
{
    qtx::RunGuarded([this] { Link->Tasks().TimerLaunchEvents(); });
}

void TForm1::ShowProgressMessage(const QString& text)
{
    if (Form13)
        Form13->AddMessage(text);
}
