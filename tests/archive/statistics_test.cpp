// Hits, users and presence time: the counting modes with their worked examples, the user filter,
// durations, the month figures and their cache, checked against the literal rules as well.

#include "archive/statistics.h"
#include "archive_test_data.h"
#include "reference_statistics.h"

#include <QRandomGenerator>
#include <QTest>

using namespace qtx;
using namespace qtx::test;

Q_DECLARE_METATYPE(qtx::CountingMode)

namespace {

const QDate May11(2021, 5, 11);
const PortNames InOut{"IN", "OUT"};

std::int32_t DayOf(QDate date)
{
    return static_cast<std::int32_t>(date.toJulianDay());
}

// "08:00 IN, 12:00 OUT" for one user into a store; a leading "!" marks a denied event and
// "NNNN/" a user number other than 0001.
void AddEvents(EventStore& store, const QString& events, QDate date = May11)
{
    for (const QString& item : events.split(QStringLiteral(", "), Qt::SkipEmptyParts)) {
        QString text = item;
        bool accepted = true;
        if (text.startsWith(QLatin1Char('!'))) {
            accepted = false;
            text.remove(0, 1);
        }
        QByteArray user = "0001";
        if (text.size() > 5 && text[4] == QLatin1Char('/')) {
            user = text.left(4).toLatin1();
            text.remove(0, 5);
        }
        const QStringList parts = text.split(QLatin1Char(' '));
        const QStringList hm = parts[0].split(QLatin1Char(':'));
        store.AppendLine(EventLine(user, hm[0].toInt(), hm[1].toInt(), 0, accepted, true, "d", parts[1].toLatin1()),
                         DayOf(date));
    }
}

DayFigures Figures(const QString& events, std::optional<CountingMode> mode, const PortNames& ports = InOut,
                   const UserFilter& filter = UserFilter::All())
{
    EventStore store;
    AddEvents(store, events);
    return ComputeDayFigures(store, May11, filter, mode, ports);
}

WorkList Work(const QString& roles)
{
    WorkList work;
    int t = 0;
    for (QChar c : roles)
        work.push_back(
            {t += 60, c == QLatin1Char('I') || c == QLatin1Char('B'), c == QLatin1Char('O') || c == QLatin1Char('B')});
    return work;
}

QString Roles(const WorkList& work)
{
    QString s;
    for (const Passage& p : work)
        s += p.entrance && p.exit ? 'B' : p.entrance ? 'I' : p.exit ? 'O' : '-';
    return s;
}

} // namespace

class StatisticsTest : public QObject {
    Q_OBJECT

private slots:
    void workedExamples_data()
    {
        QTest::addColumn<CountingMode>("mode");
        QTest::addColumn<QString>("events");
        QTest::addColumn<qint64>("seconds");
        const CountingMode daily = CountingMode::Daily;
        const CountingMode dayNight = CountingMode::DayNight;
        const CountingMode span = CountingMode::DailyIgnoreIoType;
        QTest::newRow("daily, two stays") << daily << "08:00 IN, 12:00 OUT, 13:00 IN, 17:30 OUT" << 30600LL;
        QTest::newRow("repeated entrance keeps the first") << daily << "08:00 IN, 08:05 IN, 17:00 OUT" << 32400LL;
        QTest::newRow("repeated exit keeps the last") << daily << "08:00 IN, 16:00 OUT, 17:00 OUT" << 32400LL;
        QTest::newRow("leading exit, trailing entrance dropped")
            << daily << "06:00 OUT, 08:00 IN, 16:00 OUT, 22:00 IN" << 28800LL;
        QTest::newRow("day/night counts to and from midnight")
            << dayNight << "06:00 OUT, 08:00 IN, 16:00 OUT, 22:00 IN" << 57600LL;
        QTest::newRow("day/night single entrance") << dayNight << "22:00 IN" << 7200LL;
        QTest::newRow("day/night single exit") << dayNight << "06:00 OUT" << 21600LL;
        QTest::newRow("daily single entrance") << daily << "22:00 IN" << 0LL;
        QTest::newRow("daily single exit") << daily << "06:00 OUT" << 0LL;
        QTest::newRow("ignore i/o type") << span << "07:10 OUT, 15:40 OUT" << 30600LL;
        QTest::newRow("ignore i/o type single event") << span << "07:10 IN" << 0LL;
        QTest::newRow("another port breaks the pairs") << daily << "08:00 IN, 09:00 BELL, 17:00 OUT" << 0LL;
        QTest::newRow("two users apart") << daily << "08:00 IN, 0002/09:00 IN, 16:00 OUT, 0002/10:00 OUT"
                                         << 28800LL + 3600LL;
        QTest::newRow("a user's night shift beside a day worker")
            << dayNight << "0008/06:00 OUT, 08:00 IN, 16:00 OUT, 0008/22:00 IN" << 21600LL + 28800LL + 7200LL;
        QTest::newRow("denied events are not there")
            << daily << "08:00 IN, !09:00 OUT, !10:00 IN, 12:00 OUT" << 14400LL;
    }
    void workedExamples()
    {
        QFETCH(CountingMode, mode);
        QFETCH(QString, events);
        QFETCH(qint64, seconds);
        QCOMPARE(Figures(events, mode).seconds, seconds);
    }

    void shownDurations()
    {
        QCOMPARE(Figures("08:00 IN, 12:00 OUT, 13:00 IN, 17:30 OUT", CountingMode::Daily).seconds, 30600);
        QCOMPARE(FormatDuration(30600), QString("8h, 30min"));
        QCOMPARE(FormatDuration(0), QString("0min"));
        QCOMPARE(FormatDuration(59), QString("0min"));
        QCOMPARE(FormatDuration(3600), QString("1h, 0min"));
        QCOMPARE(FormatDuration(90061), QString("25h, 1min"));
        QCOMPARE(FormatDuration(-90), QString("-1min"));
        QCOMPARE(FormatDuration(-3700), QString("-1h, -1min"));
        QCOMPARE(FormatDuration(std::int64_t(3) * 1000 * 1000 * 1000), QString("833333h, 20min"));
    }

    void portNamesThatMatchNothingPairByPosition()
    {
        const PortNames other{"Wej\x9c"
                              "cie g\xb3\xf3wne",
                              "Wyj\x9c"
                              "cie g\xb3\xf3wne"};
        for (CountingMode mode : {CountingMode::Daily, CountingMode::DayNight}) {
            QCOMPARE(Figures("08:00 IN, 12:00 OUT, 13:00 IN, 17:30 OUT", mode, other).seconds, 30600);
            QCOMPARE(Figures("08:00 OUT, 12:00 IN, 13:00 IN", mode, other).seconds, 0);
            QCOMPARE(Figures("08:00 OUT, 12:00 IN", mode, other).seconds, 4 * 3600);
        }
        // Names compare exactly: another letter case is another port.
        QCOMPARE(Figures("08:00 IN, 12:00 OUT", CountingMode::Daily, PortNames{"in", "out"}).seconds, 4 * 3600);
        QCOMPARE(Figures("12:00 OUT, 14:00 IN", CountingMode::Daily, PortNames{"IN", "OUT"}).seconds, 0);
    }

    void hitsAndUsers()
    {
        DayFigures f =
            Figures("08:00 IN, 0002/09:00 IN, 16:00 OUT, 0002/10:00 OUT, !0003/11:00 IN", CountingMode::Daily);
        QCOMPARE(f.hits, 4);
        QCOMPARE(f.users, 2);
        // Denied events never change hits, users or time.
        const DayFigures onlyDenied = Figures("!08:00 IN, !0002/17:00 OUT", CountingMode::DayNight);
        QCOMPARE(onlyDenied.hits, 0);
        QCOMPARE(onlyDenied.users, 0);
        QCOMPARE(onlyDenied.seconds, 0);
        // Without a counting mode there is no time, but hits and users stay.
        f = Figures("08:00 IN, 16:00 OUT", std::nullopt);
        QCOMPARE(f.hits, 2);
        QCOMPARE(f.seconds, 0);
        QVERIFY(!CountingModeAt(-1));
        QVERIFY(!CountingModeAt(3));
        QVERIFY(CountingModeAt(1) == CountingMode::DayNight);
    }

    void userFilterTakesTheFirstFourCharacters()
    {
        const QString events = "08:00 IN, 16:00 OUT, 0012/09:00 IN, 0012/10:00 OUT";
        DayFigures f = Figures(events, CountingMode::Daily, InOut, UserFilter::Number("0012 - Anna Kowalska"));
        QCOMPARE(f.hits, 2);
        QCOMPARE(f.users, 1);
        QCOMPARE(f.seconds, 3600);
        f = Figures(events, CountingMode::Daily, InOut, UserFilter::Number("0099"));
        QCOMPARE(f.hits, 0);
        QVERIFY(UserFilter::Number("0012") == UserFilter::Number("0012 - x"));
        QVERIFY(!(UserFilter::Number("0012") == UserFilter::All()));
        // The comparison is exact: a blank or a shorter text is another number.
        QCOMPARE(Figures(" 012/08:00 IN", std::nullopt, InOut, UserFilter::Number("012")).hits, 0);
        QCOMPARE(Figures(" 012/08:00 IN", std::nullopt, InOut, UserFilter::Number(" 012")).hits, 1);
    }

    void collapseRepeatsExamples()
    {
        const auto collapsed = [](const QString& roles) {
            WorkList w = Work(roles);
            CollapseRepeats(w);
            return Roles(w);
        };
        QCOMPARE(collapsed(""), QString(""));
        QCOMPARE(collapsed("I"), QString("I"));
        QCOMPARE(collapsed("IIIO"), QString("IO"));
        QCOMPARE(collapsed("IOOO"), QString("IO"));
        QCOMPARE(collapsed("I-I"), QString("I-I"));
        QCOMPARE(collapsed("OOIIOO"), QString("OIO"));
        // The kept entrance is the first and the kept exit the last.
        WorkList w = Work("IIOO");
        CollapseRepeats(w);
        QCOMPARE(w[0].seconds, 60);
        QCOMPARE(w[1].seconds, 240);
    }

    void collapseRepeatsAgreesWithTheLiteralRule()
    {
        QRandomGenerator random(7);
        const QString alphabet = "IO-B";
        for (int round = 0; round < 20000; ++round) {
            QString roles;
            const int n = random.bounded(12);
            for (int i = 0; i < n; ++i)
                roles += alphabet[random.bounded(4)];
            WorkList fast = Work(roles);
            WorkList literal = fast;
            CollapseRepeats(fast);
            LiteralCollapseRepeats(literal);
            QCOMPARE(Roles(fast), Roles(literal));
            for (std::size_t i = 0; i < fast.size(); ++i)
                QCOMPARE(fast[i].seconds, literal[i].seconds);
        }
    }

    void pairedAndSpanTimes()
    {
        QCOMPARE(PairedTime(Work("")), 0);
        QCOMPARE(PairedTime(Work("IOI")), 0);
        QCOMPARE(PairedTime(Work("OI--")), 120); // positions only
        QCOMPARE(SpanTime(Work("-")), 0);
        QCOMPARE(SpanTime(Work("-II")), 120);
        // Entrance and exit with one name: each event is both, the first is dropped as an exit.
        QCOMPARE(DailyTime(Work("BB")), 0);
        QCOMPARE(DayNightTime(Work("B")), 60);
    }

    void largeDaysAddUpWithoutOverflow()
    {
        // 6000 stays of the longest representable length: more than 2^31 seconds in one day.
        EventStore store;
        for (int i = 0; i < 6000; ++i) {
            store.AppendLine("0001, 2021-05-11, -9:-9:-9, 1k, d, IN,", DayOf(May11));
            store.AppendLine("0001, 2021-05-11, 99:99:99, 1k, d, OUT,", DayOf(May11));
        }
        const std::int64_t stay = 99 * 3600 + 99 * 60 + 99 + 9 * 3600 + 9 * 60 + 9;
        const MonthFigures m = ComputeMonthFigures(store, 2021, 5, UserFilter::All(), CountingMode::Daily, InOut);
        QCOMPARE(m.day[10].seconds, 6000 * stay);
        QCOMPARE(m.seconds, 6000 * stay);
        QCOMPARE(m.hits, 12000);
    }

    void monthFiguresCountOnlyTheShownMonth()
    {
        EventStore store;
        AddEvents(store, "08:00 IN, 16:00 OUT", QDate(2021, 4, 30));
        AddEvents(store, "08:00 IN, 12:00 OUT", QDate(2021, 5, 1));
        AddEvents(store, "08:00 IN, 09:00 OUT, 0002/10:00 IN", QDate(2021, 5, 31));
        AddEvents(store, "08:00 IN, 16:00 OUT", QDate(2021, 6, 1));
        const MonthFigures m = ComputeMonthFigures(store, 2021, 5, UserFilter::All(), CountingMode::Daily, InOut);
        QCOMPARE(m.days, 31);
        QCOMPARE(m.day[0].hits, 2);
        QCOMPARE(m.day[0].seconds, 4 * 3600);
        QCOMPARE(m.day[30].hits, 3);
        QCOMPARE(m.day[30].users, 2);
        QCOMPARE(m.day[30].seconds, 3600);
        QCOMPARE(m.hits, 5);
        QCOMPARE(m.seconds, 5 * 3600);
        const MonthFigures feb = ComputeMonthFigures(store, 2024, 2, UserFilter::All(), std::nullopt, InOut);
        QCOMPARE(feb.days, 29);
        QCOMPARE(feb.hits, 0);
    }

    void monthFiguresAgreeWithTheLiteralWalk()
    {
        QRandomGenerator random(11);
        const QList<QByteArray> ports{"IN", "OUT", "BELL", ""};
        const QList<QByteArray> users{"0001", "0002", "0003", "00"};
        for (int round = 0; round < 60; ++round) {
            EventStore store;
            // Files of a few days, some loaded out of date order.
            for (int file = 0; file < 6; ++file) {
                const QDate date(2021, 5, 1 + static_cast<int>(random.bounded(4)));
                const int lines = static_cast<int>(random.bounded(30));
                for (int i = 0; i < lines; ++i)
                    store.AppendLine(EventLine(users[random.bounded(4)], random.bounded(24), random.bounded(60),
                                               random.bounded(60), random.bounded(5) != 0, true, "d",
                                               ports[random.bounded(4)]),
                                     DayOf(date));
            }
            const PortNames names = random.bounded(5) == 0 ? PortNames{"IN", "IN"} : InOut;
            for (const UserFilter& filter : {UserFilter::All(), UserFilter::Number("0002")}) {
                for (std::optional<CountingMode> mode :
                     {std::optional<CountingMode>(), std::optional(CountingMode::Daily),
                      std::optional(CountingMode::DayNight), std::optional(CountingMode::DailyIgnoreIoType)}) {
                    const MonthFigures m = ComputeMonthFigures(store, 2021, 5, filter, mode, names);
                    for (int d = 1; d <= 31; ++d) {
                        const DayFigures expected = LiteralDayFigures(store, QDate(2021, 5, d), filter, mode, names);
                        const DayFigures& got = m.day[static_cast<std::size_t>(d - 1)];
                        QCOMPARE(got.hits, expected.hits);
                        QCOMPARE(got.users, expected.users);
                        QCOMPARE(got.seconds, expected.seconds);
                    }
                }
            }
        }
    }

    void cacheRecomputesOnlyWhatChanged()
    {
        EventStore store;
        AddEvents(store, "08:00 IN, 16:00 OUT");
        MonthFiguresCache cache;
        const auto get = [&](int month, const UserFilter& filter, std::optional<CountingMode> mode,
                             const PortNames& ports) { return cache.Get(store, 2021, month, filter, mode, ports); };
        QCOMPARE(get(5, UserFilter::All(), CountingMode::Daily, InOut).seconds, 8 * 3600);
        get(5, UserFilter::All(), CountingMode::Daily, InOut);
        QCOMPARE(cache.Computations(), 1);
        QCOMPARE(get(6, UserFilter::All(), CountingMode::Daily, InOut).hits, 0);
        QCOMPARE(get(5, UserFilter::Number("0002"), CountingMode::Daily, InOut).hits, 0);
        QCOMPARE(get(5, UserFilter::All(), CountingMode::DayNight, InOut).seconds, 8 * 3600);
        // With the names swapped the day is an exit at 8:00 and an entrance at 16:00.
        QCOMPARE(get(5, UserFilter::All(), CountingMode::DayNight, PortNames{"OUT", "IN"}).seconds, 16 * 3600);
        QCOMPARE(cache.Computations(), 5);
        AddEvents(store, "17:00 IN, 18:00 OUT");
        QCOMPARE(get(5, UserFilter::All(), CountingMode::DayNight, PortNames{"OUT", "IN"}).hits, 4);
        store.Clear();
        QCOMPARE(get(5, UserFilter::All(), CountingMode::DayNight, PortNames{"OUT", "IN"}).hits, 0);
        QCOMPARE(cache.Computations(), 7);
    }
};

QTEST_APPLESS_MAIN(StatisticsTest)
#include "statistics_test.moc"
