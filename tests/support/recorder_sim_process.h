#pragma once
// qtx-recorder-sim started as a process serving a card folder on a pseudo-terminal; the port it
// prints (QTX_COMn=/dev/pts/N) is put into this process's environment, so a qtxctl started from
// here reaches it by its COM name.

#include <QElapsedTimer>
#include <QProcess>
#include <QString>
#include <QStringList>

namespace qtx::test {

class RecorderSimProcess {
public:
    RecorderSimProcess(const QString& program, const QString& card, int com, const QStringList& extra = {})
    {
        process_.start(program, QStringList{"--card", card, "--com", QString::number(com), "-v"} + extra);
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < 10000 && port_.isEmpty() && process_.state() != QProcess::NotRunning) {
            process_.waitForReadyRead(100);
            while (process_.canReadLine()) {
                const QByteArray line = process_.readLine().trimmed();
                if (line.startsWith("QTX_COM")) {
                    const qsizetype eq = line.indexOf('=');
                    qputenv(line.left(eq).constData(), line.mid(eq + 1));
                    port_ = QString::fromLatin1(line.left(eq).mid(4));
                }
            }
        }
    }
    ~RecorderSimProcess()
    {
        if (process_.state() == QProcess::NotRunning)
            return;
        process_.terminate();
        if (!process_.waitForFinished(3000))
            process_.kill();
        process_.waitForFinished();
    }
    RecorderSimProcess(const RecorderSimProcess&) = delete;
    RecorderSimProcess& operator=(const RecorderSimProcess&) = delete;

    // "COMn", empty when the simulator did not start.
    const QString& Port() const { return port_; }
    // The recorder's log since the last call.
    QByteArray TakeLog() { return process_.readAllStandardError(); }
    // The recorder's log since the last call, read until it holds marker count times (or 10 s).
    QByteArray TakeLogUntil(const QByteArray& marker, qsizetype count)
    {
        QByteArray log;
        QElapsedTimer clock;
        clock.start();
        process_.setReadChannel(QProcess::StandardError);
        while (log.count(marker) < count && clock.elapsed() < 10000) {
            process_.waitForReadyRead(50);
            log += process_.readAllStandardError();
        }
        process_.setReadChannel(QProcess::StandardOutput);
        return log;
    }
    // Pulls the cable: the simulator dies at once, without closing anything in order.
    void Kill()
    {
        process_.kill();
        process_.waitForFinished();
    }

private:
    QProcess process_;
    QString port_;
};

} // namespace qtx::test
