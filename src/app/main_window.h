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
    bool DebugMode = false;
    // The summary shown of the open workspace's report: the editor and the archive start from it
    // (its shown exit mode follows the language it was read in; exitByButton does not).
    qtx::WorkspaceSummary ShownSummary;
    QString DownloadPath;
    qtx::LanguageTable Language;
    // The card folder: whether one is open and where, and whether one was ever opened this run.
    qtx::Workspace Card{Language};
    std::unique_ptr<qtx::LinkController> Link;

    // Controls.
    QLabel* Image1 = nullptr;            // banner: the workspace's logo, else the built-in one
    QLabel* Label7 = nullptr;            // "MENU" heading
    QPushButton* Button5 = nullptr;      // choose the access mode (TForm11)
    QPushButton* Button1 = nullptr;      // change the device configuration (TForm2)
    QPushButton* Button4 = nullptr;      // archive (TForm5)
    QPushButton* Button3 = nullptr;      // user manager (TForm3)
    QPushButton* Button6 = nullptr;      // options: the interface language (TForm8)
    QPushButton* Button8 = nullptr;      // exit
    QPushButton* Button7 = nullptr;      // about
    QLabel* Label8 = nullptr;            // "SD card path" caption; an upload's error count
    QLabel* Label9 = nullptr;            // the workspace folder
    QLabel* Label1 = nullptr;            // "Device name" caption
    QLabel* Label2 = nullptr;            // device name
    QLabel* Label5 = nullptr;            // "Port 0 name (entrance)" caption
    QLabel* Label6 = nullptr;            // port 0 (entrance) name
    QLabel* Label3 = nullptr;            // "Port 1 name (exit)" caption; the file being uploaded
    QLabel* Label4 = nullptr;            // port 1 (exit) name
    QLabel* Label10 = nullptr;           // "Exit mode" caption
    QLabel* Label11 = nullptr;           // exit mode
    QLabel* Label12 = nullptr;           // "Firmware" caption
    QLabel* Label13 = nullptr;           // firmware version
    QLabel* Image2 = nullptr;            // the built-in banner (hidden)
    QTimer* TimerFirstStart = nullptr;   // first start, once the window shows
    QTimer* Timer1 = nullptr;            // link engine tick (2 ms)
    QTimer* TimerLaunchEvents = nullptr; // task sequencer tick (100 ms)

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

using MainWindow = TForm1; // the name new code may use
