#include "archive/archive_window.h"

#include <QComboBox>
#include <QLabel>

TForm5::TForm5(QWidget* parent) : QDialog(parent)
{
    ComboBox1 = new QComboBox(this);
    Label9 = new QLabel(this);
}

void TForm5::OpenFolder(const QString&) {}

void TForm5::SetPortNames(const QString&, const QString&) {}

void TForm5::ApplyTexts(const qtx::LanguageTable&) {}
