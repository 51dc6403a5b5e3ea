// What a sync asks the recorder for, decided from the listed names and the local folder alone.

#include "base/text_file.h"
#include "link/sync.h"

#include <QTemporaryDir>
#include <QTest>

using namespace qtx;

class SyncPlanTest : public QObject {
    Q_OBJECT

private slots:
    void planFollowsTheLocalCopies()
    {
        QTemporaryDir local;
        for (const char* name : {"20250301.csv", "20250302.CSV", "20250303.csv", "KONFOUT.TXT", "LONGNAME.TEX"})
            WriteWholeFile(local.filePath(name), "1234");
        // Emptied by a save that failed on a full disk: an older day, but not complete.
        WriteWholeFile(local.filePath("20250302.CSV"), "");
        // Newer than anything on the card (another card's file): it must not count as the newest day.
        WriteWholeFile(local.filePath("20991231.csv"), "x");
        const QList<QByteArray> listed{"20250301.csv", "20250302.CSV", "20250303.csv", "20250304.csv",
                                       "KONFOUT.TXT",  "USERS.txt",    "SYSTEM",       "LONGNAME.TEXT"};
        struct Expected {
            QString name;
            SyncItem::Action action;
            qint64 localSize;
        };
        const QList<Expected> plain{
            {"20250301.csv", SyncItem::TakeAsComplete, 4}, {"20250302.CSV", SyncItem::Check, 0},
            {"20250303.csv", SyncItem::Check, 4},          {"20250304.csv", SyncItem::Fetch, -1},
            {"KONFOUT.TXT", SyncItem::Fetch, 4},           {"USERS.txt", SyncItem::Fetch, -1},
            {"LONGNAME.TEX", SyncItem::Check, 4}};
        for (const bool fullCheck : {false, true}) {
            const QList<SyncItem> plan = PlanSync(listed, local.path(), fullCheck);
            QCOMPARE(plan.size(), plain.size());
            for (qsizetype i = 0; i < plan.size(); ++i) {
                // A full check fetches every local file whole: a changed file may keep its size.
                const SyncItem::Action action = fullCheck ? SyncItem::Fetch : plain[i].action;
                QCOMPARE(plan[i].name, plain[i].name);
                QCOMPARE(plan[i].action, action);
                QCOMPARE(plan[i].localSize, plain[i].localSize);
            }
        }
    }

    void namesStoredAlikeAreRefusedAfterTheFirst()
    {
        const QList<QByteArray> listed{"../evil1.csv", "..\\evil3.csv",  "USERS.txt", "sub/USERS.txt",
                                       "REPORT.TXT",   "REPORT.TXT.OLD", "users.TXT"};
        const QList<SyncItem> plan = PlanDownload(listed);
        QCOMPARE(plan.size(), listed.size());
        const QList<QByteArray> takenBy{{}, "../evil1.csv", {}, "USERS.txt", {}, "REPORT.TXT", "USERS.txt"};
        for (qsizetype i = 0; i < plan.size(); ++i) {
            QCOMPARE(plan[i].listed, listed[i]);
            QCOMPARE(plan[i].action, takenBy[i].isEmpty() ? SyncItem::Fetch : SyncItem::Refuse);
            QCOMPARE(plan[i].takenBy, takenBy[i]);
        }
    }
};

QTEST_GUILESS_MAIN(SyncPlanTest)
#include "sync_plan_test.moc"
