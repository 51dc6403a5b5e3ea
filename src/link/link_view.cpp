#include "link/link_view.h"

#include "base/log_categories.h"

namespace qtx {

LinkView::~LinkView() = default;
void LinkView::LogLine(const QString&)
{
}
void LinkView::AddFileListLine(const QByteArray&)
{
}
void LinkView::ClearFileList()
{
}
int LinkView::FileListCount() const
{
    return 0;
}
QByteArray LinkView::FileListLine(int) const
{
    return {};
}
void LinkView::ReplyEnded()
{
}
void LinkView::ProgressMessage(const QString&)
{
}
void LinkView::SetCounter(const QString&)
{
}
void LinkView::SetFileProgress(int)
{
}
void LinkView::SetOverallProgress(int)
{
}
void LinkView::CloseProgress()
{
}
void LinkView::ListNotAnswered()
{
}
void LinkView::NotARecorder()
{
}
QString LinkView::ChosenPortName() const
{
    return {};
}
void LinkView::PortOpenFailed(const QString&, const TCOMSocket&)
{
}
void LinkView::Trace(const QString& text)
{
    qCDebug(LinkLog).noquote() << text;
}
void LinkView::ShowErrorCount(const QString&)
{
}
void LinkView::ShowRetransmission(const QString&)
{
}
void LinkView::ShowUploadFile(const QString&)
{
}
void LinkView::DownloadsFinished(const QString&)
{
}
void LinkView::DownloadsIncomplete(const QString&, const QList<DownloadOutcome>&)
{
}
void LinkView::DownloadEnded(const DownloadOutcome&)
{
}
void LinkView::DownloadAborted()
{
}
void LinkView::UploadFinished()
{
}

} // namespace qtx
