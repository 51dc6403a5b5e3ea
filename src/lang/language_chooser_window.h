#pragma once

#include <QDialog>

class QComboBox;
class QLabel;
class QPushButton;

// TForm8, the language chooser: "english" or "polski", their positions being the table's columns.
class TForm8 : public QDialog {
public:
    explicit TForm8(QWidget* parent = nullptr);

    QLabel* Label1 = nullptr;       // "Language" caption
    QComboBox* ComboBox1 = nullptr; // the interface languages
    QPushButton* Button1 = nullptr; // close
};

using LanguageChooserWindow = TForm8; // the name new code may use
