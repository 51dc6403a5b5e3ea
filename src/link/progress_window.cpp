#include "link/progress_window.h"

TForm13::TForm13(QWidget* parent) : QDialog(parent) {}
