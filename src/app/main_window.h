#pragma once
// TForm1, the main window: banner, six-button menu, device summary, and the owner of the
// workspace state, the language table, the serial port and the link timers.

#include "base/log_categories.h"
#include "lang/language_table.h"
#include "workspace/workspace.h"

#include <QString>
#include <QWidget>
#include <memory>

class QLabel;
class QLocalServer;
class QPushButton;
class QTimer;

namespace qtx {
class LinkController;
} // namespace qtx

class TForm1 : public QWidget {
public:
    static QString MainTitle();

    explicit TForm1(bool debugMode, QWidget* parent = nullptr);
    ~TForm1() override;

    // The single-instance guard; false when another copy runs (it was asked to come to the front).
    bool FormCreate();

    void FirstStart();
    void ShowLogo();
    void ApplyLanguage();
    // Type 1 is a debug trace, written to the category's debug output (off unless switched on);
    // any other type is shown to the operator.
    void Trace(int type, const QString& text, const QLoggingCategory& category = qtx::AppLog());
    QString GetText(const QString& key) const { return Language.GetText(key); }
    QString GetSentence(const QString& key) const { return Language.GetSentence(key); }
    int AskQuestion(const QString& title, const QString& text, const QString& firstText, int firstResult,
                    const QString& secondText, int secondResult, int defaultResult = 0);

    // Menu.
    void Button5Click();
    void Button1Click();
    void Button4Click();
    void Button3Click();
    void Button6Click();
    void Button8Click();

    void RunAccessMode(int code);
    void ReadConfigReport(const QString& path);
    void OpenWorkspace(bool ask);

    // Device link (main_window_link.cpp).
    void ConnectRs232();
    void OpenRawConsole();
    void StartDownloadTasks();
    void Timer1Timer();
    void TimerLaunchEventsTimer();
    void ShowProgressMessage(const QString& text);

    // State.
    bool FirstShown = false;
    bool CardLoaded = false;
    bool NoWorkspaceYet = true;
    bool DebugMode = false;
    QString CardPath;
    // The open workspace's exit mode as its report says it; the shown text follows the language
    // it was read in, so the editor's choice is preselected from this.
    bool ReportExitByButton = false;
    QString DownloadPath;
    qtx::LanguageTable Language;
    // The open card folder; CardLoaded, CardPath and NoWorkspaceYet follow it.
    qtx::Workspace Card{Language};
    std::unique_ptr<qtx::LinkController> Link;

    // Controls.
    QLabel* Image1 = nullptr;
    QLabel* Label7 = nullptr;
    QPushButton* Button5 = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* Button4 = nullptr;
    QPushButton* Button3 = nullptr;
    QPushButton* Button6 = nullptr;
    QPushButton* Button8 = nullptr;
    QPushButton* Button7 = nullptr;
    QLabel* Label8 = nullptr;
    QLabel* Label9 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label5 = nullptr;
    QLabel* Label6 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* Label10 = nullptr;
    QLabel* Label11 = nullptr;
    QLabel* Label12 = nullptr;
    QLabel* Label13 = nullptr;
    QLabel* Image2 = nullptr;
    QTimer* TimerFirstStart = nullptr;
    QTimer* Timer1 = nullptr;
    QTimer* TimerLaunchEvents = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void FormShow();
    void ShowNotChosen();
    void ShowConfigReport(const qtx::WorkspaceSummary& summary);
    void ShowNoWorkspace();
    bool RefuseWithoutWorkspace();
    void CreateLink();

    std::unique_ptr<QLocalServer> instanceServer_;
};
