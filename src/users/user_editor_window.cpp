#include "users/user_editor_window.h"

TForm4::TForm4(QWidget* parent) : QDialog(parent) {}
