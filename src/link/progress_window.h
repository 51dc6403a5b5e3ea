#pragma once

#include <QDialog>

// TForm13, the progress window of the automatic download.
class TForm13 : public QDialog {
public:
    explicit TForm13(QWidget* parent = nullptr);
};
