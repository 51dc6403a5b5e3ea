// qtxctl users, run as a script runs it: one TAB-separated line per record, PINs hidden or
// shown, odd kind bytes in hex, and a missing list reported with exit status 1.

#include "base/text_file.h"
#include "support/qtxctl_process.h"
#include "users/user.h"

#include <QTemporaryDir>
#include <QTest>

using namespace qtx;

namespace {

struct Run {
    int status = -1;
    QString out;
    QString err;
};

Run Qtxctl(const QStringList& arguments)
{
    const qtx::test::QtxctlRun run = qtx::test::RunQtxctl(arguments);
    return {run.status, QString::fromUtf8(run.out), QString::fromUtf8(run.err)};
}

CUser User(const QByteArray& id, std::int64_t card, std::uint8_t kind, const QByteArray& pin, const QByteArray& name)
{
    CUser u;
    u.id = id;
    u.card = card;
    u.kind = kind;
    u.pin = pin;
    u.name = name;
    return u;
}

} // namespace

class UsersCommandTest : public QObject {
    Q_OBJECT

private slots:
    void listsRecords()
    {
        QTemporaryDir dir;
        WriteUserFile({User("0001", 0, 'a', "1234", "admin"), User("0002", 786777, 'u', "", "Anna Wi\x9cniewska"),
                       User("0003", -5, 0x07, "0", "\xa3ucja")},
                      dir.path() + QLatin1Char('/'));
        const Run run = Qtxctl({"users", dir.path()});
        QCOMPARE(run.status, 0);
        QCOMPARE(run.out, QString("0001\ta\t0\t000,00000\tEXISTS\tadmin\n"
                                  "0002\tu\t786777\t012,00345\t\tAnna Wiśniewska\n"
                                  "0003\t07\t-5\t255,65531\tEXISTS\tŁucja\n"));
        const Run pins = Qtxctl({"users", "--show-pins", dir.path()});
        QCOMPARE(pins.out.split('\n')[0], QString("0001\ta\t0\t000,00000\t1234\tadmin"));
        QCOMPARE(pins.out.split('\n')[2].section('\t', 4, 4), QString("0"));
    }

    void aMissingListIsAFailure()
    {
        QTemporaryDir dir;
        const Run missing = Qtxctl({"users", dir.path()});
        QCOMPARE(missing.status, 1);
        QVERIFY(missing.out.isEmpty());
        QVERIFY(missing.err.contains("Cannot open file"));
    }
};

QTEST_GUILESS_MAIN(UsersCommandTest)
#include "users_command_test.moc"
