#pragma once
// Line faults the simulated recorder injects, drawn reproducibly from a seed.

#include <QString>
#include <QtGlobal>

#include <random>

namespace qtx::sim {

// Which faults to inject and how often; an interval N means "1 in N", 0 means never.
struct FaultPlan {
    int corruptEvery = 0;   // data frames (sent or received) with one corrupted byte
    int loseAckEvery = 0;   // "{" answers during a download that the recorder ignores
    int duplicateEvery = 0; // download frames sent twice in a row
    int silenceEvery = 0;   // download frames held back before they go out
    int silenceMs = 150;    // how long such a frame is held back
    quint64 seed = 1;

    bool Any() const { return corruptEvery > 0 || loseAckEvery > 0 || duplicateEvery > 0 || silenceEvery > 0; }
};

// Reads a list such as "corrupt=50,lose-ack=50,duplicate=20,silence=30,silence-ms=150";
// raises FormatError naming the first item it cannot read. The seed is left as it was.
FaultPlan ParseFaultList(const QString& text, FaultPlan plan = {});

// A fault plan in the form ParseFaultList reads, for logs and help.
QString DescribeFaults(const FaultPlan& plan);

// Draws the faults. Every kind has its own generator seeded from the plan's seed, so the
// same seed gives the same faults, and switching one kind on does not move the others.
class FaultInjector {
public:
    explicit FaultInjector(const FaultPlan& plan);

    const FaultPlan& Plan() const { return plan_; }

    bool CorruptNext() { return Draw(corrupt_, plan_.corruptEvery); }
    bool LoseNextAck() { return Draw(loseAck_, plan_.loseAckEvery); }
    bool DuplicateNext() { return Draw(duplicate_, plan_.duplicateEvery); }
    bool SilenceBeforeNext() { return Draw(silence_, plan_.silenceEvery); }

    // Flips one byte of a frame: a position and a non-zero mask, both from the seed.
    void Corrupt(QByteArray& frame);

private:
    static bool Draw(std::mt19937_64& generator, int every);

    FaultPlan plan_;
    std::mt19937_64 corrupt_;
    std::mt19937_64 loseAck_;
    std::mt19937_64 duplicate_;
    std::mt19937_64 silence_;
    std::mt19937_64 where_;
};

} // namespace qtx::sim
