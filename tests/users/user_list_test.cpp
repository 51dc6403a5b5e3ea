// The list operations behind the editor's checks, the manager's filter, order, line format and list model,
// and the editor's card number forms and rules.

#include "base/errors.h"
#include "base/text_file.h"
#include "user_records.h"
#include "users/card_number.h"
#include "users/user_list.h"
#include "users/user_list_model.h"
#include "users/user_view.h"

#include <QAbstractItemModelTester>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTest>

using namespace qtx;
using qtx::test::MakeUser;

namespace {

QStringList Names(const UserList& users, const std::vector<qsizetype>& shown)
{
    QStringList names;
    for (const qsizetype i : shown)
        names << FromCp1250(users[static_cast<std::size_t>(i)].name);
    return names;
}

std::vector<qsizetype> Shown(const UserList& users, FilterCategory category, const QString& text)
{
    return FilterUsers(users, ViewFilter{true, category, text});
}

} // namespace

class UserListTest : public QObject {
    Q_OBJECT

private slots:
    void freeIds()
    {
        UserList users{MakeUser("0001", 0, "1", "a"), MakeUser("0003", 0, "2", "b"), MakeUser("0002", 5, "", "c")};
        QCOMPARE(FindFreeId(users), QString("0004"));
        users.push_back(MakeUser("x07", 0, "", "odd ID"));
        users[1].id = "0005";
        QCOMPARE(FindFreeId(users), QString("0003"));

        UserList full;
        for (int n = 1; n <= 9999; ++n)
            full.push_back(MakeUser(QByteArray::number(n).rightJustified(4, '0').constData(), 0, "", "u"));
        QVERIFY(FindFreeId(full).isEmpty());
        full.erase(full.begin() + 4711);
        QCOMPARE(FindFreeId(full), QString("4712"));
    }

    void ownersOfCardsAndPins()
    {
        UserList users{MakeUser("0001", 0, "1234", "admin", 'a'), MakeUser("0002", 786777, "4821", "Anna"),
                       MakeUser("0002", 786778, "4821", "Anna"), MakeUser("0003", 786777, "", "copy")};
        QCOMPARE(IndexOfId(users, "0002"), qsizetype(1));
        QCOMPARE(IndexOfId(users, "002"), qsizetype(-1));
        // No ID yet: every record counts.
        QCOMPARE(FindCardOwner(users, u"0000786777", -1), qsizetype(1));
        // The ID's own records do not count: another card record of Anna may repeat her card.
        QCOMPARE(FindCardOwner(users, u"786777", 1), qsizetype(3));
        QCOMPARE(FindCardOwner(users, u"786778", 1), qsizetype(-1));
        QCOMPARE(FindCardOwner(users, u"0000000000", -1), qsizetype(-1));
        QCOMPARE(FindCardOwner(users, u"abc", -1), qsizetype(-1));
        QCOMPARE(FindPinOwner(users, "4821", 0), qsizetype(1));
        QCOMPARE(FindPinOwner(users, "4821", 2), qsizetype(-1));
        QCOMPARE(FindPinOwner(users, "", -1), qsizetype(-1));
        QVERIFY_THROWS_EXCEPTION(ListIndexError, FindCardOwner(users, u"1", 4));

        SetPinForId(users, 2, "99");
        QCOMPARE(users[1].pin, QByteArray("99"));
        QCOMPARE(users[2].pin, QByteArray("99"));
        QCOMPARE(users[0].pin, QByteArray("1234"));
        QVERIFY_THROWS_EXCEPTION(ListIndexError, SetPinForId(users, -1, "1"));
    }

    void filter()
    {
        const UserList users{MakeUser("0001", 0, "1", "admin", 'a'), MakeUser("0012", 12 * 65536 + 345, "", "Gate 2"),
                             MakeUser("0003", 0x10000 + 7, "", "LATE SHIFT"), MakeUser("0004", 0, "", "Łucja Żak", 'a'),
                             MakeUser("0005", 0, "", "Marek")};
        QCOMPARE(Names(users, Shown(users, FilterCategory::Name, "ate")), QStringList({"Gate 2", "LATE SHIFT"}));
        QCOMPARE(Names(users, Shown(users, FilterCategory::Name, "żAK")), QStringList({"Łucja Żak"}));
        QCOMPARE(Names(users, Shown(users, FilterCategory::ShortCardNumber, "34")), QStringList({"Gate 2"}));
        QCOMPARE(Names(users, Shown(users, FilterCategory::ShortCardNumber, "00345")), QStringList());
        QCOMPARE(Names(users, Shown(users, FilterCategory::Id, "01")), QStringList({"admin", "Gate 2"}));
        QCOMPARE(Names(users, Shown(users, FilterCategory::Administrator, "whatever")),
                 QStringList({"admin", "Łucja Żak"}));
        // Off, or on with an empty search text: everything.
        QCOMPARE(Shown(users, FilterCategory::Name, "").size(), users.size());
        QCOMPARE(FilterUsers(users, ViewFilter{false, FilterCategory::Administrator, ""}).size(), users.size());
    }

    void progressMovesOnlyWhenItsPercentageChanges()
    {
        UserList users(250, MakeUser("0001", 0, "", "x"));
        QList<int> steps;
        FilterUsers(users, ViewFilter{true, FilterCategory::Name, "x"}, [&steps](int p) { steps << p; });
        QCOMPARE(steps.size(), 100);
        QCOMPARE(steps.first(), 1);
        QCOMPARE(steps.last(), 100);
        steps.clear();
        FilterUsers(UserList(3, users[0]), ViewFilter{true, FilterCategory::Name, "x"},
                    [&steps](int p) { steps << p; });
        QCOMPARE(steps, QList<int>({33, 66, 100}));
    }

    // The order of the neighbour-exchange sort: collation order, case-sensitive, ties in file order.
    void sortMatchesExchangeSort()
    {
        QLocale::setDefault(QLocale(QLocale::Polish, QLocale::Poland));
        const QCollator collator = UserCollator();
        // Locale order, not code points: Ł sorts with L, before M.
        QVERIFY(collator.compare(u"Łukasz", u"Marek") < 0);
        const QStringList pool{"anna", "Anna", "ANNA", "Łukasz", "Lukasz", "łza", "Żaneta", "zofia", "Ćma",
                               "cma",  "Ewa",  "ewa",  "",       "10",     "9",   "Ąb",     "ab"};
        QRandomGenerator generator(2025);
        auto* random = &generator;
        for (int round = 0; round < 20; ++round) {
            UserList users;
            for (int i = 0; i < 60; ++i)
                users.push_back(MakeUser(QByteArray::number(random->bounded(1, 40)).rightJustified(4, '0').constData(),
                                         i, "", pool[random->bounded(static_cast<int>(pool.size()))]));
            for (const SortOrder order : {SortOrder::ByName, SortOrder::ById}) {
                std::vector<qsizetype> expected(users.size());
                std::iota(expected.begin(), expected.end(), 0);
                auto key = [&](qsizetype i) {
                    const CUser& u = users[static_cast<std::size_t>(i)];
                    return FromCp1250(order == SortOrder::ByName ? u.name : u.id);
                };
                for (bool exchanged = true; exchanged;) {
                    exchanged = false;
                    for (std::size_t k = 0; k + 1 < expected.size(); ++k)
                        if (collator.compare(key(expected[k]), key(expected[k + 1])) > 0) {
                            std::swap(expected[k], expected[k + 1]);
                            exchanged = true;
                        }
                }
                std::vector<qsizetype> shown(users.size());
                std::iota(shown.begin(), shown.end(), 0);
                SortView(users, shown, order, collator);
                QCOMPARE(shown, expected);
            }
        }
        QLocale::setDefault(QLocale::c());
    }

    void lineColumns()
    {
        const CUser admin = MakeUser("0001", 0, "1234", "admin", 'a');
        const QString line = UserLine(admin, false, "EXISTS");
        QCOMPARE(line, QString("0001          EXISTS        000,00000          admin (administrator)"));
        QCOMPARE(line.indexOf("EXISTS"), 14);
        QCOMPARE(line.indexOf("000,00000"), 28);
        QCOMPARE(line.indexOf("admin"), 47);
        QCOMPARE(UserLine(admin, true, "EXISTS").mid(14, 4), QString("1234"));
        const CUser plain = MakeUser("0002", 12 * 65536 + 345, "", "Wiśniewska", 'x');
        QCOMPARE(UserLine(plain, false, "EXISTS"),
                 QString("0002                        012,00345          Wiśniewska"));
        // A field longer than its column pushes the rest right; nothing is cut.
        QCOMPARE(UserLine(admin, false, QString(20, 'E')).indexOf("000,00000"), 34);
        // The decoding table: Polish letters, and a byte the code page leaves undefined still one character.
        QCOMPARE(FromCp1250("\x8c\x9c\xa3\xb3\xaf\xbf"), QString("ŚśŁłŻż"));
        QCOMPARE(FromCp1250("\x81z").size(), 2);
    }

    // The manager's list model: one reset per rebuild, lines in view order, the PIN display
    // changing the lines shown, and a record gone before the rebuild showing nothing.
    void listModel()
    {
        UserList users{MakeUser("0002", 5, "12", "Zofia"), MakeUser("0001", 0, "34", "Adam", 'a'),
                       MakeUser("0003", 0, "", "Zenon")};
        UserListModel model(users);
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
        model.Rebuild(ViewFilter{true, FilterCategory::Name, "z"}, SortOrder::ByName, UserCollator());
        QCOMPARE(resets.size(), 1);
        QCOMPARE(model.ShownUsers(), (std::vector<qsizetype>{2, 0}));
        QCOMPARE(model.RowOf(0), 1);
        QCOMPARE(model.RowOf(1), -1);
        QCOMPARE(model.index(1).data().toString(), UserLine(users[0], false, QString()));
        model.SetPinDisplay(true, "EXISTS");
        QCOMPARE(model.index(1).data().toString().mid(14, 2), QString("12"));
        users.pop_back();
        QVERIFY(!model.index(0).data().isValid());
        model.Clear();
        QCOMPARE(model.rowCount(), 0);
    }

    void cardNumberForms()
    {
        QCOMPARE(ShowFullCardNumber(0), QString("0000000000"));
        QCOMPARE(ShowFullCardNumber(12345678901), QString("0012345678901"));
        QCOMPARE(ShowFullCardNumber(99999999999999), QString("9999999999999"));
        QCOMPARE(ShowFullCardNumber(-1), QString("9999999999999"));
        QCOMPARE(ShowFacility(300), QString("255"));
        QCOMPARE(ShowFacility(-4), QString("000"));
        QCOMPARE(ShowShortNumber(70000), QString("65535"));
        QCOMPARE(ShowCardHex(0), QString("00  00  00  00  00  00  00  00"));
        QCOMPARE(ShowCardHex(-2), QString("FF  FF  FF  FF  FF  FF  FF  FE"));
        QCOMPARE(WithFacility(0, 300), std::int64_t{16711680});
        QCOMPARE(WithShortNumber(WithFacility(0xFFFFFF, 12), 345), std::int64_t{786777});
        QCOMPARE(ReadNumberField(u"12a"), std::int64_t{0});
    }

    void pinAndIdRules()
    {
        QVERIFY(PinRuleHolds(u""));
        QVERIFY(PinRuleHolds(u"1234567"));
        QVERIFY(!PinRuleHolds(u"12345678"));
        QVERIFY(!PinRuleHolds(u"12a4"));
        QVERIFY(IdIsValid(u"0001"));
        QVERIFY(IdIsValid(u"9999"));
        for (const char16_t* bad : {u"0000", u"001", u"00001", u"12a4", u"+001", u" 001", u"-001"})
            QVERIFY2(!IdIsValid(bad), QString::fromUtf16(bad).toUtf8());
        // A line break would end the record in USERS.txt.
        QCOMPARE(NameFromInput("\r\nJan\r\n\nKowalski\n"), QByteArray("Jan Kowalski"));
        QCOMPARE(NameFromInput("Łucja"), QByteArray("\xa3ucja"));
        QCOMPARE(PaddedId("5"), QString("0005"));
        QCOMPARE(PaddedId(""), QString("0000"));
    }
};

QTEST_GUILESS_MAIN(UserListTest)
#include "user_list_test.moc"
