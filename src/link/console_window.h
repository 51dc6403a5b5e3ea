#pragma once

#include <QDialog>

// TForm12, the raw serial console "Raw RS".
class TForm12 : public QDialog {
public:
    explicit TForm12(QWidget* parent = nullptr);
};
