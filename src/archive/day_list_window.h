#pragma once

#include <QDialog>

// TForm7, the list of one day's events.
class TForm7 : public QDialog {
public:
    explicit TForm7(QWidget* parent = nullptr);
};
