#pragma once
// Shared by the user window tests: the interface texts, records and a workspace with a user list.

#include "base/text_file.h"
#include "support/gui_helpers.h"
#include "user_records.h"
#include "users/user.h"
#include "users/user_manager_window.h"

#include <QListView>
#include <QStringList>
#include <QTemporaryDir>

namespace qtx::test {

// Every key the user windows look up, Polish column equal to the key.
inline QString UserTexts()
{
    const QStringList keys{"USER MANAGER",
                           "CLOSE",
                           "NAME",
                           "SHORT CARD NR",
                           "ALL USERS",
                           "YES",
                           "NO",
                           "ADD USER",
                           "EDIT USER",
                           "DELETE USER",
                           "SAVE CHANGES",
                           "SEARCH/FILTER",
                           "FILTERED",
                           "SORT BY NAME",
                           "SORT BY ID",
                           "SAVING HAS SUCCEEDED",
                           "DO YOU WANT TO SAVE CHANGES",
                           "EXISTS",
                           "CONFIRM",
                           "ADD ANOTHER CARD",
                           "CANCEL",
                           "FULL CARD NUMBER",
                           "COMMA ( SIGN ' ) IS FORBIDDEN",
                           "YOU HAVE TO ENTER PIN AND/OR CARD",
                           "WRONG ID NUMBER",
                           "PIN MUST BE 1 TO 7 DIGITS LONG AND CONTAIN DIGITS ONLY",
                           "SET PIN",
                           "CHANGE PIN",
                           "GIVEN CARD ALREADY EXISTS",
                           "GIVEN PIN ALREADY EXISTS",
                           "INPUT NEW PIN",
                           "REPEAT NEW PIN",
                           "PIN NUMBERS DOES DIFFER",
                           "THE FILE HAS BEEN CHANGED BY ANOTHER PROGRAM SINCE IT WAS READ",
                           "DO YOU WANT TO OVERWRITE IT"};
    QString text;
    for (const QString& key : keys)
        text += key + QLatin1Char('\t') + key + QStringLiteral("\t\n");
    return text;
}

inline UserList SampleUsers()
{
    return {MakeUser("0001", 0, "1234", "admin", 'a'), MakeUser("0002", 786777, "4821", "Anna Kowalska"),
            MakeUser("0002", 786778, "4821", "Anna Kowalska"), MakeUser("0003", 793131, "", "Piotr Nowak")};
}

// Opens the user manager on the folder as the main window's button does, without the modal loop.
inline void OpenManager(const QString& folder, bool showPins = false)
{
    Form3->hide();
    Form3->SetWorkspaceOpen(true);
    Form3->SetWorkspaceFolder(folder + QLatin1Char('/'));
    Form3->Modified = false;
    Form3->LoadUsers(folder + QStringLiteral("/USERS.txt"));
    Form3->SetWorkspaceSeen(true);
    Form3->SetShowPins(showPins);
    Form3->show();
}

inline QStringList ListLines()
{
    QStringList lines;
    for (int i = 0; i < Form3->Lines->rowCount(); ++i)
        lines << Form3->Lines->index(i).data().toString();
    return lines;
}

inline int CurrentRow()
{
    return Form3->ListBox1->currentIndex().row();
}

inline QString CurrentLine()
{
    return Form3->ListBox1->currentIndex().data().toString();
}

} // namespace qtx::test
