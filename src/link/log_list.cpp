#include "link/log_list.h"

#include <QScrollBar>
#include <QTextBlock>

namespace qtx {

namespace {
constexpr int FrameMs = 16;
} // namespace

LogList::LogList(int maxLines, QWidget* parent) : QPlainTextEdit(parent), maxLines_(maxLines)
{
    setReadOnly(true);
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setUndoRedoEnabled(false);
    setTextInteractionFlags(Qt::TextSelectableByMouse);
    setMaximumBlockCount(maxLines);
    frame_.setSingleShot(true);
    frame_.setInterval(FrameMs);
    connect(&frame_, &QTimer::timeout, this, [this] { Flush(); });
}

void LogList::AddLine(const QString& line)
{
    // Lines that would fall off before they are shown are dropped here already.
    if (pending_.size() >= maxLines_)
        pending_.removeFirst();
    pending_.append(line);
    if (isVisible() && !frame_.isActive())
        frame_.start();
}

void LogList::showEvent(QShowEvent* event)
{
    QPlainTextEdit::showEvent(event);
    // What came in while hidden is laid out in the first frame on screen.
    if (!pending_.isEmpty())
        frame_.start();
}

void LogList::Flush()
{
    frame_.stop();
    if (pending_.isEmpty())
        return;
    // A hidden log may have gathered a whole log's worth: it replaces what is shown at once.
    if (pending_.size() >= maxLines_)
        setPlainText(pending_.join(QLatin1Char('\n')));
    else
        appendPlainText(pending_.join(QLatin1Char('\n')));
    pending_.clear();
    QScrollBar* bar = verticalScrollBar();
    bar->setValue(bar->maximum());
}

void LogList::Clear()
{
    pending_.clear();
    frame_.stop();
    clear();
}

int LogList::LineCount()
{
    Flush();
    return document()->isEmpty() ? 0 : document()->blockCount();
}

QString LogList::Line(int index)
{
    Flush();
    return document()->findBlockByNumber(index).text();
}

QStringList LogList::Lines()
{
    QStringList lines;
    const int count = LineCount();
    for (QTextBlock block = document()->begin(); block.isValid() && lines.size() < count; block = block.next())
        lines.append(block.text());
    return lines;
}

} // namespace qtx
