#include "workspace/folder_chooser_window.h"

#include "base/widgets/application.h"
#include "base/widgets/fonts.h"
#include "lang/language_table.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QStorageInfo>
#include <QTimer>
#include <QTreeView>

namespace {

// Each drive list entry holds the folder it opens and the folder the tree shows from: a volume's
// root for both, or the download folder shown from its parent, so the tree shows it selected.
constexpr int TreeRootRole = Qt::UserRole + 1;

bool IsOfferedVolume(const QStorageInfo& volume)
{
    if (!volume.isValid() || !volume.isReady())
        return false;
    const QString root = volume.rootPath();
    return root == QLatin1String("/") || root.startsWith(QLatin1String("/media/"))
           || root.startsWith(QLatin1String("/run/media/")) || root.startsWith(QLatin1String("/mnt/"))
           || root == QDir::homePath();
}

// The folder tree tells which of its current-row changes the operator made with the mouse or the
// keys. The others are not a choice: when the model re-lists a folder it can drop the chosen
// folder's row, or its parent's, for a moment (a listing read just before the folder was made),
// and Qt then moves the current row to the folder beside it; a tree that never had a current row
// takes the first one when focus arrives.
class FolderTree : public QTreeView {
public:
    using QTreeView::QTreeView;
    bool OperatorActing() const { return operatorActing_; }

protected:
    bool event(QEvent* event) override
    {
        const QScopedValueRollback acting(operatorActing_, operatorActing_ || event->isInputEvent());
        return QTreeView::event(event);
    }
    bool viewportEvent(QEvent* event) override
    {
        const QScopedValueRollback acting(operatorActing_, operatorActing_ || event->isInputEvent());
        return QTreeView::viewportEvent(event);
    }

private:
    bool operatorActing_ = false;
};

} // namespace

TForm6::TForm6(QWidget* parent) : QDialog(parent)
{
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setWindowTitle(QString());
    setFont(qtx::FixedFont());

    DriveComboBox1 = new QComboBox(this);
    model_ = new QFileSystemModel(this);
    model_->setFilter(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Drives);
    model_->setRootPath(QStringLiteral("/"));
    auto* tree = new FolderTree(this);
    DirectoryListBox1 = tree;
    DirectoryListBox1->setModel(model_);
    for (int column = 1; column < model_->columnCount(); ++column)
        DirectoryListBox1->hideColumn(column);
    DirectoryListBox1->header()->hide();
    Label1 = new QLabel(this);
    Button2 = new QPushButton(this);
    Button1 = new QPushButton(this);
    Button2->setFixedSize(220, 28);
    Button1->setFixedSize(120, 28);
    Label1->setFixedHeight(18);

    qtx::OnClick(Button2, this, &TForm6::Button2Click);
    qtx::OnClick(Button1, this, &TForm6::Button1Click);
    // Selecting a folder opens it, by mouse or keyboard, so the label, the highlight and the
    // folder the accept button takes are always the same one. A row the tree moved to by itself
    // is no choice: the highlight goes back to the chosen folder, also once the model has listed
    // it again. That waits until the model's change is through: the tree and its selection are
    // still following it, and looking the folder up may add its row.
    highlightTimer_ = new QTimer(this);
    highlightTimer_->setSingleShot(true);
    highlightTimer_->setInterval(0);
    connect(highlightTimer_, &QTimer::timeout, this, [this] { HighlightChosenFolder(); });
    connect(DirectoryListBox1->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this, tree](const QModelIndex& index) {
                if (tree->OperatorActing())
                    FolderSelected(index);
                else
                    highlightTimer_->start();
            });
    connect(model_, &QAbstractItemModel::rowsInserted, highlightTimer_, qOverload<>(&QTimer::start));
    DirectoryListBox1->installEventFilter(this);
    connect(DriveComboBox1, &QComboBox::activated, this, [this](int index) { VolumeChosen(index); });

    FillVolumes();
    // The program is started in its own folder, where a copied card is easiest to find.
    OpenDirectory(QDir::currentPath());
    setFixedSize(577, 547);
    ArrangeControls();
}

std::optional<QString> TForm6::ChooseFolder()
{
    Cancelled = true;
    exec();
    if (Cancelled)
        return std::nullopt;
    return ChosenDirectory;
}

void TForm6::ApplyTexts(const qtx::LanguageTable& t)
{
    Button1->setText(t.GetSentence(QStringLiteral("CANCEL")));
    Button2->setText(t.GetSentence(QStringLiteral("SET AS SD CARD")));
    downloadText_ = t.GetSentence(QStringLiteral("DOWNLOADED CARD"));
    FillVolumes();
}

void TForm6::SetDownloadFolder(const QString& folder)
{
    downloadFolder_ = QDir::cleanPath(folder);
    FillVolumes();
}

void TForm6::FillVolumes()
{
    const QString selected = DriveComboBox1->currentData().toString();
    DriveComboBox1->clear();
    QStringList roots;
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes())
        if (IsOfferedVolume(volume) && !roots.contains(volume.rootPath()))
            roots.append(volume.rootPath());
    if (!roots.contains(QDir::homePath()))
        roots.append(QDir::homePath());
    std::sort(roots.begin(), roots.end());
    for (const QString& root : roots) {
        DriveComboBox1->addItem(root, root);
        DriveComboBox1->setItemData(DriveComboBox1->count() - 1, root, TreeRootRole);
    }
    if (!downloadFolder_.isEmpty() && QFileInfo(downloadFolder_).isDir()) {
        DriveComboBox1->addItem(QStringLiteral("%1 (%2)").arg(downloadText_, downloadFolder_), downloadFolder_);
        const QString parent = QFileInfo(downloadFolder_).path();
        DriveComboBox1->setItemData(DriveComboBox1->count() - 1, parent, TreeRootRole);
    }
    const int index = DriveComboBox1->findData(selected);
    if (index >= 0)
        DriveComboBox1->setCurrentIndex(index);
}

void TForm6::VolumeChosen(int index)
{
    const QString root = DriveComboBox1->itemData(index).toString();
    if (!root.isEmpty())
        OpenDirectory(root);
}

void TForm6::OpenDirectory(const QString& path)
{
    currentDirectory_ = QDir::cleanPath(path);
    Label1->setText(currentDirectory_);
    int best = -1;
    qsizetype bestLength = -1;
    for (int i = 0; i < DriveComboBox1->count(); ++i) {
        const QString root = DriveComboBox1->itemData(i).toString();
        const bool inside = currentDirectory_ == root || root == QLatin1String("/")
                            || currentDirectory_.startsWith(root + QLatin1Char('/'));
        if (inside && root.size() > bestLength) {
            best = i;
            bestLength = root.size();
        }
    }
    if (best >= 0)
        DriveComboBox1->setCurrentIndex(best);
    // The tree shows the selected volume, opened down to the current folder.
    const QString root = best >= 0 ? DriveComboBox1->itemData(best, TreeRootRole).toString() : QStringLiteral("/");
    DirectoryListBox1->setRootIndex(model_->index(root));
    const QModelIndex index = model_->index(currentDirectory_);
    DirectoryListBox1->setCurrentIndex(index);
    DirectoryListBox1->expand(index);
    DirectoryListBox1->scrollTo(index);
}

void TForm6::FolderSelected(const QModelIndex& index)
{
    if (!index.isValid())
        return;
    currentDirectory_ = QDir::cleanPath(model_->filePath(index));
    Label1->setText(currentDirectory_);
}

void TForm6::HighlightChosenFolder()
{
    const QModelIndex chosen = model_->index(currentDirectory_);
    if (DirectoryListBox1->currentIndex() == chosen)
        return;
    if (chosen.isValid())
        DirectoryListBox1->setCurrentIndex(chosen);
    else
        DirectoryListBox1->selectionModel()->clear(); // the folder is gone: no other one stands for it
}

bool TForm6::eventFilter(QObject* watched, QEvent* event)
{
    // Enter in the tree opens the folder there and goes no further: it must not also press
    // the dialog's default button and accept a folder the user has not looked at yet.
    if (watched == DirectoryListBox1 && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            const QModelIndex index = DirectoryListBox1->currentIndex();
            if (index.isValid()) {
                FolderSelected(index);
                DirectoryListBox1->expand(index);
            }
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TForm6::Button2Click()
{
    Cancelled = false;
    ChosenDirectory = currentDirectory_;
    accept();
}

void TForm6::Button1Click()
{
    reject();
}

void TForm6::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    ArrangeControls();
}

void TForm6::showEvent(QShowEvent* event)
{
    FillVolumes();
    ArrangeControls();
    // The keyboard starts in the tree: the arrow keys walk the folders. On the drive list the
    // first Down arrow would switch the drive instead.
    DirectoryListBox1->setFocus(Qt::OtherFocusReason);
    QDialog::showEvent(event);
}

void TForm6::ArrangeControls()
{
    const int w = width();
    const int h = height();
    DriveComboBox1->setGeometry(8, 8, w - 16, DriveComboBox1->sizeHint().height());
    const int treeTop = DriveComboBox1->geometry().bottom() + 1 + 16;
    const int treeHeight = h - treeTop - Button2->height() - Label1->height() - 24;
    DirectoryListBox1->setGeometry(8, treeTop, DriveComboBox1->width(), treeHeight);
    const int buttonTop = h - 8 - Button2->height();
    Button2->move(8, buttonTop);
    Button1->move(w - 8 - Button1->width(), buttonTop);
    const int treeBottom = treeTop + treeHeight;
    Label1->setGeometry(8, treeBottom + (buttonTop - treeBottom - Label1->height()) / 2, w - 16, Label1->height());
}
