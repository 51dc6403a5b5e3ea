#pragma once
// Runs the qtxctl built beside the tests (QTXCTL_PATH, set by the test's CMake target) as the
// operator runs it, and keeps what it printed.

#include <QByteArray>
#include <QElapsedTimer>
#include <QProcess>
#include <QStringList>
#include <QTest>

namespace qtx::test {

struct QtxctlRun {
    int status = -1; // -1: crashed, or still running at the time limit (then killed)
    QByteArray out;
    QByteArray err;
};

// The event loop keeps turning while it waits, so a recorder in the test can answer.
inline QtxctlRun RunQtxctl(const QStringList& arguments, int timeoutMs = 60000)
{
    QProcess process;
    process.start(QStringLiteral(QTXCTL_PATH), arguments);
    if (!process.waitForStarted())
        qFatal("qtxctl did not start");
    QElapsedTimer clock;
    clock.start();
    while (process.state() != QProcess::NotRunning && clock.elapsed() < timeoutMs)
        QTest::qWait(5);
    if (process.state() != QProcess::NotRunning) {
        process.kill();
        process.waitForFinished();
        return {};
    }
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1, process.readAllStandardOutput(),
            process.readAllStandardError()};
}

} // namespace qtx::test
