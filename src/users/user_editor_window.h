#pragma once

#include <QDialog>

// TForm4, the user editor.
class TForm4 : public QDialog {
public:
    explicit TForm4(QWidget* parent = nullptr);
};
