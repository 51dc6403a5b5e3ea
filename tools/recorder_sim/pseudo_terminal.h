#pragma once
// The master side of a pseudo-terminal in raw mode, the simulated recorder's end of the cable.

#include <QByteArray>
#include <QString>

namespace qtx::sim {

// Opened at construction (raises FileError), closed at destruction; never blocks.
class PseudoTerminal {
public:
    PseudoTerminal();
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    int Master() const { return master_; }
    // The device the manager opens, such as /dev/pts/4.
    const QString& SlavePath() const { return slavePath_; }

    // Throws away bytes left in either direction (after the manager closed its end, so that
    // the next opening does not read the old transfer's tail).
    void Flush() const;

private:
    int master_ = -1;
    QString slavePath_;
};

} // namespace qtx::sim
