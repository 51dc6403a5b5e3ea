#include "app/main_window.h"

#include "app/banner.h"
#include "app/forms.h"
#include "app/single_instance.h"
#include "archive/archive_window.h"
#include "base/dialogs.h"
#include "base/errors.h"
#include "base/paths.h"
#include "base/text_file.h"
#include "base/widgets/application.h"
#include "base/widgets/fonts.h"
#include "config/config_editor_window.h"
#include "config/config_files.h"
#include "lang/language_chooser_window.h"
#include "link/link_controller.h"
#include "qtx_version.h"
#include "site/site_source_window.h"
#include "users/user_manager_window.h"
#include "workspace/access_mode_window.h"
#include "workspace/folder_chooser_window.h"
#include "workspace/workspace.h"
#include "workspace/workspace_files.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocalServer>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTimer>

namespace {

constexpr int ClientWidth = 741;
constexpr int ClientHeight = 294;
constexpr int BannerHeight = 64;
constexpr int MenuLeft = 8;
constexpr int MenuButtonWidth = 331;
constexpr int MenuButtonHeight = 25;
constexpr int MenuButtonGap = 7;
constexpr int SummaryLeft = MenuLeft + MenuButtonWidth + 16;
constexpr int SummaryIndent = 16;
constexpr int BuildNumber = 48;

QTimer* MakeTimer(QObject* owner, int interval)
{
    auto* timer = new QTimer(owner);
    timer->setTimerType(Qt::PreciseTimer);
    timer->setInterval(interval);
    return timer;
}

// Runs a timer's handler with the timer stopped, so runs never overlap.
template <class Handler>
void ConnectTimer(QTimer* timer, TForm1* form, Handler handler)
{
    QObject::connect(timer, &QTimer::timeout, form, [timer, form, handler] {
        timer->stop();
        qtx::RunGuarded([form, handler] { std::invoke(handler, form); });
    });
}

} // namespace

QString TForm1::MainTitle()
{
    return QStringLiteral("QTX MANAGER v.%1 (build %2)").arg(QStringLiteral(QTX_VERSION)).arg(BuildNumber);
}

TForm1::TForm1(bool debugMode, QWidget* parent) : QWidget(parent), DebugMode(debugMode)
{
    Language.Reset();
    // File errors are raised below the language layer; they take their words from this table,
    // in English while it has none for them.
    qtx::SetTextLookup([this](const QString& key) {
        const QString text = Language.GetText(key);
        return text == QLatin1Char('{') + key + QLatin1Char('}') ? key : text;
    });
    setFont(qtx::FixedFont());
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    setPalette(pal);
    setWindowFlags(Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowCloseButtonHint);
    setFixedSize(ClientWidth, ClientHeight);

    Image1 = new QLabel(this);
    Image1->setGeometry(0, 0, ClientWidth, BannerHeight);
    Image1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Image2 = new QLabel(this);
    Image2->setPixmap(QPixmap::fromImage(qtx::BuiltInBanner()));
    Image2->hide();

    Label7 = new QLabel(QStringLiteral("MENU"), this);
    Label7->setFont(qtx::FixedFont(true));
    Label7->setAlignment(Qt::AlignCenter);
    Label7->setGeometry(MenuLeft, BannerHeight + 6, MenuButtonWidth, 16);

    int top = BannerHeight + 26;
    for (QPushButton** button : {&Button5, &Button1, &Button4, &Button3, &Button6, &Button8}) {
        *button = new QPushButton(this);
        (*button)->setGeometry(MenuLeft, top, MenuButtonWidth, MenuButtonHeight);
        top += MenuButtonHeight + MenuButtonGap;
    }
    Button7 = new QPushButton(this);
    Button7->hide();
    Button7->setEnabled(false);

    top = BannerHeight + 6;
    const int summaryWidth = ClientWidth - SummaryLeft - 8;
    for (auto [caption, value] : {std::pair{&Label8, &Label9},
                                  {&Label1, &Label2},
                                  {&Label5, &Label6},
                                  {&Label3, &Label4},
                                  {&Label10, &Label11},
                                  {&Label12, &Label13}}) {
        *caption = new QLabel(this);
        (*caption)->setGeometry(SummaryLeft, top, summaryWidth, 17);
        *value = new QLabel(this);
        (*value)->setGeometry(SummaryLeft + SummaryIndent, top + 17, summaryWidth - SummaryIndent, 17);
        top += 37;
    }

    qtx::OnClick(Button5, this, &TForm1::Button5Click);
    qtx::OnClick(Button1, this, &TForm1::Button1Click);
    qtx::OnClick(Button4, this, &TForm1::Button4Click);
    qtx::OnClick(Button3, this, &TForm1::Button3Click);
    qtx::OnClick(Button6, this, &TForm1::Button6Click);
    qtx::OnClick(Button8, this, &TForm1::Button8Click);

    TimerFirstStart = MakeTimer(this, 1);
    TimerFirstStart->setSingleShot(true);
    connect(TimerFirstStart, &QTimer::timeout, this, [this] { qtx::RunGuarded([this] { FirstStart(); }); });
    Timer1 = MakeTimer(this, 2);
    ConnectTimer(Timer1, this, [](TForm1* form) {
        form->Timer1Timer();
        form->Timer1->start();
    });
    TimerLaunchEvents = MakeTimer(this, 100);
    ConnectTimer(TimerLaunchEvents, this, [](TForm1* form) {
        form->TimerLaunchEventsTimer();
        form->TimerLaunchEvents->start();
    });

    CreateLink();
    Timer1->start();
    TimerLaunchEvents->start();

    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

TForm1::~TForm1()
{
    qtx::SetTextLookup({});
}

bool TForm1::FormCreate()
{
    instanceServer_ = qtx::ClaimSingleInstance(MainTitle(), [this] {
        if (isMinimized())
            showNormal();
        raise();
        activateWindow();
    });
    return instanceServer_ != nullptr;
}

void TForm1::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    FormShow();
}

void TForm1::FormShow()
{
    if (!FirstShown) {
        FirstShown = true;
        TimerFirstStart->start();
    }
}

void TForm1::closeEvent(QCloseEvent* event)
{
    event->accept();
    QApplication::quit();
}

void TForm1::FirstStart()
{
    const QString languageFile = qtx::FindLanguageFile(qtx::ProgramFileFolders());
    if (!languageFile.isEmpty())
        Language.LoadLanguageFile(languageFile);
    Language.SetLanguageIndex(qtx::Polish);
    ShowLogo();
    ApplyLanguage();
    ShowNotChosen();
    Trace(1, QStringLiteral("App initiated."));
}

void TForm1::ShowLogo()
{
    QImage banner;
    try {
        banner = qtx::MakeBanner(qtx::AppDir(), DebugMode);
    } catch (const qtx::Error& e) {
        // A broken picture is reported, but the start must still fill the menu and the summary.
        qtx::Dialogs().ShowError(e.message());
    }
    if (banner.isNull())
        Image1->clear();
    else
        Image1->setPixmap(QPixmap::fromImage(banner));
}

void TForm1::Trace(int type, const QString& text, const QLoggingCategory& category)
{
    if (type == 1) {
        qCDebug(category).noquote() << text;
        return;
    }
    qtx::Dialogs().ShowMessage(QStringLiteral("Message type: unknown\n\n") + text);
}

int TForm1::AskQuestion(const QString& title, const QString& text, const QString& firstText, int firstResult,
                        const QString& secondText, int secondResult, int defaultResult)
{
    return qtx::Dialogs().AskQuestion(title, text, firstText, firstResult, secondText, secondResult, defaultResult);
}

void TForm1::ShowNotChosen()
{
    const QString notChosen = GetSentence(QStringLiteral("SD CARD DIRECTORY HAS NOT BEEN CHOSEN"));
    for (QLabel* value : {Label9, Label2, Label6, Label4, Label11, Label13})
        value->setText(notChosen);
}

void TForm1::ApplyLanguage()
{
    const qtx::LanguageTable& t = Language;
    qtx::UseQtTranslations(t.LanguageIndex() == qtx::Polish);
    setWindowTitle(MainTitle());
    Form3->setWindowTitle(t.GetSentence(QStringLiteral("USER MANAGER")));
    Button5->setText(t.GetSentence(QStringLiteral("CHOOSE SD CARD DIRECTORY")));
    Button4->setText(t.GetSentence(QStringLiteral("ARCHIVE")));
    Button1->setText(t.GetSentence(QStringLiteral("CHANGE DEVICE CONFIGURATION")));
    Button3->setText(t.GetSentence(QStringLiteral("USER MANAGER")));
    Button6->setText(t.GetSentence(QStringLiteral("OPTIONS")));
    Button7->setText(t.GetSentence(QStringLiteral("ABOUT")));
    Button8->setText(t.GetSentence(QStringLiteral("EXIT")));
    Label1->setText(t.GetSentence(QStringLiteral("DEVICE NAME")) + QLatin1Char(':'));
    Label3->setText(t.GetSentence(QStringLiteral("PORT 1 NAME (EXIT)")) + QLatin1Char(':'));
    Label5->setText(t.GetSentence(QStringLiteral("PORT 0 NAME (ENTRANCE)")) + QLatin1Char(':'));
    Label8->setText(t.GetSentence(QStringLiteral("SD CARD PATH")) + QLatin1Char(':'));
    Label10->setText(t.GetSentence(QStringLiteral("EXIT MODE")) + QLatin1Char(':'));
    Label12->setText(t.GetSentence(QStringLiteral("FIRMWARE")) + QLatin1Char(':'));
    Form2->ApplyTexts(t);
    Form3->ApplyTexts(t);
    Form5->ApplyTexts(t);
    SiteSource->ApplyTexts(t);
    Form6->ApplyTexts(t);
    Form11->ApplyTexts(t);
    if (!Card.IsOpen())
        ShowNotChosen();
}

bool TForm1::RefuseWithoutWorkspace()
{
    if (Card.IsOpen())
        return false;
    qtx::Dialogs().ShowMessage(GetSentence(QStringLiteral("CHOOSE THE SD CARD DIRECTORY FIRST")) + QLatin1Char('!'));
    return true;
}

void TForm1::Button5Click()
{
    Form11->setWindowTitle(Button5->text());
    Form11->exec();
}

void TForm1::Button1Click()
{
    if (RefuseWithoutWorkspace())
        return;
    Form2->setWindowTitle(Button1->text());
    if (Form2->Compose(
            {ShownSummary.deviceName, ShownSummary.port1Name, ShownSummary.port0Name, ShownSummary.exitByButton},
            Card.Folder() + qtx::CommandFileName))
        qtx::Dialogs().ShowMessage(
            GetSentence(QStringLiteral("YOU NEED TO INSERT THE CARD TO THE DEVICE IN ORDER TO PROCEED THE CHANGES")));
    // The summary keeps showing what the recorder reported: an edit that was cancelled, or commands
    // it has not carried out yet, never change it (the archive matches events by these port names).
}

void TForm1::Button4Click()
{
    if (RefuseWithoutWorkspace())
        return;
    Form5->setWindowTitle(Button4->text());
    Form5->ShowWorkspace(Card.Folder(), ShownSummary.port0Name, ShownSummary.port1Name, ShownSummary.deviceName);
}

void TForm1::Button3Click()
{
    if (RefuseWithoutWorkspace())
        return;
    Form3->SetWorkspaceOpen(true);
    Form3->SetWorkspaceFolder(Card.Folder());
    Form3->Modified = false;
    Form3->LoadUsers(Card.Folder() + qtx::UserFileName);
    Form3->SetWorkspaceSeen(Card.OpenedBefore());
    Form3->SetShowPins(DebugMode);
    Form3->exec();
}

void TForm1::Button6Click()
{
    Form8->setWindowTitle(Button6->text());
    Language.SetLanguageIndex(Form8->Choose(Language.LanguageIndex(), GetSentence(QStringLiteral("LANGUAGE")),
                                            GetSentence(QStringLiteral("CLOSE"))));
    ApplyLanguage();
}

void TForm1::Button8Click()
{
    close();
}

void TForm1::RunAccessMode(int code)
{
    switch (code) {
    case TForm11::ConnectRs232:
        ConnectRs232();
        break;
    case TForm11::LocalFolder:
        OpenWorkspace(true);
        break;
    case TForm11::RawConsole:
        OpenRawConsole();
        break;
    default:
        break;
    }
}

void TForm1::ReadConfigReport(const QString& path)
{
    ShowConfigReport(qtx::SummaryOfReport(qtx::ReadConfigReportFile(path), path, Language));
}

void TForm1::ShowConfigReport(const qtx::WorkspaceSummary& summary)
{
    Label2->setText(summary.deviceName);
    Label4->setText(summary.port1Name);
    Label6->setText(summary.port0Name);
    ShownSummary = summary;
    Label11->setText(summary.exitMode);
    Label13->setText(summary.firmware);
    Label9->setText(summary.folder);
}

void TForm1::ShowNoWorkspace()
{
    Card.Close();
    ShowNotChosen();
}

void TForm1::OpenWorkspace(bool ask)
{
    QString folder = DownloadPath;
    if (ask) {
        const std::optional<QString> chosen = Form6->ChooseFolder();
        if (!chosen) {
            ShowNoWorkspace();
            return;
        }
        folder = *chosen;
    }
    if (!Card.Open(folder, ask)) {
        ShowNoWorkspace();
        return;
    }
    ShowConfigReport(Card.Summary());
}
