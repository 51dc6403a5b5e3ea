#include "site/site_source_window.h"

#include "archive/archive_window.h"
#include "base/dialogs.h"
#include "base/paths.h"
#include "base/text_file.h"
#include "base/widgets/application.h"
#include "base/widgets/bar_frames.h"
#include "base/widgets/buttons.h"
#include "base/widgets/input_guard.h"
#include "config/config_files.h"
#include "lang/language_table.h"
#include "site/site_archive.h"
#include "site/site_import.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>

namespace {

constexpr int RowHeight = 34;

// The site archive, or none when it is an SQLite file not yet created: looking must not create it.
std::unique_ptr<qtx::SiteDatabase> OpenExisting()
{
    const qtx::SiteLocation location = qtx::ResolveSiteLocation(QString());
    if (location.engine == qtx::SiteEngine::Sqlite && !QFileInfo::exists(location.path))
        return nullptr;
    return std::make_unique<qtx::SiteDatabase>(location);
}

} // namespace

TSiteSource::TSiteSource(TForm5* archive) : QWidget(archive->Panel1), Archive(archive)
{
    Label1 = new QLabel(this);
    Label1->setGeometry(0, 0, 360, 20);
    ComboBox1 = new QComboBox(this);
    ComboBox1->setGeometry(0, 24, 220, 28);
    Button1 = qtx::MakeButton(this);
    Button1->setGeometry(228, 21, 132, RowHeight);
    Button2 = qtx::MakeButton(this);
    Button2->setGeometry(0, 60, 220, RowHeight);
    // Nothing to open until the doors have been read.
    ComboBox1->setEnabled(false);
    Button1->setEnabled(false);
    qtx::OnClick(Button1, this, &TSiteSource::Button1Click);
    qtx::OnClick(Button2, this, &TSiteSource::Button2Click);
    // Below the file panel's load button.
    setGeometry(Archive->Button2->x(), Archive->Button2->y() + 70, 360, 100);
    // Tab goes on from the load button to these, not after the window's close button.
    QWidget::setTabOrder(Archive->Button2, ComboBox1);
    QWidget::setTabOrder(ComboBox1, Button1);
    QWidget::setTabOrder(Button1, Button2);
}

void TSiteSource::ApplyTexts(const qtx::LanguageTable& t)
{
    Label1->setText(t.GetSentence(QStringLiteral("SITE ARCHIVE")));
    Button1->setText(t.GetSentence(QStringLiteral("OPEN")));
    Button2->setText(t.GetSentence(QStringLiteral("IMPORT THIS CARD")));
    AllDoorsText = t.Lower(QStringLiteral("ALL DOORS"));
    ImportedText = t.GetSentence(QStringLiteral("EVENTS ADDED"));
    RewrittenText = t.GetSentence(QStringLiteral("REWRITTEN DAYS"));
    // The doors are read when the panel shows, not here at start-up: a far server may be slow.
    if (ComboBox1->count() > 0)
        ComboBox1->setItemText(0, AllDoorsText);
}

void TSiteSource::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    qtx::RunGuarded([this] { FillDoors(); });
}

void TSiteSource::FillDoors()
{
    const QString chosen = ComboBox1->currentIndex() > 0 ? ComboBox1->currentText() : QString();
    ComboBox1->clear();
    ComboBox1->addItem(AllDoorsText);
    ComboBox1->setToolTip(QString());
    bool any = false;
    try {
        if (const auto db = OpenExisting()) {
            for (const qtx::SiteDoor& door : db->Doors())
                ComboBox1->addItem(door.name);
            any = ComboBox1->count() > 1;
        }
    } catch (const qtx::Error& e) {
        // The window opens all the same; the reason is one hover away.
        ComboBox1->setToolTip(e.message());
    }
    ComboBox1->setCurrentIndex(std::max(0, ComboBox1->findText(chosen)));
    ComboBox1->setEnabled(any);
    Button1->setEnabled(any);
}

void TSiteSource::Button1Click()
{
    const qtx::BusyInputGuard busy(Archive);
    const auto db = OpenExisting();
    if (!db)
        return;
    const QStringList doors = ComboBox1->currentIndex() > 0 ? QStringList{ComboBox1->currentText()} : QStringList();
    qtx::SiteArchive site(Archive->EventStore);
    site.Load(*db, doors);
    const QString title = db->Location().Display() + QStringLiteral(" (")
                          + (doors.isEmpty() ? AllDoorsText : doors.first()) + QLatin1Char(')');
    // Where the recorder's name goes, the site's doors: the heading of a saved or printed
    // timesheet names them, not the card folder's recorder.
    QStringList names;
    for (const qtx::SiteDoor& door : site.Doors())
        names.append(door.name);
    Archive->ShowOtherSource(title, names.join(QStringLiteral(", ")), site.Ports(), site.People());
}

void TSiteSource::Button2Click()
{
    const qtx::BusyInputGuard busy(Archive);
    const QString folder = qtx::WithTrailingChar(Archive->CardFolder(), QLatin1Char('/'));
    // The recorder's own name is the door's; a card without one goes by its folder's name.
    QString door = QFileInfo(folder + qtx::ReportFileName).exists()
                       ? qtx::FromCp1250(qtx::ReadConfigReportFile(folder + qtx::ReportFileName).deviceName)
                       : QString();
    if (door.trimmed().isEmpty())
        door = QDir(folder).dirName();
    qtx::SiteDatabase db(qtx::ResolveSiteLocation(QString()));
    QProgressBar* bar = Archive->ProgressBar2;
    qtx::BarFrames frames;
    frames.SetBars({bar});
    const qtx::SiteImportResult result =
        qtx::ImportCardFolder(db, door.trimmed(), folder, [bar, &frames](int position, int count, const QString&) {
            bar->setRange(0, std::max(count, 1));
            frames.Move(bar, position);
        });
    frames.Move(bar, 0);
    frames.Paint();
    FillDoors();
    QString text =
        door.trimmed() + QStringLiteral(": ") + ImportedText + QStringLiteral(": ") + QString::number(result.events);
    if (!result.rewrittenFiles.isEmpty())
        text += QStringLiteral("\n") + RewrittenText + QStringLiteral(": ")
                + result.rewrittenFiles.join(QStringLiteral(", "));
    qtx::Dialogs().ShowMessage(text);
}
