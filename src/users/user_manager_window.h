#pragma once

#include "users/user.h"
#include "users/user_list_model.h"
#include "users/user_view.h"

#include <QCollator>
#include <QDialog>
#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListView;
class QProgressBar;
class QPushButton;
class QRadioButton;
class TForm4;

namespace qtx {
class LanguageTable;
}

// TForm3, the user manager: the workspace's user list with filter, sort, add, edit, delete and save.
class TForm3 : public QDialog {
public:
    explicit TForm3(QWidget* parent = nullptr);

    void SetWorkspaceOpen(bool open);
    void SetWorkspaceFolder(const QString& folder);
    // Reads the user list anew, then shows it; raises FileError when the file cannot be read.
    void LoadUsers(const QString& path);
    void SetWorkspaceSeen(bool seen);
    void SetShowPins(bool show);
    // The texts of this window, the user editor and the PIN dialog, in the language table's order.
    void ApplyTexts(const qtx::LanguageTable& texts);

    void RebuildView();
    void UpdateCounts();
    void SelectRecord(qsizetype position);
    // Makes the line current and selects it alone; -1 leaves no line current or selected.
    void SelectRow(int row);
    // The row of the selected line, or -1 when no line is selected.
    int SelectedRow() const;

    void FilterChange();
    void Button1Click();
    void Button2Click();
    void Button3Click();
    void Button4Click();
    void Button5Click();
    // Asks about unsaved changes and empties the list; false when saving failed and the window stays.
    bool FormCloseQuery();
    void ArrangeControls();

    qtx::ViewFilter CurrentFilter() const;
    qtx::SortOrder CurrentOrder() const;

    qtx::UserList AllUsers;
    // ListBox1's lines over AllUsers; it holds the positions of the records shown (ShownUsers).
    qtx::UserListModel* Lines = nullptr;
    bool Modified = false;
    // The digest of USERS.txt as read or last saved here, so a save does not silently put back
    // an older list over one another program wrote since; empty when there was no file.
    QByteArray ReadDigest;
    QString WorkspaceFolder;
    bool WorkspaceOpen = false;
    bool WorkspaceSeen = false;
    bool ShowPins = false;

    // Text slots, filled by ApplyTexts.
    QString CloseText = QStringLiteral("{CLOSE}");
    QString NameText = QStringLiteral("{NAME}");
    QString ShortCardText = QStringLiteral("{SHORT CARD NR}");
    QString AllUsersText = QStringLiteral("{ALL USERS}");
    QString YesText = QStringLiteral("{YES}");
    QString NoText = QStringLiteral("{NO}");
    QString AddUserText = QStringLiteral("{ADD USER}");
    QString EditUserText = QStringLiteral("{EDIT USER}");
    QString DeleteUserText = QStringLiteral("{DELETE USER}");
    QString SaveChangesText = QStringLiteral("{SAVE CHANGES}");
    QString IdText = QStringLiteral("ID");
    QString PinText = QStringLiteral("PIN");
    QString AdministratorText = QStringLiteral("Administrator");
    QString SearchFilterText = QStringLiteral("{search/filter}");
    QString FilteredText = QStringLiteral("{filtered}");
    QString SavedText = QStringLiteral("{SAVING HAS SUCCEEDED}");
    QString SaveQuestionText = QStringLiteral("{DO YOU WANT TO SAVE CHANGES}");
    QString ChangedOnDiskText = QStringLiteral("{THE FILE HAS BEEN CHANGED BY ANOTHER PROGRAM SINCE IT WAS READ}");
    QString OverwriteQuestionText = QStringLiteral("{DO YOU WANT TO OVERWRITE IT}");
    QString ExistsText = QStringLiteral("{EXISTS}");
    // Texts of the user editor and the PIN dialog.
    QString ConfirmText = QStringLiteral("{CONFIRM}");
    QString AddAnotherCardText = QStringLiteral("{ADD ANOTHER CARD}");
    QString CancelText = QStringLiteral("{CANCEL}");
    QString FullCardNumberText = QStringLiteral("{FULL CARD NUMBER}");
    QString CommaForbiddenText = QStringLiteral("{COMMA ( SIGN ' ) IS FORBIDDEN}");
    QString NameCharactersText = QStringLiteral("{THE DEVICE CANNOT STORE THESE CHARACTERS OF THE NAME}");
    QString PinOrCardText = QStringLiteral("{YOU HAVE TO ENTER PIN AND/OR CARD}");
    QString WrongIdText = QStringLiteral("{WRONG ID NUMBER}");
    QString PinRuleText = QStringLiteral("{PIN MUST BE 1 TO 7 DIGITS LONG AND CONTAIN DIGITS ONLY}");
    QString SetPinText = QStringLiteral("{SET PIN}");
    QString ChangePinText = QStringLiteral("{CHANGE PIN}");
    QString CardExistsText = QStringLiteral("{GIVEN CARD ALREADY EXISTS}");
    QString PinExistsText = QStringLiteral("{GIVEN PIN ALREADY EXISTS}");
    QString InputNewPinText = QStringLiteral("{INPUT NEW PIN}");
    QString RepeatNewPinText = QStringLiteral("{REPEAT NEW PIN}");
    QString PinMismatchText = QStringLiteral("{PIN NUMBERS DOES DIFFER}.");

    QListView* ListBox1 = nullptr;        // the users shown
    QLabel* Label1 = nullptr;             // number of all users
    QLabel* Label2 = nullptr;             // "ID" column heading
    QLabel* Label3 = nullptr;             // "PIN" column heading
    QLabel* Label4 = nullptr;             // "Short card" column heading
    QLabel* Label5 = nullptr;             // "Name" column heading
    QLabel* Label7 = nullptr;             // number of users shown
    QCheckBox* CheckBox1 = nullptr;       // search filter on
    QComboBox* ComboBox1 = nullptr;       // field the search looks in
    QLineEdit* Edit1 = nullptr;           // search text
    QRadioButton* RadioButton1 = nullptr; // sort by name
    QRadioButton* RadioButton2 = nullptr; // sort by ID
    QProgressBar* ProgressBar1 = nullptr; // filtering progress
    QPushButton* Button1 = nullptr;       // close
    QPushButton* Button2 = nullptr;       // edit the user (TForm4)
    QPushButton* Button3 = nullptr;       // add a user (TForm4)
    QPushButton* Button4 = nullptr;       // delete the user
    QPushButton* Button5 = nullptr;       // save the changes

    // The message when every ID is taken; the same in every language.
    static inline const QString FullListMessage = QStringLiteral("Lista uzytkownikow jest pelna!");
    static constexpr int MinimumWidth = 780;
    // The editor that adds and edits records (given by the form registry; none for a manager
    // built alone).
    TForm4* Editor = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    // Every way of closing (the close button, the close box, Escape) comes here.
    void reject() override;

private:
    QCollator collator_;
};

using UserManagerWindow = TForm3; // the name new code may use
