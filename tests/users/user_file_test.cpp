// USERS.txt: the record layout, the lone-CR rule in names, PIN coding, the round trip, the
// default file, truncated files and failing reads and writes.

#include "base/errors.h"
#include "users/pin_code.h"
#include "users/user.h"

#include <QDir>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

using namespace qtx;

namespace {

QByteArray Card(std::int64_t card)
{
    QByteArray bytes;
    for (int i = 0; i < 8; ++i)
        bytes += static_cast<char>((static_cast<std::uint64_t>(card) >> (8 * i)) & 0xFF);
    return bytes;
}

// A byte standing for the digit, as the table gives it.
char PinByte(int digit)
{
    for (std::size_t b = 1; b < 256; ++b)
        if (PinCodeTable[b] == digit)
            return static_cast<char>(b);
    return 0;
}

QByteArray Record(std::int64_t card, const QByteArray& id, char kind, const QByteArray& pinDigits,
                  const QByteArray& name, char separator = '\0')
{
    QByteArray pin;
    for (const char c : pinDigits)
        pin += PinByte(c - '0');
    return Card(card) + id + kind + separator + pin + '\0' + name + "\r\n";
}

// The file image with every PIN byte replaced by its digit, so images with different random
// choices compare equal when they stand for the same PINs.
QByteArray WithPinDigits(const QByteArray& image)
{
    QByteArray out = image;
    for (qsizetype p = 0; p < out.size();) {
        p += 14;
        for (; p < out.size() && out[p] != '\0'; ++p)
            out[p] = static_cast<char>('0' + DecodePinByte(static_cast<std::uint8_t>(out[p])));
        p = out.indexOf("\r\n", p) + 2;
    }
    return out;
}

} // namespace

class UserFileTest : public QObject {
    Q_OBJECT

private slots:
    void emptyFileIsEmptyList()
    {
        QVERIFY(ParseUserBytes(QByteArray()).empty());
        QCOMPARE(UserFileBytes({}), QByteArray());
    }

    void recordFields()
    {
        const QByteArray data = Record(0x0123456789AB, "0042", 'a', "90210", "Jan Kami\xf1ski", '\x7f')
                                + Record(-2, "0043", 'u', "", "Ewa");
        const UserList users = ParseUserBytes(data);
        QCOMPARE(users.size(), std::size_t{2});
        QCOMPARE(users[0].card, std::int64_t{0x0123456789AB});
        QCOMPARE(users[0].id, QByteArray("0042"));
        QCOMPARE(users[0].kind, std::uint8_t{'a'});
        QCOMPARE(users[0].pin, QByteArray("90210"));
        QCOMPARE(users[0].name, QByteArray("Jan Kami\xf1ski"));
        QCOMPARE(users[1].card, std::int64_t{-2});
        QVERIFY(users[1].pin.isEmpty());
        QCOMPARE(users[1].name, QByteArray("Ewa"));
        // An empty PIN is the kind byte, the separator and the PIN end, then the name.
        QCOMPARE(UserFileBytes({users[1]}), Card(-2) + "0043u" + '\0' + '\0' + "Ewa\r\n");
    }

    void loneCarriageReturnInName_data()
    {
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<QByteArray>("name");
        QTest::newRow("dropped before a byte") << QByteArray("Ga\rte") << QByteArray("Gate");
        QTest::newRow("byte after it is not tested") << QByteArray("a\r\rb") << QByteArray("a\rb");
        QTest::newRow("CR CR LF keeps the LF") << QByteArray("a\r\r\nb") << QByteArray("a\r\nb");
        QTest::newRow("lone LF kept") << QByteArray("a\nb") << QByteArray("a\nb");
    }

    void loneCarriageReturnInName()
    {
        QFETCH(QByteArray, stored);
        QFETCH(QByteArray, name);
        const UserList users =
            ParseUserBytes(Card(0) + "0001u" + '\0' + '\0' + stored + "\r\n" + Record(5, "0002", 'u', "1", "x"));
        QCOMPARE(users.size(), std::size_t{2});
        QCOMPARE(users[0].name, name);
        QCOMPARE(users[1].id, QByteArray("0002"));
    }

    void roundTripKeepsBytesButPinCodesAndSeparator()
    {
        const QByteArray original = Record(786777, "0002", 'u', "4821", "Anna", '\x55')
                                    + Record(1, "0002", 'u', "4821", "Anna") + // a second card of one user
                                    Record(0, "0003", 'x', "", "odd kind")
                                    + Record(0, "0004", 'a', "0000000", "\xa3\xf3\x64\x9f");
        const UserList users = ParseUserBytes(original);
        QCOMPARE(users.size(), std::size_t{4});
        QCOMPARE(users[2].kind, std::uint8_t{'x'});
        const QByteArray written = UserFileBytes(users);
        QByteArray expected = original;
        expected[13] = '\0'; // the separator is written as 0x00
        QCOMPARE(written.size(), expected.size());
        QCOMPARE(WithPinDigits(written), WithPinDigits(expected));
        QCOMPARE(ParseUserBytes(written), users);
    }

    void pinCoding()
    {
        int perDigit[10] = {};
        for (std::size_t b = 1; b < 256; ++b)
            ++perDigit[PinCodeTable[b]];
        for (const int count : perDigit)
            QVERIFY(count >= 21 && count <= 29);
        QCOMPARE(EncodePinDigit(10), std::uint8_t{0});
        QCOMPARE(EncodePinDigit(255), std::uint8_t{0});
        // Every byte standing for a digit gets drawn, and only those.
        for (std::uint8_t d = 0; d <= 9; ++d) {
            QSet<int> drawn;
            for (int i = 0; i < 2000; ++i) {
                const std::uint8_t b = EncodePinDigit(d);
                QVERIFY(b != 0);
                QCOMPARE(DecodePinByte(b), d);
                drawn.insert(b);
            }
            QCOMPARE(drawn.size(), perDigit[d]);
        }
    }

    void defaultUserFile()
    {
        const QByteArray bytes = DefaultUserFileBytes();
        QCOMPARE(bytes.size(), 28);
        const UserList users = ParseUserBytes(bytes);
        QCOMPARE(users.size(), std::size_t{1});
        QCOMPARE(users[0].card, std::int64_t{0});
        QCOMPARE(users[0].id, QByteArray("0001"));
        QVERIFY(users[0].IsAdministrator());
        QCOMPARE(users[0].pin, QByteArray(6, static_cast<char>('0' + DecodePinByte(DefaultPinByte))));
        QCOMPARE(users[0].name, QByteArray("admin"));
    }

    // A file cut anywhere: the reader stops at the end; a record cut in its card, ID or kind is
    // dropped, one cut later is kept with what it holds.
    void truncatedFile()
    {
        const QByteArray first = Record(7, "0001", 'a', "12", "admin");
        const QByteArray whole = first + Record(786777, "0002", 'u', "345", "Anna");
        for (qsizetype cut = 0; cut <= whole.size(); ++cut) {
            const UserList users = ParseUserBytes(whole.left(cut));
            const qsizetype inSecond = cut - first.size();
            const std::size_t expected = cut < 13 ? 0 : inSecond < 13 ? 1 : 2;
            QCOMPARE(users.size(), expected);
            if (expected == 2) {
                const CUser& u = users[1];
                QCOMPARE(u.card, std::int64_t{786777});
                QVERIFY(QByteArray("345").startsWith(u.pin));
                QVERIFY(QByteArray("Anna").startsWith(u.name));
            }
        }
        const UserList kept = ParseUserBytes(whole.left(whole.size() - 2));
        QCOMPARE(kept.back().name, QByteArray("Anna"));
        QCOMPARE(UserFileBytes(kept).size(), whole.size());
    }

    void cardText_data()
    {
        QTest::addColumn<qint64>("card");
        QTest::addColumn<QString>("text");
        QTest::newRow("no card") << qint64(0) << "000,00000";
        QTest::newRow("facility 12, number 345") << qint64(12 * 65536 + 345) << "012,00345";
        QTest::newRow("largest parts") << qint64(0xFFFFFF) << "255,65535";
        QTest::newRow("high bits hidden") << qint64(0x7A00000C0159) << "012,00345";
        QTest::newRow("negative") << qint64(-1) << "255,65535";
    }

    void cardText()
    {
        QFETCH(qint64, card);
        QFETCH(QString, text);
        CUser u;
        u.card = card;
        QCOMPARE(u.CardText(), text);
    }

    void fileErrors()
    {
        QVERIFY_THROWS_EXCEPTION(FileError, ReadUserFile(QStringLiteral("/nonexistent/USERS.txt")));
        QTemporaryDir dir;
        const UserList users = ParseUserBytes(Record(0, "0001", 'a', "1", "admin"));
        QVERIFY_THROWS_EXCEPTION(FileError, WriteUserFile(users, dir.filePath(QStringLiteral("gone/"))));
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("USERS.txt")));
        QVERIFY_THROWS_EXCEPTION(FileError, ReadUserFile(dir.filePath(QStringLiteral("USERS.txt"))));
        QVERIFY_THROWS_EXCEPTION(FileError, WriteUserFile(users, dir.path() + QLatin1Char('/')));
        QVERIFY(QDir(dir.path()).rmdir(QStringLiteral("USERS.txt")));
        WriteUserFile(users, dir.path() + QLatin1Char('/'));
        QCOMPARE(ReadUserFile(dir.filePath(QStringLiteral("USERS.txt"))), users);
    }
};

QTEST_APPLESS_MAIN(UserFileTest)
#include "user_file_test.moc"
