#pragma once

#include <QDialog>

// TForm10, the new-PIN dialog.
class TForm10 : public QDialog {
public:
    explicit TForm10(QWidget* parent = nullptr);
};
