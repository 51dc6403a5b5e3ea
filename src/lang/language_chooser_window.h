#pragma once

#include <QDialog>

class QComboBox;
class QLabel;
class QPushButton;

// TForm8, the language chooser: "english" or "polski", their positions being the table's columns.
class TForm8 : public QDialog {
public:
    explicit TForm8(QWidget* parent = nullptr);

    // Shows the languages with the current one chosen, in the given caption and close texts,
    // until closed; returns the chosen language's index.
    int Choose(int current, const QString& languageText, const QString& closeText);

    QLabel* Label1 = nullptr;       // "Language" caption
    QComboBox* ComboBox1 = nullptr; // the interface languages
    QPushButton* Button1 = nullptr; // close
};

using LanguageChooserWindow = TForm8; // the name new code may use
