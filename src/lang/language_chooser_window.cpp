#include "lang/language_chooser_window.h"

#include "base/widgets/fonts.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>

TForm8::TForm8(QWidget* parent) : QDialog(parent)
{
    setFont(qtx::FixedFont());
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

    Label1 = new QLabel(this);
    Label1->setGeometry(12, 12, 236, 18);
    ComboBox1 = new QComboBox(this);
    ComboBox1->setEditable(false);
    ComboBox1->addItems({QStringLiteral("english"), QStringLiteral("polski")});
    ComboBox1->setGeometry(12, 34, 236, 26);
    Button1 = new QPushButton(this);
    Button1->setGeometry(148, 72, 100, 28);
    connect(Button1, &QPushButton::clicked, this, &QDialog::accept);
    setFixedSize(260, 112);
}

int TForm8::Choose(int current, const QString& languageText, const QString& closeText)
{
    Label1->setText(languageText);
    Button1->setText(closeText);
    ComboBox1->setCurrentIndex(current);
    exec();
    return ComboBox1->currentIndex();
}
