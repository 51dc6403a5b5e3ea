#include "archive/day_list_window.h"

TForm7::TForm7(QWidget* parent) : QDialog(parent) {}
