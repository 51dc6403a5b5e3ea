#include "support/gui_helpers.h"

#include <QApplication>
#include <QFile>
#include <QQueue>
#include <QTimer>
#include <QWidget>

namespace qtx::test {

namespace {

QQueue<std::function<void(QWidget*)>> actions;
QWidget* lastHandled = nullptr;

void Poll()
{
    if (actions.isEmpty())
        return;
    QWidget* modal = QApplication::activeModalWidget();
    if (modal && modal->isVisible() && modal != lastHandled) {
        lastHandled = modal;
        auto action = actions.dequeue();
        action(modal);
        // The same window may open again later; forget it once it has closed.
        QTimer::singleShot(0, [] {
            if (!lastHandled || !lastHandled->isVisible())
                lastHandled = nullptr;
        });
    }
    if (!actions.isEmpty())
        QTimer::singleShot(5, Poll);
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

QByteArray ReadFileBytes(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

void WriteFileBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(bytes);
}

} // namespace qtx::test
