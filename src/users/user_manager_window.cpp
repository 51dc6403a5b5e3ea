#include "users/user_manager_window.h"

#include "base/dialogs.h"
#include "base/text_file.h"
#include "base/widgets/application.h"
#include "base/widgets/bar_frames.h"
#include "base/widgets/buttons.h"
#include "base/widgets/fonts.h"
#include "lang/language_table.h"
#include "users/user_editor_window.h"
#include "users/user_list.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCryptographicHash>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QStyle>
#include <QStyledItemDelegate>

namespace {

QByteArray Digest(const QByteArray& bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256);
}

// The digest of the file as it is now; empty when it is not there.
QByteArray DigestOnDisk(const QString& path)
{
    if (!QFileInfo::exists(path))
        return {};
    return Digest(qtx::ReadWholeFile(path));
}

constexpr int Margin = 8;
constexpr int ButtonHeight = 25;
constexpr int CloseButtonWidth = 100;
constexpr int ButtonWidth = 168;
constexpr int SearchWidth = 200;
constexpr int CategoryWidth = 170;
constexpr int FieldHeight = 24;
constexpr int CheckHeight = 20;
constexpr int RadioWidth = 150;
constexpr int RadioHeight = 18;
constexpr int BarHeight = 14;
constexpr int CountHeight = 16;
constexpr int HeadingTop = 0;
constexpr int HeadingHeight = 16;

// Draws the current line of the focused list with a dotted frame only: the style would fill it
// with a pale highlight, which reads as a selection when nothing is selected.
class FocusFrameDelegate final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        const bool focusOnly =
            option.state.testFlag(QStyle::State_HasFocus) && !option.state.testFlag(QStyle::State_Selected);
        QStyleOptionViewItem plain(option);
        if (focusOnly)
            plain.state &= ~QStyle::State_HasFocus;
        QStyledItemDelegate::paint(painter, plain, index);
        if (!focusOnly)
            return;
        painter->save();
        painter->setPen(QPen(option.palette.color(QPalette::Text), 1, Qt::DotLine));
        painter->drawRect(option.rect.adjusted(0, 0, -1, -1));
        painter->restore();
    }
};

} // namespace

TForm3::TForm3(QWidget* parent) : QDialog(parent), collator_(qtx::UserCollator())
{
    setFont(qtx::FixedFont());
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint
                   | Qt::WindowMaximizeButtonHint);
    setMinimumWidth(MinimumWidth);

    Lines = new qtx::UserListModel(AllUsers, this);
    ListBox1 = new QListView(this);
    ListBox1->setModel(Lines);
    ListBox1->setUniformItemSizes(true);
    ListBox1->setSelectionMode(QAbstractItemView::SingleSelection);
    ListBox1->setItemDelegate(new FocusFrameDelegate(ListBox1));
    Label2 = new QLabel(this);
    Label3 = new QLabel(this);
    Label4 = new QLabel(this);
    Label5 = new QLabel(this);
    Label1 = new QLabel(this);
    Label7 = new QLabel(this);
    CheckBox1 = new QCheckBox(this);
    ComboBox1 = new QComboBox(this);
    Edit1 = new QLineEdit(this);
    RadioButton1 = new QRadioButton(QStringLiteral("sortuj nazwa"), this);
    RadioButton2 = new QRadioButton(QStringLiteral("sortuj id"), this);
    RadioButton2->setChecked(true);
    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);
    Button1 = qtx::MakeButton(this);
    Button2 = qtx::MakeButton(this);
    Button3 = qtx::MakeButton(this);
    Button4 = qtx::MakeButton(this);
    Button5 = qtx::MakeButton(this);

    qtx::ConnectGuarded(CheckBox1, &QCheckBox::clicked, this, &TForm3::FilterChange);
    qtx::ConnectGuarded(Edit1, &QLineEdit::textChanged, this, &TForm3::FilterChange);
    qtx::ConnectGuarded(ComboBox1, &QComboBox::currentIndexChanged, this, &TForm3::FilterChange);
    qtx::ConnectGuarded(RadioButton1, &QRadioButton::clicked, this, &TForm3::FilterChange);
    qtx::ConnectGuarded(RadioButton2, &QRadioButton::clicked, this, &TForm3::FilterChange);
    qtx::ConnectGuarded(ListBox1, &QListView::doubleClicked, this, &TForm3::Button2Click);
    qtx::OnClick(Button1, this, &TForm3::Button1Click);
    qtx::OnClick(Button2, this, &TForm3::Button2Click);
    qtx::OnClick(Button3, this, &TForm3::Button3Click);
    qtx::OnClick(Button4, this, &TForm3::Button4Click);
    qtx::OnClick(Button5, this, &TForm3::Button5Click);

    // Tab in reading order: the list, the sort choice and the filters beneath it, then the buttons
    // from left to right.
    QWidget* order[] = {ListBox1, RadioButton1, RadioButton2, CheckBox1, ComboBox1, Edit1,
                        Button5,  Button3,      Button2,      Button4,   Button1};
    for (std::size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);

    UpdateCounts();
    resize(MinimumWidth, 560);
}

void TForm3::SetWorkspaceOpen(bool open)
{
    WorkspaceOpen = open;
}

void TForm3::SetWorkspaceFolder(const QString& folder)
{
    WorkspaceFolder = folder;
}

void TForm3::LoadUsers(const QString& path)
{
    Lines->Clear();
    AllUsers.clear();
    ReadDigest.clear();
    const QByteArray bytes = qtx::ReadWholeFile(path);
    AllUsers = qtx::ParseUserBytes(bytes);
    ReadDigest = Digest(bytes);
    RebuildView();
    UpdateCounts();
}

void TForm3::SetWorkspaceSeen(bool seen)
{
    WorkspaceSeen = seen;
}

void TForm3::SetShowPins(bool show)
{
    // The list is built before this is handed over, so its lines follow a change at once.
    if (show == ShowPins)
        return;
    ShowPins = show;
    RebuildView();
    UpdateCounts();
}

void TForm3::ApplyTexts(const qtx::LanguageTable& t)
{
    CloseText = t.GetSentence(QStringLiteral("CLOSE"));
    NameText = t.GetSentence(QStringLiteral("NAME"));
    ShortCardText = t.GetSentence(QStringLiteral("SHORT CARD NR"));
    AllUsersText = t.GetSentence(QStringLiteral("ALL USERS"));
    YesText = t.GetSentence(QStringLiteral("YES"));
    NoText = t.GetSentence(QStringLiteral("NO"));
    AddUserText = t.GetSentence(QStringLiteral("ADD USER"));
    EditUserText = t.GetSentence(QStringLiteral("EDIT USER"));
    DeleteUserText = t.GetSentence(QStringLiteral("DELETE USER"));
    SaveChangesText = t.GetSentence(QStringLiteral("SAVE CHANGES"));
    IdText = QStringLiteral("ID");
    PinText = QStringLiteral("PIN");
    AdministratorText = QStringLiteral("Administrator");
    SearchFilterText = t.Lower(QStringLiteral("SEARCH/FILTER"));
    FilteredText = t.Lower(QStringLiteral("FILTERED"));
    RadioButton1->setText(t.Lower(QStringLiteral("SORT BY NAME")));
    RadioButton2->setText(t.Lower(QStringLiteral("SORT BY ID")));
    SavedText = t.GetSentence(QStringLiteral("SAVING HAS SUCCEEDED"));
    SaveQuestionText = t.GetSentence(QStringLiteral("DO YOU WANT TO SAVE CHANGES"));
    ChangedOnDiskText = t.GetSentence(QStringLiteral("THE FILE HAS BEEN CHANGED BY ANOTHER PROGRAM SINCE IT WAS READ"));
    OverwriteQuestionText = t.GetSentence(QStringLiteral("DO YOU WANT TO OVERWRITE IT"));
    ExistsText = t.Upper(QStringLiteral("EXISTS"));
    ConfirmText = t.GetSentence(QStringLiteral("CONFIRM"));
    AddAnotherCardText = t.GetSentence(QStringLiteral("ADD ANOTHER CARD"));
    CancelText = t.GetSentence(QStringLiteral("CANCEL"));
    FullCardNumberText = t.GetSentence(QStringLiteral("FULL CARD NUMBER"));
    CommaForbiddenText = t.GetSentence(QStringLiteral("COMMA ( SIGN ' ) IS FORBIDDEN"));
    NameCharactersText = t.GetSentence(QStringLiteral("THE DEVICE CANNOT STORE THESE CHARACTERS OF THE NAME"));
    PinOrCardText = t.GetSentence(QStringLiteral("YOU HAVE TO ENTER PIN AND/OR CARD"));
    WrongIdText = t.GetSentence(QStringLiteral("WRONG ID NUMBER"));
    PinRuleText = t.GetSentence(QStringLiteral("PIN MUST BE 1 TO 7 DIGITS LONG AND CONTAIN DIGITS ONLY"));
    SetPinText = t.GetSentence(QStringLiteral("SET PIN"));
    ChangePinText = t.GetSentence(QStringLiteral("CHANGE PIN"));
    CardExistsText = t.GetSentence(QStringLiteral("GIVEN CARD ALREADY EXISTS"));
    PinExistsText = t.GetSentence(QStringLiteral("GIVEN PIN ALREADY EXISTS"));
    InputNewPinText = t.GetSentence(QStringLiteral("INPUT NEW PIN"));
    RepeatNewPinText = t.GetSentence(QStringLiteral("REPEAT NEW PIN"));
    PinMismatchText = t.GetSentence(QStringLiteral("PIN NUMBERS DOES DIFFER")) + QLatin1Char('.');
}

qtx::ViewFilter TForm3::CurrentFilter() const
{
    qtx::ViewFilter filter;
    filter.enabled = CheckBox1->isChecked();
    filter.category = static_cast<qtx::FilterCategory>(std::max(ComboBox1->currentIndex(), 0));
    filter.text = Edit1->text();
    return filter;
}

qtx::SortOrder TForm3::CurrentOrder() const
{
    if (RadioButton1->isChecked())
        return qtx::SortOrder::ByName;
    if (RadioButton2->isChecked())
        return qtx::SortOrder::ById;
    return qtx::SortOrder::None;
}

void TForm3::RebuildView()
{
    ProgressBar1->setMaximum(100);
    ProgressBar1->setValue(0);
    Lines->SetPinDisplay(ShowPins, ExistsText);
    // A hundred immediate repaints of the bar would cost more than filtering thousands of records.
    qtx::BarFrames frames;
    frames.SetBars({ProgressBar1});
    Lines->Rebuild(CurrentFilter(), CurrentOrder(), collator_,
                   [this, &frames](int percent) { frames.Move(ProgressBar1, percent); });
    ProgressBar1->setValue(0);
}

void TForm3::UpdateCounts()
{
    Button1->setText(CloseText);
    Button2->setText(EditUserText);
    Button3->setText(AddUserText);
    Button4->setText(DeleteUserText);
    Button5->setText(SaveChangesText);
    Label2->setText(IdText);
    Label3->setText(PinText);
    Label4->setText(ShortCardText);
    Label5->setText(NameText);
    CheckBox1->setText(SearchFilterText);
    Label1->setText(AllUsersText + QStringLiteral(": ") + QString::number(AllUsers.size()));
    Label7->setText(FilteredText + QStringLiteral(": ") + QString::number(Lines->rowCount()));
    // Refilling the categories is no change of category.
    const QSignalBlocker blocker(ComboBox1);
    const int selected = std::max(ComboBox1->currentIndex(), 0);
    ComboBox1->clear();
    ComboBox1->addItems({NameText, IdText, ShortCardText, AdministratorText});
    ComboBox1->setCurrentIndex(selected);
}

void TForm3::SelectRecord(qsizetype position)
{
    SelectRow(Lines->RowOf(position));
}

void TForm3::SelectRow(int row)
{
    ListBox1->selectionModel()->setCurrentIndex(Lines->index(row), QItemSelectionModel::ClearAndSelect);
}

void TForm3::FilterChange()
{
    RebuildView();
    UpdateCounts();
}

void TForm3::Button1Click()
{
    reject();
}

int TForm3::SelectedRow() const
{
    // The current row alone is no choice: the list makes its first line current, unselected,
    // whenever it gets the keyboard focus.
    const QModelIndexList selected = ListBox1->selectionModel()->selectedIndexes();
    return selected.isEmpty() ? -1 : selected.first().row();
}

void TForm3::Button2Click()
{
    Modified = true;
    const int row = SelectedRow();
    if (Lines->rowCount() == 0 || row < 0)
        return;
    Editor->OpenForEdit(AllUsers, Lines->ShownUsers()[static_cast<std::size_t>(row)]);
    if (Editor->EditorCancelled)
        return;
    RebuildView();
    UpdateCounts();
    SelectRecord(Editor->EditedUser);
}

void TForm3::Button3Click()
{
    Modified = true;
    const QString id = qtx::FindFreeId(AllUsers);
    if (id.isEmpty()) {
        qtx::Dialogs().ShowMessage(FullListMessage);
        return;
    }
    Editor->OpenForAdd(AllUsers, id);
    if (Editor->EditorCancelled)
        return;
    RebuildView();
    UpdateCounts();
    SelectRecord(Editor->EditedUser);
}

void TForm3::Button4Click()
{
    Modified = true;
    const int row = SelectedRow();
    if (Lines->rowCount() == 0 || row < 0)
        return;
    const qsizetype position = Lines->ShownUsers()[static_cast<std::size_t>(row)];
    AllUsers.erase(AllUsers.begin() + position);
    RebuildView();
    UpdateCounts();
    SelectRow(row < Lines->rowCount() ? row : row - 1);
}

void TForm3::Button5Click()
{
    if (WorkspaceOpen && WorkspaceSeen) {
        const QString path = WorkspaceFolder + qtx::UserFileName;
        // A list gone since it was read is simply written again; one replaced is not overwritten unasked.
        const QByteArray onDisk = DigestOnDisk(path);
        if (!onDisk.isEmpty() && onDisk != ReadDigest
            && qtx::Dialogs().AskQuestion(QString(),
                                          ChangedOnDiskText + QStringLiteral(": ") + path + QStringLiteral(". ")
                                              + OverwriteQuestionText + QLatin1Char('?'),
                                          YesText, qtx::ResultYes, NoText, qtx::ResultNo, qtx::ResultNo)
                   != qtx::ResultYes)
            return;
        const QByteArray bytes = qtx::UserFileBytes(AllUsers);
        qtx::WriteWholeFile(path, bytes);
        ReadDigest = Digest(bytes);
    }
    qtx::Dialogs().ShowMessage(SavedText + QLatin1Char('.'));
    Modified = false;
}

bool TForm3::FormCloseQuery()
{
    if (Modified
        && qtx::Dialogs().AskQuestion(QString(), SaveQuestionText + QLatin1Char('?'), YesText, qtx::ResultYes, NoText,
                                      qtx::ResultNo)
               == qtx::ResultYes)
        Button5Click();
    Lines->Clear();
    AllUsers.clear();
    return true;
}

void TForm3::reject()
{
    // A save that fails while closing raises out of FormCloseQuery: the error is shown and the
    // window stays open with its list.
    bool mayClose = false;
    qtx::RunGuarded([this, &mayClose] { mayClose = FormCloseQuery(); });
    if (mayClose)
        QDialog::reject();
}

void TForm3::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (Editor)
        Editor->ShowPins = ShowPins;
}

void TForm3::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    qtx::RunGuarded([this] { ArrangeControls(); });
}

void TForm3::ArrangeControls()
{
    const int w = std::max(width(), MinimumWidth);
    const int h = height();

    const int buttonTop = h - Margin - ButtonHeight;
    Button1->setGeometry(w - Margin - CloseButtonWidth, buttonTop, CloseButtonWidth, ButtonHeight);
    Button4->setGeometry(Button1->x() - Margin - ButtonWidth, buttonTop, ButtonWidth, ButtonHeight);
    Button2->setGeometry(Button4->x() - Margin - ButtonWidth, buttonTop, ButtonWidth, ButtonHeight);
    Button3->setGeometry(Button2->x() - Margin - ButtonWidth, buttonTop, ButtonWidth, ButtonHeight);
    Button5->setGeometry(Margin, buttonTop, Button3->x() - Margin - Margin, ButtonHeight);

    const int fieldTop = buttonTop - Margin - FieldHeight;
    Edit1->setGeometry(w - Margin - SearchWidth, fieldTop, SearchWidth, FieldHeight);
    ComboBox1->setGeometry(Edit1->x() - Margin - CategoryWidth, fieldTop, CategoryWidth, FieldHeight);
    CheckBox1->setGeometry(ComboBox1->x(), fieldTop - CheckHeight, w - Margin - ComboBox1->x(), CheckHeight);

    const int listBottom = CheckBox1->y() - 12;
    ListBox1->setGeometry(1, 16, w - 2, CheckBox1->y() - 28);
    const int radioLeft = CheckBox1->x() - Margin - RadioWidth;
    RadioButton1->setGeometry(radioLeft, listBottom, RadioWidth, RadioHeight);
    RadioButton2->setGeometry(radioLeft, listBottom + RadioHeight - 2, RadioWidth, RadioHeight);

    ProgressBar1->setGeometry(Margin, buttonTop - 4 - BarHeight, ComboBox1->x() - Margin - Margin, BarHeight);
    Label7->setGeometry(Margin, ProgressBar1->y() - 2 - CountHeight, radioLeft - 2 * Margin, CountHeight);
    Label1->setGeometry(Margin, Label7->y() - CountHeight, radioLeft - 2 * Margin, CountHeight);

    // The headings stand over the columns of the list's lines.
    const QFontMetrics metrics(ListBox1->font());
    auto columnX = [&metrics](int column) { return metrics.horizontalAdvance(QString(column, QLatin1Char('0'))); };
    const int textLeft = ListBox1->x() + ListBox1->frameWidth()
                         + style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, ListBox1) + 1;
    QLabel* headings[qtx::UserColumnCount] = {Label2, Label3, Label4, Label5};
    for (int i = 0; i < qtx::UserColumnCount; ++i) {
        const auto column = static_cast<std::size_t>(i);
        const int left = textLeft + columnX(qtx::UserLineColumns[column]);
        const int right = i + 1 < qtx::UserColumnCount ? textLeft + columnX(qtx::UserLineColumns[column + 1]) : w;
        headings[i]->setGeometry(left, HeadingTop, right - left, HeadingHeight);
    }
}
