#pragma once

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTimer;

namespace qtx {
class LanguageTable;
struct ConfigCommands;
} // namespace qtx

// TForm2, the configuration command editor: composes konfig.txt for the recorder.
class TForm2 : public QDialog {
public:
    // What the editor starts from: the names and exit mode of the workspace's report.
    struct Reported {
        QString deviceName;
        QString port1Name;
        QString port0Name;
        bool exitByButton = false;
    };

    explicit TForm2(QWidget* parent = nullptr);

    // Shows the editor filled from the report, until closed; true when it wrote the command file
    // at commandFilePath.
    bool Compose(const Reported& reported, const QString& commandFilePath);

    void ApplyTexts(const qtx::LanguageTable& texts);
    void RefreshFields();
    void Timer1Timer();
    void Button2Click();
    void Button1Click();

    QString ConfigFilePath;
    bool NotCreated = true;
    QString CharactersText = QStringLiteral("{THE DEVICE CANNOT STORE THESE CHARACTERS}");

    QCheckBox* CheckBox1 = nullptr;       // set the device name
    QCheckBox* CheckBox2 = nullptr;       // set the port 1 (exit) name
    QCheckBox* CheckBox3 = nullptr;       // set the port 0 (entrance) name
    QCheckBox* CheckBox4 = nullptr;       // set the date
    QCheckBox* CheckBox5 = nullptr;       // set the time
    QCheckBox* CheckBox6 = nullptr;       // date and time follow the clock
    QCheckBox* CheckBox7 = nullptr;       // set the exit mode
    QLineEdit* Edit1 = nullptr;           // year
    QLineEdit* Edit2 = nullptr;           // month
    QLineEdit* Edit3 = nullptr;           // day
    QLineEdit* Edit4 = nullptr;           // device name
    QLineEdit* Edit5 = nullptr;           // port 1 (exit) name
    QLineEdit* Edit6 = nullptr;           // port 0 (entrance) name
    QLineEdit* Edit7 = nullptr;           // hour
    QLineEdit* Edit8 = nullptr;           // minute
    QLineEdit* Edit9 = nullptr;           // second
    QLabel* Label1 = nullptr;             // "Year" caption
    QLabel* Label2 = nullptr;             // "Month" caption
    QLabel* Label3 = nullptr;             // "Day" caption
    QLabel* Label4 = nullptr;             // "Hour" caption
    QLabel* Label5 = nullptr;             // "Minute" caption
    QLabel* Label6 = nullptr;             // "Second" caption
    QRadioButton* RadioButton1 = nullptr; // exit by the card reader
    QRadioButton* RadioButton2 = nullptr; // exit by the button
    QPushButton* Button1 = nullptr;       // cancel
    QPushButton* Button2 = nullptr;       // write the command file
    QTimer* Timer1 = nullptr;             // keeps date and time following the clock

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    qtx::ConfigCommands Commands() const;
};

using ConfigEditorWindow = TForm2; // the name new code may use
