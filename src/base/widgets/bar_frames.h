#pragma once
// BarFrames, progress bars that follow every step but are painted at most once a frame: a bar
// paints itself at once on every visible step, each paint a round trip to the display server,
// and a long load or filter takes thousands of steps.

#include <QElapsedTimer>
#include <QList>
#include <QProgressBar>

namespace qtx {

class BarFrames {
public:
    static constexpr int FrameMs = 33; // about 30 paints a second

    void SetBars(const QList<QProgressBar*>& bars) { bars_ = bars; }

    // Gives one of the bars its value; the bars are painted when a frame has passed.
    void Move(QProgressBar* bar, int value)
    {
        bar->setUpdatesEnabled(false);
        bar->setValue(value);
        bar->setUpdatesEnabled(true);
        if (!painted_.isValid() || painted_.elapsed() >= FrameMs)
            Paint();
    }

    // Paints the bars now (the last step) and starts the next frame.
    void Paint()
    {
        for (QProgressBar* bar : bars_)
            bar->repaint();
        painted_.start();
    }

    // The next step paints at once (a new load or filter).
    void Restart() { painted_.invalidate(); }

private:
    QList<QProgressBar*> bars_;
    QElapsedTimer painted_;
};

} // namespace qtx
