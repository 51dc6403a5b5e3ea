#include "archive/archive_window.h"

#include "base/errors.h"
#include "base/paths.h"
#include "base/text_file.h"
#include "base/widgets/application.h"
#include "base/widgets/buttons.h"
#include "base/widgets/fonts.h"
#include "base/widgets/input_guard.h"
#include "lang/language_table.h"
#include "users/user.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFrame>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalBlocker>
#include <exception>

namespace {

constexpr int Margin = 8;
constexpr int StripHeight = 58; // the bottom strip below the panel and the picture
constexpr int ButtonWidth = 120;
constexpr int ButtonHeight = 34;
constexpr int BarHeight = 16;
constexpr int FilterWidth = 280;
constexpr int ModeWidth = 280;
constexpr int ComboHeight = 26;
constexpr int ListWidth = 420;
constexpr int TimesheetButtonWidth = 260;

// The folder as a directory lister reports it: no trailing separator except for the root.
QString ListerFolder(const QString& folder)
{
    QString f = folder;
    while (f.size() > 1 && (f.endsWith(QLatin1Char('/')) || f.endsWith(QLatin1Char('\\'))))
        f.chop(1);
    return f;
}

} // namespace

TPlainProgressBar::TPlainProgressBar(QWidget* parent) : QProgressBar(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TPlainProgressBar::paintEvent(QPaintEvent*)
{
    qtx::RunGuarded([&] {
        QPainter p(this);
        const QRect r = rect();
        const QPalette& pal = palette();
        p.fillRect(r, pal.color(QPalette::Mid));
        const QRect inner = r.adjusted(1, 1, -1, -1);
        p.fillRect(inner, pal.color(QPalette::Base));
        const qint64 span = qint64(maximum()) - minimum();
        if (span > 0 && value() > minimum()) {
            const int filled = static_cast<int>(inner.width() * (qint64(value()) - minimum()) / span);
            p.fillRect(QRect(inner.left(), inner.top(), filled, inner.height()), pal.color(QPalette::Highlight));
        }
    });
}

TForm5::TForm5(QWidget* parent) : QDialog(parent)
{
    setFont(qtx::FixedFont(true));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint
                   | Qt::WindowMaximizeButtonHint);
    shownMonth = QDate::currentDate();

    Image1 = new QWidget(this);
    Image1->setMouseTracking(true);
    Image1->setAttribute(Qt::WA_OpaquePaintEvent);
    Image1->installEventFilter(this);

    auto* panel = new QFrame(this);
    panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    panel->setAutoFillBackground(true);
    Panel1 = panel;
    Label2 = new QLabel(Panel1);
    Label2->setGeometry(Margin, Margin, 1000, 20);
    CheckBox1 = new QCheckBox(Panel1);
    CheckBox1->setGeometry(Margin, 34, ListWidth, 22);
    CheckListBox1 = new QListWidget(Panel1);
    Label1 = new QLabel(Panel1);
    GroupBox1 = new QGroupBox(Panel1);
    GroupBox1->setGeometry(ListWidth + 24, 60, 360, 124);
    int y = 28;
    for (auto [caption, value] : {std::pair{&Label3, &Label4}, {&Label5, &Label6}, {&Label7, &Label8}}) {
        *caption = new QLabel(GroupBox1);
        (*caption)->setGeometry(12, y, 170, 20);
        *value = new QLabel(QStringLiteral("-"), GroupBox1);
        (*value)->setGeometry(180, y, 168, 20);
        (*value)->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        y += 30;
    }
    Button2 = qtx::MakeButton(Panel1);
    Button2->setGeometry(ListWidth + 24, 200, 220, ButtonHeight);
    Button2->setEnabled(false);

    ComboBox1 = new QComboBox(this);
    ComboBox1->setEditable(true);
    ComboBox1->setInsertPolicy(QComboBox::NoInsert);
    ComboBox1->resize(FilterWidth, ComboHeight);
    ComboBox1->hide();
    Label9 = new QLabel(this);
    Label9->resize(FilterWidth, 18);
    Label9->hide();
    ComboBox2 = new QComboBox(this);
    ComboBox2->resize(ModeWidth, ComboHeight);
    ComboBox2->hide();

    ProgressBar1 = new TPlainProgressBar(this);
    ProgressBar2 = new TPlainProgressBar(this);
    bars_.SetBars({ProgressBar1, ProgressBar2});
    for (QProgressBar* bar : {ProgressBar1, ProgressBar2}) {
        bar->setRange(0, 100);
        bar->setValue(0);
        bar->setTextVisible(false);
    }
    Button1 = qtx::MakeButton(this);
    Button1->resize(ButtonWidth, ButtonHeight);
    // The timesheet buttons share the bottom strip's left with the progress bars: the bars while
    // the file panel shows, the buttons while the calendar shows.
    Button3 = qtx::MakeButton(this);
    Button3->resize(TimesheetButtonWidth, ButtonHeight);
    Button3->hide();
    Button4 = qtx::MakeButton(this);
    Button4->resize(ButtonWidth, ButtonHeight);
    Button4->hide();
    Panel1->installEventFilter(this);

    qtx::ConnectGuarded(CheckBox1, &QCheckBox::clicked, this, &TForm5::CheckBox1Click);
    qtx::ConnectGuarded(CheckListBox1, &QListWidget::itemClicked, this, &TForm5::CheckListBox1Click);
    qtx::ConnectGuarded(CheckListBox1, &QListWidget::currentRowChanged, this, &TForm5::CheckListBox1Click);
    qtx::OnClick(Button2, this, &TForm5::Button2Click);
    qtx::OnClick(Button1, this, &TForm5::Button1Click);
    qtx::OnClick(Button3, this, &TForm5::Button3Click);
    qtx::OnClick(Button4, this, &TForm5::Button4Click);
    qtx::ConnectGuarded(ComboBox1, &QComboBox::currentTextChanged, this, &TForm5::ComboBoxChange);
    qtx::ConnectGuarded(ComboBox2, &QComboBox::currentIndexChanged, this, &TForm5::ComboBoxChange);

    resize(1163, 598);
    ArrangeControls();
}

void TForm5::ShowWorkspace(const QString& folder, const QString& entrance, const QString& exit,
                           const QString& deviceName)
{
    OpenFolder(folder);
    ComboBox1->hide();
    Label9->hide();
    SetPortNames(entrance, exit);
    DeviceName = deviceName;
    exec();
}

void TForm5::OpenFolder(const QString& folder)
{
    CheckBox1->setChecked(true);
    if (otherSource_)
        DeviceName = otherSource_->cardDeviceName;
    otherSource_.reset();
    ListedFolder = ListerFolder(folder);
    Label2->setText(ListedFolder);
    Files = qtx::ArchiveFolder(ListedFolder);
    const QStringList& names = Files.Names();
    Label1->setText(FoundFilesText + QStringLiteral(": ") + QString::number(names.size()));
    const QSignalBlocker blocker(CheckListBox1);
    CheckListBox1->clear();
    for (const QString& name : names) {
        auto* item = new QListWidgetItem(name, CheckListBox1);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Checked);
    }
    for (QLabel* value : {Label4, Label6, Label8})
        value->setText(QStringLiteral("-"));
    Button2->setEnabled(!names.isEmpty());
}

void TForm5::SetPortNames(const QString& entrance, const QString& exit)
{
    entranceName = entrance;
    exitName = exit;
}

void TForm5::ApplyTexts(const qtx::LanguageTable& t)
{
    FoundFilesText = t.GetSentence(QStringLiteral("FOUND FILES"));
    DateNameErrorText = t.GetSentence(QStringLiteral("THE FILE NAME IS NOT A DATE"));
    CheckBox1->setText(t.Lower(QStringLiteral("SELECT/UNSELECT ALL")));
    CloseText = t.GetSentence(QStringLiteral("CLOSE"));
    Button1->setText(CloseText);
    Button2->setText(t.GetSentence(QStringLiteral("LOAD FILES")));
    GroupBox1->setTitle(QLatin1Char(' ') + t.Lower(QStringLiteral("FILE INFORMATION")) + QLatin1Char(' '));
    Label3->setText(t.GetSentence(QStringLiteral("DATE")));
    Label5->setText(t.GetSentence(QStringLiteral("FILE SIZE")));
    Label7->setText(t.GetSentence(QStringLiteral("EVENTS")));
    ModeTexts = {t.Lower(QStringLiteral("DAILY")), t.Lower(QStringLiteral("DAY/NIGHT")),
                 t.Lower(QStringLiteral("DAILY (IGNORE I/O TYPE)"))};
    FillModeList();
    QStringList months;
    for (const char* key : {"JANUARY", "FEBRUARY", "MARCH", "APRIL", "MAY", "JUNE", "JULY", "AUGUST", "SEPTEMBER",
                            "OCTOBER", "NOVEMBER", "DECEMBER"})
        months << t.Lower(QLatin1String(key));
    MonthNames = months;
    QStringList days;
    for (const char* key : {"SUNDAY", "MONDAY", "TUESDAY", "WEDNESDAY", "THURSDAY", "FRIDAY", "SATURDAY"})
        days << t.Lower(QLatin1String(key));
    DayNames = days;
    ListOfEventsText = t.GetSentence(QStringLiteral("LIST OF EVENTS"));
    TotalHitsText = t.GetSentence(QStringLiteral("TOTAL HITS"));
    TotalTimeText = t.GetSentence(QStringLiteral("TOTAL TIME"));
    FilterText = t.GetSentence(QStringLiteral("FILTER"));
    AllText = t.GetSentence(QStringLiteral("ALL"));
    EventLineTexts.accepted = t.Lower(QStringLiteral("ACCEPTED"));
    EventLineTexts.denied = t.Lower(QStringLiteral("DENIED"));
    EventLineTexts.card = t.Lower(QStringLiteral("CARD"));
    EventLineTexts.on = t.Lower(QStringLiteral("ON"));
    Label9->setText(t.GetSentence(QStringLiteral("FILTER")));
    SecText = t.Lower(QStringLiteral("SEC"));
    MinText = t.Lower(QStringLiteral("MIN"));
    UsersText = t.Lower(QStringLiteral("USERS"));
    EventsText = t.Lower(QStringLiteral("EVENTS"));
    Button3->setText(t.GetSentence(QStringLiteral("SAVE TIMESHEET")));
    Button4->setText(t.GetSentence(QStringLiteral("PRINT")));
    TimesheetTexts = qtx::TimesheetTextsOf(t);
    SaveText = t.GetSentence(QStringLiteral("SAVE"));
    FolderText = t.GetSentence(QStringLiteral("FOLDER"));
    CountingModeText = t.GetSentence(QStringLiteral("COUNTING MODE"));
    PageText = t.GetSentence(QStringLiteral("PAGE"));
    // The format names stay in capitals: sentence case would write them "xlsx" and "csv".
    XlsxFilterText = t.GetSentence(QStringLiteral("SPREADSHEET")) + QStringLiteral(" XLSX (*.xlsx)");
    CsvFilterText = t.GetSentence(QStringLiteral("TEXT FILE")) + QStringLiteral(" CSV (*.csv)");
    PreparingText = t.GetSentence(QStringLiteral("PREPARING"));
    SavedFileText = t.GetSentence(QStringLiteral("SAVED"));
}

void TForm5::FillModeList()
{
    const QSignalBlocker blocker(ComboBox2);
    ComboBox2->clear();
    ComboBox2->addItems(ModeTexts);
    ComboBox2->setCurrentIndex(0);
}

void TForm5::CheckBox1Click()
{
    const Qt::CheckState state = CheckBox1->isChecked() ? Qt::Checked : Qt::Unchecked;
    for (int i = 0; i < CheckListBox1->count(); ++i)
        CheckListBox1->item(i)->setCheckState(state);
}

void TForm5::CheckListBox1Click()
{
    const QListWidgetItem* item = CheckListBox1->currentItem();
    if (item == nullptr || !item->isSelected())
        return;
    ShowFileInfo(item->text());
}

void TForm5::ShowFileInfo(const QString& name)
{
    Label4->setText(qtx::FileDateText(name));
    const qtx::EventFileInfo info = Files.Info(name);
    Label8->setText(QString::number(info.events));
    Label6->setText(QString::number(info.size) + QStringLiteral(" B"));
}

void TForm5::Button2Click()
{
    LoadFiles();
}

void TForm5::Button1Click()
{
    close();
}

void TForm5::ShowOtherSource(const QString& title, const QString& deviceName, const qtx::PortNames& ports,
                             const QList<qtx::UserFilterEntry>& people)
{
    const QString cardFolder = otherSource_ ? otherSource_->cardFolder : ListedFolder;
    const QString cardDeviceName = otherSource_ ? otherSource_->cardDeviceName : DeviceName;
    otherSource_ = OtherSource{ports, people, cardFolder, cardDeviceName};
    ListedFolder = title;
    DeviceName = deviceName;
    if (!EventStore.IsEmpty())
        shownMonth = EventStore[0].Date();
    Panel1->hide();
    FillUserFilter();
    DrawCalendar();
}

qtx::UserNames TForm5::SourceUserNames() const
{
    return otherSource_ ? qtx::UserNames(otherSource_->people) : qtx::ReadWorkspaceUserNames(ListedFolder);
}

void TForm5::LoadFiles()
{
    if (otherSource_) {
        ListedFolder = otherSource_->cardFolder;
        DeviceName = otherSource_->cardDeviceName;
        otherSource_.reset();
    }
    // The load holds the event loop; what the operator clicks or types meanwhile is dropped at
    // its end, not replayed onto the calendar that replaced the file panel.
    const qtx::BusyInputGuard busy(this);
    const int count = CheckListBox1->count();
    QList<bool> chosen;
    for (int i = 0; i < count; ++i)
        chosen.append(CheckListBox1->item(i)->checkState() == Qt::Checked);
    ProgressBar2->setRange(0, count + 1);
    ProgressBar1->setMaximum(100);
    bars_.Restart();
    qtx::ArchiveLoadProgress progress;
    progress.fileStarted = [this](int position) { bars_.Move(ProgressBar2, position + 1); };
    progress.lineStart = [this] { return ProgressBar1->value(); };
    progress.linePercent = [this](int percent) { bars_.Move(ProgressBar1, percent); };
    progress.fileRead = [this] {
        bars_.Move(ProgressBar1, 0);
        if (!EventStore.IsEmpty())
            shownMonth = EventStore[0].Date();
    };
    Files.Load(EventStore, chosen, DateNameErrorText, progress);
    bars_.Move(ProgressBar2, 0);
    bars_.Paint();
    Panel1->hide();
    // A missing user list is reported after the calendar is drawn: the load itself is complete.
    std::exception_ptr userListError;
    try {
        FillUserFilter();
    } catch (const qtx::Error&) {
        userListError = std::current_exception();
    }
    DrawCalendar();
    if (userListError)
        std::rethrow_exception(userListError);
}

void TForm5::FillUserFilter()
{
    const QSignalBlocker blocker(ComboBox1);
    ComboBox1->clear();
    std::exception_ptr failure;
    try {
        for (const qtx::UserFilterEntry& entry : otherSource_ ? otherSource_->people : Files.UserFilterEntries())
            ComboBox1->addItem(qtx::FromCp1250(entry.userNumber) + QStringLiteral(" - ") + qtx::FromCp1250(entry.name));
    } catch (const qtx::Error&) {
        failure = std::current_exception();
    }
    ComboBox1->insertItem(0, AllText);
    ComboBox1->setCurrentIndex(0);
    ComboBox1->show();
    ComboBox2->show();
    Label9->show();
    if (failure)
        std::rethrow_exception(failure);
}

void TForm5::ComboBoxChange()
{
    DrawCalendar();
    if (lastClickX != 0 && lastClickY != 0 && dayListOpen)
        HitTest(lastClickX, lastClickY);
}

qtx::UserFilter TForm5::CurrentFilter() const
{
    if (ComboBox1->count() > 0 && ComboBox1->currentIndex() == 0 && ComboBox1->currentText() == ComboBox1->itemText(0))
        return qtx::UserFilter::All();
    return qtx::UserFilter::Number(qtx::ToCp1250(ComboBox1->currentText().left(4)));
}

std::optional<qtx::CountingMode> TForm5::CurrentMode() const
{
    return qtx::CountingModeAt(ComboBox2->currentIndex());
}

qtx::PortNames TForm5::Ports() const
{
    if (otherSource_)
        return otherSource_->ports;
    return {qtx::ToCp1250(entranceName), qtx::ToCp1250(exitName)};
}

void TForm5::ArrangeControls()
{
    const int w = width();
    const int h = height();
    Panel1->setGeometry(Margin, Margin, w - 2 * Margin, h - StripHeight);
    Image1->setGeometry(Margin, Margin, w - 2 * Margin, h - StripHeight);
    CheckListBox1->setGeometry(Margin, 60, ListWidth, std::max(Panel1->height() - 60 - 36, 40));
    Label1->setGeometry(Margin, Panel1->height() - 28, ListWidth, 20);
    Button1->move(w - Margin - Button1->width(), h - Margin - Button1->height());
    const int barWidth = w - Button1->width() - Margin - 12;
    ProgressBar2->setGeometry(Margin, h - Margin - BarHeight, barWidth, BarHeight);
    ProgressBar1->setGeometry(Margin, Button1->y(), barWidth, BarHeight);
    const int imageRight = Image1->x() + Image1->width();
    const int imageBottom = Image1->y() + Image1->height();
    ComboBox1->move(imageRight - 8 - ComboBox1->width(), imageBottom - 8 - ComboBox1->height());
    ComboBox2->move(ComboBox1->x() - 16 - ComboBox2->width(), imageBottom - 8 - ComboBox2->height());
    Label9->move(ComboBox1->x(), ComboBox1->y() - 2 - Label9->height());
    Button3->move(Margin, h - Margin - ButtonHeight);
    Button4->move(Button3->x() + Button3->width() + Margin, Button3->y());
}

void TForm5::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    qtx::RunGuarded([&] {
        Panel1->show();
        Panel1->raise();
    });
}

void TForm5::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    qtx::RunGuarded([&] {
        ArrangeControls();
        DrawCalendar();
    });
}

void TForm5::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        // Escape closes the archive only from its close button, as that button's cancel key.
        qtx::RunGuarded([&] {
            if (Button1->hasFocus())
                Button1Click();
        });
        return;
    }
    QDialog::keyPressEvent(event);
}

bool TForm5::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == Panel1 && (event->type() == QEvent::Show || event->type() == QEvent::Hide)) {
        // The window's own hiding hides the panel too without setting it hidden.
        const bool calendar = Panel1->isHidden();
        for (QWidget* bar : {static_cast<QWidget*>(ProgressBar1), static_cast<QWidget*>(ProgressBar2)})
            bar->setVisible(!calendar);
        Button3->setVisible(calendar);
        Button4->setVisible(calendar);
        return QDialog::eventFilter(watched, event);
    }
    if (watched != Image1)
        return QDialog::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::Paint: {
        QPainter painter(Image1);
        if (Picture.size() != Image1->size())
            painter.fillRect(Image1->rect(), Qt::white);
        painter.drawImage(0, 0, Picture);
        return true;
    }
    case QEvent::MouseMove: {
        const QPoint p = static_cast<QMouseEvent*>(event)->position().toPoint();
        qtx::RunGuarded([&] { Image1MouseMove(p.x(), p.y()); });
        return true;
    }
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
        // The second press of a quick double click arrives as a double click; it is a press all the same.
        const QPoint p = static_cast<QMouseEvent*>(event)->position().toPoint();
        qtx::RunGuarded([&] { Image1MouseDown(p.x(), p.y()); });
        return true;
    }
    default:
        return QDialog::eventFilter(watched, event);
    }
}
