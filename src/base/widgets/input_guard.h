#pragma once
// Keeps a window from acting on input made while it was busy with a long task.

class QWidget;

namespace qtx {

// While a BusyInputGuard lives, its window works without turning the event loop, and the
// operator's clicks and keys wait in the display connection. When the guard ends, everything
// the operator did until that moment is thrown away instead of replayed onto a window that has
// changed under the pointer (a click on the file panel must not open a day of the calendar that
// replaced it). Input made after the guard ended is delivered as usual.
// On an X server the cut is exact: the server returns a marker behind the last input it queued.
// Elsewhere input is not held back.
class BusyInputGuard {
public:
    explicit BusyInputGuard(QWidget* window);
    ~BusyInputGuard();
    BusyInputGuard(const BusyInputGuard&) = delete;
    BusyInputGuard& operator=(const BusyInputGuard&) = delete;

private:
    QWidget* window_;
};

} // namespace qtx
