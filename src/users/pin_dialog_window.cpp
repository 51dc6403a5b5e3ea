#include "users/pin_dialog_window.h"

TForm10::TForm10(QWidget* parent) : QDialog(parent) {}
