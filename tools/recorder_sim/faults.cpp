#include "faults.h"

#include "base/errors.h"

#include <QByteArray>
#include <QStringList>

namespace qtx::sim {

namespace {

int ReadCount(const QString& item, const QString& value, int minimum)
{
    QString digits = value;
    if (item == QLatin1String("silence-ms") && digits.endsWith(QLatin1String("ms")))
        digits.chop(2);
    bool ok = false;
    const int n = digits.toInt(&ok);
    if (!ok || n < minimum)
        throw FormatError(
            QStringLiteral("--fault: \"%1=%2\" needs a whole number of at least %3").arg(item, value).arg(minimum));
    return n;
}

// One generator per fault kind; seed_seq is fully specified, so every library gives the same stream.
std::mt19937_64 Generator(quint64 seed, unsigned kind)
{
    std::seed_seq sequence{static_cast<unsigned>(seed & 0xFFFFFFFFu), static_cast<unsigned>(seed >> 32), kind};
    return std::mt19937_64(sequence);
}

} // namespace

FaultPlan ParseFaultList(const QString& text, FaultPlan plan)
{
    const QStringList items = text.split(QLatin1Char(','), Qt::SkipEmptyParts);
    if (items.isEmpty())
        throw FormatError(QStringLiteral("--fault: empty fault list"));
    for (const QString& raw : items) {
        const QString entry = raw.trimmed();
        const qsizetype eq = entry.indexOf(QLatin1Char('='));
        if (eq <= 0)
            throw FormatError(QStringLiteral("--fault: \"%1\" is not KIND=N").arg(entry));
        const QString kind = entry.left(eq);
        const QString value = entry.mid(eq + 1);
        if (kind == QLatin1String("corrupt"))
            plan.corruptEvery = ReadCount(kind, value, 0);
        else if (kind == QLatin1String("lose-ack"))
            plan.loseAckEvery = ReadCount(kind, value, 0);
        else if (kind == QLatin1String("duplicate"))
            plan.duplicateEvery = ReadCount(kind, value, 0);
        else if (kind == QLatin1String("silence"))
            plan.silenceEvery = ReadCount(kind, value, 0);
        else if (kind == QLatin1String("silence-ms"))
            plan.silenceMs = ReadCount(kind, value, 1);
        else if (kind == QLatin1String("skip"))
            plan.skipEvery = ReadCount(kind, value, 0);
        else
            throw FormatError(QStringLiteral("--fault: unknown fault \"%1\"").arg(kind));
    }
    return plan;
}

QString DescribeFaults(const FaultPlan& plan)
{
    return QStringLiteral("corrupt=%1,lose-ack=%2,duplicate=%3,silence=%4,silence-ms=%5,skip=%6 (seed %7)")
        .arg(plan.corruptEvery)
        .arg(plan.loseAckEvery)
        .arg(plan.duplicateEvery)
        .arg(plan.silenceEvery)
        .arg(plan.silenceMs)
        .arg(plan.skipEvery)
        .arg(plan.seed);
}

FaultInjector::FaultInjector(const FaultPlan& plan)
    : plan_(plan),
      corrupt_{Generator(plan.seed, 1)},
      loseAck_{Generator(plan.seed, 2)},
      duplicate_{Generator(plan.seed, 3)},
      silence_{Generator(plan.seed, 4)},
      skip_{Generator(plan.seed, 6)},
      where_(Generator(plan.seed, 5))
{
}

bool FaultInjector::Draw(Stream& stream, int every, const std::set<int>& at)
{
    const bool placed = at.contains(stream.draws++);
    if (every <= 0)
        return placed;
    // Plain modulo rather than a distribution object: the standard leaves distributions
    // free to differ between libraries, and the same seed must give the same faults.
    return stream.generator() % static_cast<quint64>(every) == 0 || placed;
}

void FaultInjector::Corrupt(QByteArray& frame)
{
    if (frame.isEmpty())
        return;
    const auto at = static_cast<qsizetype>(where_() % static_cast<quint64>(frame.size()));
    const auto mask = static_cast<char>(1 + where_() % 255);
    frame[at] = static_cast<char>(frame[at] ^ mask);
}

} // namespace qtx::sim
