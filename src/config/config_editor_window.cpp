#include "config/config_editor_window.h"

#include "base/dialogs.h"
#include "base/paths.h"
#include "base/text_file.h"
#include "base/widgets/application.h"
#include "base/widgets/buttons.h"
#include "base/widgets/fonts.h"
#include "config/config_files.h"
#include "lang/language_table.h"

#include <QCheckBox>
#include <QDateTime>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

namespace {

constexpr int Left = 12;
constexpr int FieldLeft = 300;
constexpr int FieldWidth = 300;
constexpr int RowHeight = 34;
constexpr int SmallFieldWidth = 80;

} // namespace

TForm2::TForm2(QWidget* parent) : QDialog(parent)
{
    setFont(qtx::FixedFont(true));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);

    int top = 12;
    auto row = [&](QCheckBox*& box, QLineEdit*& edit) {
        box = new QCheckBox(this);
        box->setGeometry(Left, top, FieldLeft - Left - 8, 24);
        edit = new QLineEdit(this);
        edit->setGeometry(FieldLeft, top, FieldWidth, 24);
        top += RowHeight;
    };
    row(CheckBox1, Edit4);
    row(CheckBox3, Edit6);
    row(CheckBox2, Edit5);

    CheckBox7 = new QCheckBox(this);
    CheckBox7->setGeometry(Left, top + 6, FieldLeft - Left - 8, 24);
    auto* panel = new QFrame(this);
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel->setGeometry(FieldLeft, top, FieldWidth, 36);
    RadioButton1 = new QRadioButton(panel);
    RadioButton1->setGeometry(8, 6, 140, 24);
    RadioButton1->setChecked(true);
    RadioButton2 = new QRadioButton(panel);
    RadioButton2->setGeometry(152, 6, 140, 24);
    top += RowHeight + 12;

    auto triple = [&](QCheckBox*& box, QLineEdit*& a, QLineEdit*& b, QLineEdit*& c, QLabel*& la, QLabel*& lb,
                      QLabel*& lc) {
        box = new QCheckBox(this);
        box->setGeometry(Left, top + 18, FieldLeft - Left - 8, 24);
        int x = FieldLeft;
        for (auto [edit, label] : {std::pair{&a, &la}, {&b, &lb}, {&c, &lc}}) {
            *label = new QLabel(this);
            (*label)->setGeometry(x, top, SmallFieldWidth + 20, 16);
            *edit = new QLineEdit(this);
            (*edit)->setGeometry(x, top + 18, SmallFieldWidth, 24);
            x += SmallFieldWidth + 30;
        }
        top += RowHeight + 20;
    };
    triple(CheckBox4, Edit1, Edit2, Edit3, Label1, Label2, Label3);
    triple(CheckBox5, Edit7, Edit8, Edit9, Label4, Label5, Label6);

    CheckBox6 = new QCheckBox(this);
    CheckBox6->setGeometry(Left, top, FieldLeft + FieldWidth - Left, 24);
    CheckBox6->setChecked(true);
    top += RowHeight + 8;

    Button2 = qtx::MakeButton(this);
    Button2->setGeometry(Left, top, 280, 30);
    Button1 = qtx::MakeButton(this);
    Button1->setGeometry(FieldLeft + FieldWidth - 200, top, 200, 30);
    setFixedSize(FieldLeft + FieldWidth + Left, top + 30 + 12);

    for (QCheckBox* box : {CheckBox1, CheckBox2, CheckBox3, CheckBox4, CheckBox5, CheckBox7})
        qtx::OnClick(box, this, &TForm2::RefreshFields);
    qtx::OnClick(Button2, this, &TForm2::Button2Click);
    qtx::OnClick(Button1, this, &TForm2::Button1Click);

    // Enter creates and Escape cancels from every field, tick box and button (not the exit-mode choices).
    for (QWidget* w : std::initializer_list<QWidget*>{Button1, Button2, CheckBox1, CheckBox2, CheckBox3, CheckBox4,
                                                      CheckBox5, CheckBox6, CheckBox7, Edit1, Edit2, Edit3, Edit4,
                                                      Edit5, Edit6, Edit7, Edit8, Edit9})
        w->installEventFilter(this);

    Timer1 = new QTimer(this);
    Timer1->setTimerType(Qt::PreciseTimer);
    Timer1->setInterval(150);
    connect(Timer1, &QTimer::timeout, this, [this] { qtx::RunGuarded([this] { Timer1Timer(); }); });
    Timer1->start();
}

bool TForm2::Compose(const Reported& reported, const QString& commandFilePath)
{
    Edit4->setText(reported.deviceName);
    Edit5->setText(reported.port1Name);
    Edit6->setText(reported.port0Name);
    RadioButton2->setChecked(reported.exitByButton);
    RadioButton1->setChecked(!reported.exitByButton);
    for (QCheckBox* box : {CheckBox1, CheckBox2, CheckBox3})
        box->setChecked(false);
    ConfigFilePath = commandFilePath;
    RefreshFields();
    NotCreated = true;
    exec();
    return !NotCreated;
}

void TForm2::ApplyTexts(const qtx::LanguageTable& t)
{
    CheckBox1->setText(t.GetSentence(QStringLiteral("SET DEVICE NAME")));
    CheckBox2->setText(t.GetSentence(QStringLiteral("SET PORT 1 NAME (EXIT)")));
    CheckBox3->setText(t.GetSentence(QStringLiteral("SET PORT 0 NAME (ENTRANCE)")));
    CheckBox4->setText(t.GetSentence(QStringLiteral("SET DATE")));
    CheckBox5->setText(t.GetSentence(QStringLiteral("SET TIME")));
    CheckBox6->setText(t.GetSentence(QStringLiteral("AUTO ADJUST TIME AND DATE")));
    Label1->setText(t.GetSentence(QStringLiteral("YEAR")));
    Label2->setText(t.GetSentence(QStringLiteral("MONTH")));
    Label3->setText(t.GetSentence(QStringLiteral("DAY")));
    Label4->setText(t.GetSentence(QStringLiteral("HOUR")));
    Label5->setText(t.GetSentence(QStringLiteral("MINUTE")));
    Label6->setText(t.GetSentence(QStringLiteral("SECOND")));
    Button2->setText(t.GetSentence(QStringLiteral("CHANGE CONFIGURATION")));
    Button1->setText(t.GetSentence(QStringLiteral("CANCEL")));
    RadioButton1->setText(t.GetSentence(QStringLiteral("READER")));
    RadioButton2->setText(t.GetSentence(QStringLiteral("BUTTON")));
    CheckBox7->setText(t.GetSentence(QStringLiteral("SET EXIT MODE")));
    CharactersText = t.GetSentence(QStringLiteral("THE DEVICE CANNOT STORE THESE CHARACTERS"));
}

void TForm2::RefreshFields()
{
    if (Edit4->text().isEmpty())
        CheckBox1->setChecked(true);
    if (Edit5->text().isEmpty())
        CheckBox2->setChecked(true);
    if (Edit6->text().isEmpty())
        CheckBox3->setChecked(true);
    Edit4->setEnabled(CheckBox1->isChecked());
    Edit5->setEnabled(CheckBox2->isChecked());
    Edit6->setEnabled(CheckBox3->isChecked());
    for (QLineEdit* edit : {Edit1, Edit2, Edit3})
        edit->setEnabled(CheckBox4->isChecked());
    for (QLineEdit* edit : {Edit7, Edit8, Edit9})
        edit->setEnabled(CheckBox5->isChecked());
    RadioButton1->setEnabled(CheckBox7->isChecked());
    RadioButton2->setEnabled(CheckBox7->isChecked());
}

void TForm2::Timer1Timer()
{
    Timer1->stop();
    if (CheckBox6->isChecked()) {
        const QDateTime now = QDateTime::currentDateTime();
        const QDate date = now.date();
        const QTime time = now.time();
        Edit1->setText(QString::number(date.year()));
        Edit2->setText(QString::number(date.month()));
        Edit3->setText(QString::number(date.day()));
        Edit7->setText(QString::number(time.hour()));
        Edit8->setText(QString::number(time.minute()));
        Edit9->setText(QString::number(time.second()));
    }
    Timer1->start();
}

qtx::ConfigCommands TForm2::Commands() const
{
    auto bytes = [](const QLineEdit* edit) { return qtx::ToCp1250(edit->text()); };
    qtx::ConfigCommands c;
    c.setDeviceName = CheckBox1->isChecked();
    c.deviceName = bytes(Edit4);
    c.setPort1 = CheckBox2->isChecked();
    c.port1Name = bytes(Edit5);
    c.setPort0 = CheckBox3->isChecked();
    c.port0Name = bytes(Edit6);
    c.setDate = CheckBox4->isChecked();
    c.year = bytes(Edit1);
    c.month = bytes(Edit2);
    c.day = bytes(Edit3);
    c.setTime = CheckBox5->isChecked();
    c.hour = bytes(Edit7);
    c.minute = bytes(Edit8);
    c.second = bytes(Edit9);
    c.setExitMode = CheckBox7->isChecked();
    c.exitByButton = !RadioButton1->isChecked();
    return c;
}

void TForm2::Button2Click()
{
    // Code page 1250 would store each of these as a substitute byte: refused, as in the user editor.
    QStringList outside;
    for (const auto& [box, edit] :
         {std::pair{CheckBox1, Edit4}, std::pair{CheckBox2, Edit5}, std::pair{CheckBox3, Edit6},
          std::pair{CheckBox4, Edit1}, std::pair{CheckBox4, Edit2}, std::pair{CheckBox4, Edit3},
          std::pair{CheckBox5, Edit7}, std::pair{CheckBox5, Edit8}, std::pair{CheckBox5, Edit9}}) {
        if (!box->isChecked())
            continue;
        for (const QString& character : qtx::CharactersOutsideCp1250(edit->text()))
            if (!outside.contains(character))
                outside.append(character);
    }
    if (!outside.isEmpty()) {
        qtx::Dialogs().ShowMessage(CharactersText + QStringLiteral(": ") + outside.join(QLatin1Char(' '))
                                   + QLatin1Char('!'));
        return;
    }
    const QList<QByteArray> lines = qtx::BuildCommandLines(Commands());
    if (!lines.isEmpty())
        qtx::WriteTextLines(qtx::DirOfPath(ConfigFilePath) + qtx::CommandFileName, lines);
    NotCreated = false;
    accept();
}

void TForm2::Button1Click()
{
    reject();
}

bool TForm2::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Escape) {
            Button1->click();
            return true;
        }
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            Button2->click();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TForm2::keyPressEvent(QKeyEvent* event)
{
    // The exit-mode choices keep Enter and Escape to themselves: neither closes the editor.
    const int key = event->key();
    if (key == Qt::Key_Escape || key == Qt::Key_Return || key == Qt::Key_Enter)
        return;
    QDialog::keyPressEvent(event);
}
