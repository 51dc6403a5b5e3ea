#include "link/progress_window.h"

#include "base/widgets/application.h"
#include "base/widgets/fonts.h"
#include "link/link_controller.h"
#include "link/log_list.h"

#include <QCloseEvent>
#include <QLabel>
#include <QProgressBar>
#include <QTime>

namespace {

constexpr int MessageLines = 1000;

QProgressBar* MakeBar(QWidget* parent, int top)
{
    auto* bar = new QProgressBar(parent);
    bar->setRange(0, 100);
    bar->setValue(0);
    bar->setTextVisible(false);
    bar->setGeometry(12, top, 456, 18);
    return bar;
}

} // namespace

TForm13::TForm13(const std::unique_ptr<qtx::LinkController>& link, QWidget* parent) : QDialog(parent), link_(link)
{
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint
                   | Qt::WindowStaysOnTopHint | Qt::MSWindowsFixedSizeDialogHint);
    setFont(qtx::FixedFont());
    setWindowTitle(QString());
    setFixedSize(480, 300);

    Label1 = new QLabel(QStringLiteral("-"), this);
    Label1->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Label1->setGeometry(12, 8, 456, 18);
    ProgressBar2 = MakeBar(this, 32);
    ProgressBar1 = MakeBar(this, 56);
    ListBox1 = new qtx::LogList(MessageLines, this);
    ListBox1->setGeometry(12, 84, 456, 204);
    // A port failure names the port, the reason and what to do: wrap it rather than hide its end.
    ListBox1->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    ListBox1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
}

void TForm13::AddMessage(const QString& text)
{
    ListBox1->AddLine(QTime::currentTime().toString(QStringLiteral("HH:mm:ss")) + QLatin1Char(' ') + text);
}

void TForm13::ClearMessages()
{
    ListBox1->Clear();
}

void TForm13::SetCounter(const QString& text)
{
    Label1->setText(text);
    Label1->repaint();
}

// A bar repaints itself at once when its value moves it visibly; a second repaint would only
// delay the link's answer to the frame that moved it.
void TForm13::SetFileProgress(int percent)
{
    ProgressBar2->setValue(percent);
}

void TForm13::SetOverallProgress(int percent)
{
    ProgressBar1->setValue(percent);
}

void TForm13::FormCloseQuery()
{
    if (link_)
        link_->Tasks().Cancel();
    AddMessage(QStringLiteral("Anulowano."));
}

void TForm13::CloseAtEnd()
{
    hide();
}

void TForm13::closeEvent(QCloseEvent* event)
{
    qtx::RunGuarded([this] { FormCloseQuery(); });
    event->accept();
}

void TForm13::reject()
{
    close();
}
