#include "link/console_window.h"

TForm12::TForm12(QWidget* parent) : QDialog(parent) {}
