#include "link/port_chooser_window.h"

TForm14::TForm14(QWidget* parent) : QDialog(parent) {}
