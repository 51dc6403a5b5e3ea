#include "workspace/user_list_conflict_window.h"

TForm9::TForm9(QWidget* parent) : QDialog(parent)
{
}
