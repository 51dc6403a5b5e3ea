#pragma once

#include "users/user_editor_rules.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class TForm10;
class TForm3;

// TForm4, the user editor: one record's name, ID, administrator switch, card in three linked
// forms and PIN, checked before it goes into the user manager's list.
class TForm4 : public QDialog {
public:
    // manager: the user manager whose list and texts the editor works on.
    explicit TForm4(TForm3* manager, QWidget* parent = nullptr);

    // Both show the editor modally on the given list and return when it closes; the caller then
    // reads EditorCancelled and EditedUser (a position in that list).
    void OpenForAdd(qtx::UserList& users, const QString& id);
    void OpenForEdit(qtx::UserList& users, qsizetype position);

    void Edit4KeyUp();
    void Edit5KeyUp();
    void Edit6KeyUp();
    void Edit3Exit();
    void Edit4Exit();
    void Edit5Exit();
    void Edit6Exit();
    void Button1Click();
    void Button2Click();
    void Button3Click();
    void Button4Click();

    // The message of the first check the entry fails, or an empty text when it passes.
    QString FirstRefusal() const;

    int EditorMode = 0; // 0 closed, 1 add, 2 edit
    qsizetype EditedUser = -1;
    bool EditorCancelled = true;
    bool ShowPins = false;
    QString PinMismatchText;
    // The PIN dialog the PIN button opens (given by the form registry).
    TForm10* PinDialog = nullptr;

    QLabel* Label1 = nullptr;       // name
    QLabel* Label2 = nullptr;       // "ID"
    QLabel* Label3 = nullptr;       // "PIN"
    QLabel* Label4 = nullptr;       // full card number
    QLabel* Label5 = nullptr;       // "HEX:"
    QLabel* Label6 = nullptr;       // the card's bytes
    QLabel* Label7 = nullptr;       // "," between facility code and short number
    QLineEdit* Edit1 = nullptr;     // name
    QLineEdit* Edit2 = nullptr;     // PIN (shown masked or not)
    QLineEdit* Edit3 = nullptr;     // ID
    QLineEdit* Edit4 = nullptr;     // full card number
    QLineEdit* Edit5 = nullptr;     // facility code
    QLineEdit* Edit6 = nullptr;     // short card number
    QCheckBox* CheckBox1 = nullptr; // administrator
    QPushButton* Button1 = nullptr; // cancel
    QPushButton* Button2 = nullptr; // add another card
    QPushButton* Button3 = nullptr; // confirm
    QPushButton* Button4 = nullptr; // set or change the PIN (TForm10)

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    qtx::UserEntry Entry() const;
    void ShowTexts();
    void ShowCard(std::int64_t card);

    // The list being edited, from the open call until the editor closes.
    qtx::UserList* users_ = nullptr;
    // The manager whose texts the editor shows.
    TForm3* Manager;
};

using UserEditorWindow = TForm4; // the name new code may use
