#pragma once

#include <QDialog>

// TForm9, the user-list conflict dialog: created with the others, never opened.
class TForm9 : public QDialog {
public:
    explicit TForm9(QWidget* parent = nullptr);
};

using UserListConflictWindow = TForm9; // the name new code may use
