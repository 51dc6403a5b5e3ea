#pragma once
// The main window's link: the one serial port, the link engine and the task sequencer, with the
// engine's events routed to the windows (LinkView) and to the sequencer.

#include "link/com_socket.h"
#include "link/link_engine.h"
#include "link/link_view.h"
#include "link/task_sequencer.h"

#include <functional>
#include <memory>

namespace qtx {

// LinkController, the link as one object: TForm1 owns one, qtxctl makes its own.
class LinkController final : private LinkEvents {
public:
    explicit LinkController(LinkView& view);
    explicit LinkController(std::unique_ptr<LinkView> view);
    ~LinkController() override;
    LinkController(const LinkController&) = delete;
    LinkController& operator=(const LinkController&) = delete;

    TCOMSocket& Port() { return port_; }
    LinkEngine& Engine() { return engine_; }
    TaskSequencer& Tasks() { return tasks_; }
    LinkView& View() { return view_; }

    // OpenLink and CloseLink on the one port.
    [[nodiscard]] bool OpenLink(const QString& name, int choice);
    bool CloseLink();

    // Runs the main window's two link timers without the window (qtxctl, benchmarks): the link
    // engine every 2 ms and, every 100 ms, the task sequencer when `sequencer` is set, then
    // check(); returns as soon as done() holds after either of them.
    void RunTimersUntil(const std::function<bool()>& done, const std::function<void()>& check, bool sequencer);

private:
    void LogLine(const QString& text) override;
    void FileListLine(const QByteArray& line) override;
    void ReplyEnded() override;
    void FileProgress(int percent) override;
    void DownloadEnded(const DownloadOutcome& outcome) override;
    void DownloadAborted() override;
    void UploadFinished() override;
    void ShowErrorCount(const QString& text) override;
    void ShowRetransmission(const QString& text) override;
    void ShowUploadFile(const QString& name) override;

    std::unique_ptr<LinkView> ownedView_;
    LinkView& view_;
    TCOMSocket port_;
    ComSocketTransport transport_{port_};
    LinkEngine engine_{transport_, *this};
    TaskSequencer tasks_;
};

} // namespace qtx
