#pragma once
// Window tests: the application object with its error box, and the fourteen windows created
// as the program creates them. Header-only because it needs the program's library (qtx_app),
// which only window tests link.

#include "app/forms.h"
#include "app/main_window.h"
#include "base/widgets/application.h"
#include "base/widgets/left_shift.h"
#include "support/gui_helpers.h"
#include "support/scripted_print.h"

#include <QDir>
#include <QTest>

namespace qtx::test {

// Creates every window and runs the start sequence with the given language file text
// (UTF-8, as it would read after decoding; empty means no lang.txt). Destroys them on exit.
class Forms {
public:
    explicit Forms(const QString& languageText = QString(), bool debugMode = false)
    {
        if (!CreateForms(debugMode))
            qFatal("single-instance guard refused the test's windows");
        Form1->Language.LoadLanguageText(languageText);
        Form1->FirstStart();
        Form1->Language.SetLanguageIndex(English);
        Form1->ApplyLanguage();
    }
    // A scripted answer that no dialog took fails the test: the window never asked what the
    // test meant it to.
    ~Forms()
    {
        QStringList unused;
        if (const int actions = PendingModalActions())
            unused.append(QStringLiteral("%1 modal window actions").arg(actions));
        ClearModalActions();
        if (auto* scripted = dynamic_cast<ScriptedDialogs*>(&Dialogs()))
            unused += scripted->TakeUnused();
        DestroyForms();
        if (!unused.isEmpty() && !QTest::currentTestFailed())
            QTest::qFail(qPrintable(QStringLiteral("scripted but never used: ") + unused.join(QStringLiteral(", "))),
                         __FILE__, __LINE__);
    }
    Forms(const Forms&) = delete;
    Forms& operator=(const Forms&) = delete;
};

} // namespace qtx::test

// A test main for window tests: the real application object, so errors escaping an event
// reach the error box as they do in the program.
#define QTX_GUI_TEST_MAIN(TestClass)                                                                                   \
    int main(int argc, char** argv)                                                                                    \
    {                                                                                                                  \
        qtx::QtxApplication app(argc, argv);                                                                           \
        app.setAttribute(Qt::AA_Use96Dpi, true);                                                                       \
        qtx::InstallLeftShiftTracker(&app);                                                                            \
        TestClass test;                                                                                                \
        return QTest::qExec(&test, argc, argv);                                                                        \
    }
