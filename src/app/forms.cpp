#include "app/forms.h"

#include "app/main_window.h"
#include "archive/archive_window.h"
#include "archive/day_list_window.h"
#include "base/paths.h"
#include "config/config_editor_window.h"
#include "lang/language_chooser_window.h"
#include "link/console_window.h"
#include "link/port_chooser_window.h"
#include "link/progress_window.h"
#include "site/site_source_window.h"
#include "users/pin_dialog_window.h"
#include "users/user_editor_window.h"
#include "users/user_manager_window.h"
#include "workspace/access_mode_window.h"
#include "workspace/folder_chooser_window.h"
#include "workspace/user_list_conflict_window.h"

TForm1* Form1 = nullptr;
TForm2* Form2 = nullptr;
TForm3* Form3 = nullptr;
TForm4* Form4 = nullptr;
TForm5* Form5 = nullptr;
TForm6* Form6 = nullptr;
TForm7* Form7 = nullptr;
TForm8* Form8 = nullptr;
TForm9* Form9 = nullptr;
TForm10* Form10 = nullptr;
TForm11* Form11 = nullptr;
TForm12* Form12 = nullptr;
TForm13* Form13 = nullptr;
TForm14* Form14 = nullptr;
TSiteSource* SiteSource = nullptr;

namespace qtx {

bool CreateForms(bool debugArgument)
{
    Form1 = new TForm1(debugArgument);
    if (!Form1->FormCreate()) {
        delete Form1;
        Form1 = nullptr;
        return false;
    }
    // Dialogs the main window opens are its children, so they open centred over it. Each window
    // gets here what it uses from the others: the main window's texts, link and access modes, and
    // within a subsystem its sibling windows.
    Form2 = new TForm2(Form1);
    Form3 = new TForm3;
    Form4 = new TForm4(Form3);
    Form5 = new TForm5;
    Form6 = new TForm6(Form1);
    Form6->SetDownloadFolder(qtx::DownloadDir());
    Form7 = new TForm7(Form5);
    Form8 = new TForm8;
    Form9 = new TForm9;
    Form10 = new TForm10;
    Form11 = new TForm11([main = Form1](int code) { main->RunAccessMode(code); }, Form1);
    Form12 = new TForm12(Form1->Language, Form1->Link, Form1);
    Form13 = new TForm13(Form1->Link, Form1);
    Form14 = new TForm14(Form1);
    Form3->Editor = Form4;
    Form4->PinDialog = Form10;
    Form5->DayList = Form7;
    SiteSource = new TSiteSource(Form5);
    return true;
}

template <class T>
static void Destroy(T*& form)
{
    delete form;
    form = nullptr;
}

void DestroyForms()
{
    Destroy(Form14);
    Destroy(Form13);
    Destroy(Form12);
    Destroy(Form11);
    Destroy(Form10);
    Destroy(Form9);
    Destroy(Form8);
    Destroy(Form7);
    Destroy(Form6);
    SiteSource = nullptr; // Form5 owns it
    Destroy(Form5);
    Destroy(Form4);
    Destroy(Form3);
    Destroy(Form2);
    Destroy(Form1);
}

} // namespace qtx
