#pragma once

#include <QDialog>
#include <functional>

class QLabel;
class QPushButton;

namespace qtx {
class LanguageTable;
}

// TForm11, the access-mode chooser: local folder, RS-232 download, or (left Shift held) the raw console.
class TForm11 : public QDialog {
public:
    enum Code { DoNothing = 0, ConnectRs232 = 1, LocalFolder = 3, RawConsole = 4 };

    // runAccessMode carries out the chosen mode (the main window's connect, folder choice or console).
    explicit TForm11(std::function<void(int)> runAccessMode, QWidget* parent = nullptr);

    void ApplyTexts(const qtx::LanguageTable& texts);
    void BitBtn3Click();
    void BitBtn1Click();
    void BitBtn4Click();

    int AccessMode = DoNothing;

    QLabel* Label1 = nullptr;       // "Choose access mode" caption
    QPushButton* BitBtn3 = nullptr; // connect over RS-232
    QPushButton* BitBtn1 = nullptr; // choose a local folder
    QPushButton* BitBtn4 = nullptr; // do nothing

private:
    void Choose(int code);

    std::function<void(int)> runAccessMode_;
};

using AccessModeWindow = TForm11; // the name new code may use
