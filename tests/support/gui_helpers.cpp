#include "support/gui_helpers.h"

#include <QApplication>
#include <QEvent>
#include <QQueue>
#include <QTimer>
#include <QWidget>

namespace qtx::test {

namespace {

QQueue<std::function<void(QWidget*)>> actions;
QWidget* lastHandled = nullptr;

// Forgets the handled window once it hides, so the same window can be acted on when it opens again.
class HideWatcher final : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Hide && watched == lastHandled) {
            lastHandled = nullptr;
            watched->removeEventFilter(this);
            deleteLater();
        }
        return false;
    }
};

void Poll()
{
    if (actions.isEmpty())
        return;
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal || !modal->isVisible() || modal == lastHandled) {
        QTimer::singleShot(5, Poll);
        return;
    }
    lastHandled = modal;
    modal->installEventFilter(new HideWatcher(modal));
    auto action = actions.dequeue();
    // The action may open the next modal window itself, so keep polling from inside it.
    if (!actions.isEmpty())
        QTimer::singleShot(5, Poll);
    action(modal);
}

} // namespace

void OnNextModal(std::function<void(QWidget*)> action)
{
    const bool start = actions.isEmpty();
    actions.enqueue(std::move(action));
    if (start)
        QTimer::singleShot(5, Poll);
}

int PendingModalActions()
{
    return static_cast<int>(actions.size());
}

void ClearModalActions()
{
    actions.clear();
    lastHandled = nullptr;
}

namespace {

QRect InWindow(const QWidget* widget)
{
    return QRect(widget->mapTo(widget->window(), QPoint(0, 0)), widget->size());
}

} // namespace

QMargins GapsInside(const QWidget* widget, const QWidget* outer)
{
    const QRect inner = InWindow(widget);
    const QRect around = outer ? InWindow(outer) : widget->window()->rect();
    return QMargins(inner.left() - around.left(), inner.top() - around.top(), around.right() - inner.right(),
                    around.bottom() - inner.bottom());
}

int GapAcross(const QWidget* left, const QWidget* right)
{
    return InWindow(right).left() - InWindow(left).right() - 1;
}

int GapDown(const QWidget* upper, const QWidget* lower)
{
    return InWindow(lower).top() - InWindow(upper).bottom() - 1;
}

QString LayoutFault(const QList<const QWidget*>& widgets)
{
    for (qsizetype i = 0; i < widgets.size(); ++i) {
        const QMargins gaps = GapsInside(widgets[i]);
        if (gaps.left() < 0 || gaps.top() < 0 || gaps.right() < 0 || gaps.bottom() < 0)
            return QStringLiteral("widget %1 reaches out of its window").arg(i);
        for (qsizetype j = i + 1; j < widgets.size(); ++j)
            if (InWindow(widgets[i]).intersects(InWindow(widgets[j])))
                return QStringLiteral("widgets %1 and %2 overlap").arg(i).arg(j);
    }
    return {};
}

} // namespace qtx::test
