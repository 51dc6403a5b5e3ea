#pragma once

#include <QDialog>

class QComboBox;
class QLabel;

namespace qtx {
class LanguageTable;
}

// TForm5, the event archive: file panel, then the month calendar.
class TForm5 : public QDialog {
public:
    explicit TForm5(QWidget* parent = nullptr);

    void OpenFolder(const QString& folder);
    void SetPortNames(const QString& entrance, const QString& exit);
    void ApplyTexts(const qtx::LanguageTable& texts);

    QComboBox* ComboBox1 = nullptr;
    QLabel* Label9 = nullptr;
};
