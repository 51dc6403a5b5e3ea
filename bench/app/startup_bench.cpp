// Start-up time: from the process start to the main window shown with its start sequence done.
// The parent starts itself as a child program N times (warm: the libraries are in the page cache
// after the first run) and prints each time and the median. Run it where lang.txt lies
// (build/bin) so the language file is read as in real use.
//   startup_bench [RUNS]

#include "app/forms.h"
#include "app/main_window.h"
#include "base/widgets/application.h"
#include "base/widgets/message_boxes.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QProcess>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

namespace {

qint64 MonotonicNs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return qint64(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

int RunChild(int argc, char** argv, qint64 startNs)
{
    qtx::QtxApplication app(argc, argv);
    qtx::WidgetDialogs dialogs([] { return Form1; });
    qtx::SetDialogs(&dialogs);
    if (!qtx::CreateForms(false))
        return 1;
    Form1->show();
    auto* poll = new QTimer(&app);
    QObject::connect(poll, &QTimer::timeout, &app, [&] {
        // The start sequence has run once the summary shows its not-chosen text.
        if (Form1->isVisible() && !Form1->Label2->text().isEmpty()) {
            std::printf("%.2f\n", double(MonotonicNs() - startNs) / 1e6);
            app.quit();
        }
    });
    poll->start(0);
    app.exec();
    qtx::DestroyForms();
    qtx::SetDialogs(nullptr);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    const QByteArray start = qgetenv("QTX_BENCH_START_NS");
    if (!start.isEmpty())
        return RunChild(argc, argv, start.toLongLong());

    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 15;
    std::vector<double> times;
    for (int i = 0; i < runs + 1; ++i) {
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QTX_INSTANCE_NAME", QStringLiteral("qtx-startup-bench-%1").arg(i));
        if (!env.contains("DISPLAY") && !env.contains("QT_QPA_PLATFORM"))
            env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("QTX_BENCH_START_NS", QString::number(MonotonicNs()));
        child.setProcessEnvironment(env);
        child.start(QString::fromLocal8Bit(argv[0]), {});
        child.waitForFinished(30000);
        const double ms = child.readAllStandardOutput().trimmed().toDouble();
        if (i == 0)
            continue; // the first run warms the page cache
        times.push_back(ms);
        std::printf("run %2d: %7.2f ms\n", i, ms);
    }
    std::sort(times.begin(), times.end());
    std::printf("start-up to main window shown (warm), %d runs: median %.2f ms, min %.2f ms, max %.2f ms\n", runs,
                times[times.size() / 2], times.front(), times.back());
    return 0;
}
