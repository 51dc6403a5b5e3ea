// The user editor's rules without the window: which check refuses an entry first, and the
// records a confirmed entry adds or changes.

#include "user_records.h"
#include "users/user_editor_rules.h"

#include <QTest>

using namespace qtx;
using namespace qtx::test;

namespace {

UserList Sample()
{
    return {MakeUser("0001", 0, "1234", "admin", 'a'), MakeUser("0002", 786777, "4821", "Anna Kowalska"),
            MakeUser("0002", 786778, "4821", "Anna Kowalska"), MakeUser("0003", 793131, "", "Piotr Nowak")};
}

} // namespace

class UserEditorRulesTest : public QObject {
    Q_OBJECT

private slots:
    // Each entry also fails every check after the one expected, so a check run too early shows.
    void firstFailingCheckRefuses()
    {
        using R = EntryRefusal;
        const QString invisible = QString::fromUtf8("Жук\u200B");
        const QList<std::tuple<UserEntry, R::Kind>> cases{
            {{"Kowalski, Jan", "0000", "12345678", "0000786777"}, R::PinRule},
            {{"Kowalski, Jan", "0000", "", "0000000000"}, R::NoPinOrCard},
            {{"Kowalski, Jan", "0000", "1234", "0000786777"}, R::CommaInName},
            {{invisible, "0000", "1234", "0000786777"}, R::NameCharacters},
            {{"Jan", "12a4", "1234", "0000786777"}, R::WrongId},
            {{"Jan", "0004", "1234", "0000786777"}, R::CardExists},
            {{"Jan", "0004", "1234", "0000000099"}, R::PinExists},
            {{"Anna", "0002", "4821", "0000786777"}, R::None}, // her own card and PIN
            {{"Jan", "0004", "", "0000000099"}, R::None},
        };
        const UserList users = Sample();
        for (const auto& [entry, kind] : cases)
            QCOMPARE(FirstRefusal(entry, users).kind, kind);
        QCOMPARE(FirstRefusal({invisible, "0004", "", "99"}, users).characters, (QStringList{"Ж", "у", "к", "U+200B"}));
    }

    void confirmedEntryBecomesRecords()
    {
        UserList users = Sample();
        // An empty name gets a made-up one.
        QCOMPARE(AddUserRecord(users, {"  ", "0004", "", "0000000042", true}), qsizetype(4));
        QCOMPARE(users[4], MakeUser("0004", 42, "", "Nowy uzytkownik (0004)", 'a'));

        // Another card of an existing user: the PIN goes to every record of the ID.
        QCOMPARE(AddUserRecord(users, {"Anna\r\nK.\r\n", "0002", "555", "0000786779"}), qsizetype(5));
        QCOMPARE(users[5], MakeUser("0002", 786779, "555", "Anna K."));
        QCOMPARE(users[1].pin + users[2].pin, QByteArray("555555"));

        // Editing keeps the ID and takes the name as it is, an empty one too.
        UpdateUserRecord(users, 3, {"", "9999", "77", "9999999999999", true});
        QCOMPARE(users[3], MakeUser("0003", 9999999999999, "77", "", 'a'));
        QCOMPARE(users.size(), std::size_t{6});
    }
};

QTEST_GUILESS_MAIN(UserEditorRulesTest)
#include "user_editor_rules_test.moc"
