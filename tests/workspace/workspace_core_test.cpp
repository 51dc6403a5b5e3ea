// Opening a workspace without any window: what each kind of folder gets written and asked, and
// a failing step that leaves the open workspace as it was.

#include "base/errors.h"
#include "lang/language_table.h"
#include "support/files.h"
#include "support/full_folder.h"
#include "support/scripted_dialogs.h"
#include "workspace/workspace.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <functional>

using namespace qtx;
using namespace qtx::test;

namespace {

QStringList Files(const QString& dir)
{
    return QDir(dir).entryList(QDir::Files, QDir::Name);
}

} // namespace

class WorkspaceCoreTest : public QObject {
    Q_OBJECT

    LanguageTable texts_;

private slots:
    void openingEachKindOfFolder()
    {
        struct Case {
            const char* name;
            std::function<void(const QString&)> prepare;
            bool picked;
            QList<int> answers;
            bool opens;
            int questions;
            int messages;
            QStringList files;
        };
        const QStringList card{"KONFOUT.TXT", "USERS.txt", "konfig.txt"};
        const auto foreign = [](const QString& dir) { WriteFileBytes(dir + "/notes.odt", "mine"); };
        const auto pending = [](const QString& dir) {
            WriteFileBytes(dir + "/KONFOUT.TXT", "DeviceID=D\r\n");
            WriteFileBytes(dir + "/konfig.txt", "DeviceID=E\r\n");
        };
        const QList<Case> cases{
            {"empty", [](const QString&) {}, true, {}, true, 0, 1, card},
            {"foreign, no", foreign, true, {ResultNo}, false, 1, 0, {"notes.odt"}},
            {"foreign, box closed", foreign, true, {}, false, 1, 0, {"notes.odt"}},
            {"foreign, yes", foreign, true, {ResultYes}, true, 1, 1, QStringList(card) << "notes.odt"},
            {"foreign, downloaded", foreign, false, {}, true, 0, 1, QStringList(card) << "notes.odt"},
            {"pending, kept", pending, true, {ResultNo}, true, 1, 0, card},
            {"pending, deleted", pending, true, {ResultYes}, true, 1, 0, {"KONFOUT.TXT", "USERS.txt"}},
        };
        for (const Case& c : cases) {
            ScriptedDialogs dialogs;
            dialogs.answers.append(c.answers);
            QTemporaryDir dir;
            c.prepare(dir.path());
            Workspace workspace(texts_);
            QCOMPARE(workspace.Open(dir.path(), c.picked), c.opens);
            QVERIFY2(workspace.IsOpen() == c.opens && workspace.OpenedBefore() == c.opens, c.name);
            QVERIFY2(dialogs.questions.size() == c.questions, c.name);
            QVERIFY2(dialogs.messages.size() == c.messages, c.name);
            QCOMPARE(Files(dir.path()), c.files);
            if (c.opens)
                QCOMPARE(workspace.Folder(), dir.path() + '/');
        }
    }

    void failingStepKeepsTheOpenWorkspace()
    {
        ScriptedDialogs dialogs;
        Workspace workspace(texts_);
        QTemporaryDir good;
        QVERIFY(workspace.Open(good.path(), true));

        // konfig.txt is a folder here: it can be neither deleted nor replaced.
        QTemporaryDir bad;
        QDir(bad.path()).mkdir("konfig.txt");
        for (int answer : {int(ResultYes), int(ResultNo)}) {
            dialogs.answers.enqueue(answer);
            QVERIFY_THROWS_EXCEPTION(FileError, static_cast<void>(workspace.Open(bad.path(), true)));
            QVERIFY(workspace.IsOpen());
            QCOMPARE(workspace.Folder(), good.path() + '/');
            QCOMPARE(workspace.Summary().folder, good.path() + '/');
        }
        QCOMPARE(Files(bad.path()), (QStringList{"KONFOUT.TXT", "USERS.txt"}));

        // A full disk: the default configuration is not said to be saved, and nothing is left.
        FullFolder full;
        WriteFileBytes(full.filePath("USERS.txt"), "");
        full.Fill();
        dialogs.Clear();
        QVERIFY_THROWS_EXCEPTION(FileError, static_cast<void>(workspace.Open(full.path(), false)));
        QVERIFY(dialogs.messages.isEmpty());
        QCOMPARE(full.Names(), QStringList{"USERS.txt"});
        QCOMPARE(workspace.Folder(), good.path() + '/');
    }
};

QTEST_GUILESS_MAIN(WorkspaceCoreTest)
#include "workspace_core_test.moc"
