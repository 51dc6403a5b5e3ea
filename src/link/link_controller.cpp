#include "link/link_controller.h"

#include <QEventLoop>
#include <QTimer>

namespace qtx {

LinkController::LinkController(LinkView& view) : view_(view), tasks_(*this, view)
{
}

LinkController::LinkController(std::unique_ptr<LinkView> view)
    : ownedView_(std::move(view)),
      view_(*ownedView_),
      tasks_(*this, *ownedView_)
{
}

LinkController::~LinkController() = default;

bool LinkController::OpenLink(const QString& name, int choice)
{
    return qtx::OpenLink(port_, name, choice);
}

bool LinkController::CloseLink()
{
    return qtx::CloseLink(port_);
}

void LinkController::LogLine(const QString& text)
{
    view_.LogLine(text);
}

void LinkController::FileListLine(const QByteArray& line)
{
    view_.AddFileListLine(line);
}

void LinkController::ReplyEnded()
{
    view_.ReplyEnded();
    tasks_.ReplyEnded();
}

void LinkController::FileProgress(int percent)
{
    view_.SetFileProgress(percent);
}

void LinkController::DownloadEnded(const DownloadOutcome& outcome)
{
    view_.DownloadEnded(outcome);
    tasks_.FileEnded(outcome);
}

void LinkController::DownloadAborted()
{
    view_.DownloadAborted();
    tasks_.DownloadAborted();
}

void LinkController::UploadFinished()
{
    view_.UploadFinished();
}

void LinkController::ShowErrorCount(const QString& text)
{
    view_.ShowErrorCount(text);
}

void LinkController::ShowRetransmission(const QString& text)
{
    view_.ShowRetransmission(text);
}

void LinkController::ShowUploadFile(const QString& name)
{
    view_.ShowUploadFile(name);
}

void LinkController::RunTimersUntil(const std::function<bool()>& done, const std::function<void()>& check,
                                    bool sequencer)
{
    QEventLoop loop;
    QTimer tick;
    QTimer events;
    for (QTimer* timer : {&tick, &events}) {
        timer->setTimerType(Qt::PreciseTimer);
        timer->setSingleShot(true);
    }
    tick.setInterval(2);
    events.setInterval(100);
    QObject::connect(&tick, &QTimer::timeout, &loop, [&] {
        engine_.LinkTick();
        done() ? loop.quit() : tick.start();
    });
    QObject::connect(&events, &QTimer::timeout, &loop, [&] {
        if (sequencer)
            tasks_.TimerLaunchEvents();
        check();
        done() ? loop.quit() : events.start();
    });
    tick.start();
    events.start();
    loop.exec();
}

} // namespace qtx
