#pragma once
// Line faults the simulated recorder injects, drawn reproducibly from a seed.

#include <QString>
#include <QtGlobal>

#include <random>
#include <set>

namespace qtx::sim {

// Which faults to inject and how often; an interval N means "1 in N", 0 means never.
struct FaultPlan {
    int corruptEvery = 0;   // data frames (sent or received) with one corrupted byte
    int loseAckEvery = 0;   // "{" answers during a download that the recorder ignores
    int duplicateEvery = 0; // download frames sent twice in a row
    int silenceEvery = 0;   // download frames held back before they go out
    int silenceMs = 150;    // how long such a frame is held back
    int skipEvery = 0;      // download frames never sent: the recorder goes on to the next one
    quint64 seed = 1;

    // Draws of a kind (counted from 0) that are faults whatever the interval draws: a fault at
    // an exact place in a transfer.
    std::set<int> corruptAt;
    std::set<int> loseAckAt;
    std::set<int> duplicateAt;
    std::set<int> skipAt;

    bool Any() const
    {
        return corruptEvery > 0 || loseAckEvery > 0 || duplicateEvery > 0 || silenceEvery > 0 || skipEvery > 0
               || !corruptAt.empty() || !loseAckAt.empty() || !duplicateAt.empty() || !skipAt.empty();
    }
};

// Reads a list such as "corrupt=50,lose-ack=50,duplicate=20,silence=30,silence-ms=150,skip=400";
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

    bool CorruptNext() { return Draw(corrupt_, plan_.corruptEvery, plan_.corruptAt); }
    bool LoseNextAck() { return Draw(loseAck_, plan_.loseAckEvery, plan_.loseAckAt); }
    bool DuplicateNext() { return Draw(duplicate_, plan_.duplicateEvery, plan_.duplicateAt); }
    bool SilenceBeforeNext() { return Draw(silence_, plan_.silenceEvery, {}); }
    bool SkipNext() { return Draw(skip_, plan_.skipEvery, plan_.skipAt); }

    // Flips one byte of a frame: a position and a non-zero mask, both from the seed.
    void Corrupt(QByteArray& frame);

private:
    struct Stream {
        std::mt19937_64 generator;
        int draws = 0;
    };
    static bool Draw(Stream& stream, int every, const std::set<int>& at);

    FaultPlan plan_;
    Stream corrupt_;
    Stream loseAck_;
    Stream duplicate_;
    Stream silence_;
    Stream skip_;
    std::mt19937_64 where_;
};

} // namespace qtx::sim
