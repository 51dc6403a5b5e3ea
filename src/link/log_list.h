#pragma once

#include <QPlainTextEdit>
#include <QStringList>
#include <QTimer>

namespace qtx {

// LogList, a read-only list of text lines for the link's logs. A line costs the same however long
// the log is: lines are gathered and handed to the text layout, and the view scrolled to the
// bottom, at most once a frame, and only while the log is on screen (a hidden log only keeps its
// newest lines until it is shown); the oldest lines fall off past the line limit.
class LogList : public QPlainTextEdit {
public:
    LogList(int maxLines, QWidget* parent = nullptr);

    void AddLine(const QString& line);
    void Clear();
    // Readers see every line added so far, also those not yet laid out.
    int LineCount();
    QString Line(int index);
    QStringList Lines();
    int MaxLines() const { return maxLines_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void Flush();

    int maxLines_;
    QStringList pending_;
    QTimer frame_;
};

} // namespace qtx
