#pragma once

#include <QDialog>

// TForm14, the COM port chooser.
class TForm14 : public QDialog {
public:
    explicit TForm14(QWidget* parent = nullptr);
};
