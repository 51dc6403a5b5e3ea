#pragma once
// The command line of qtx-recorder-sim.

#include "recorder.h"

#include <QString>
#include <QStringList>

namespace qtx::sim {

struct Options {
    QString card;
    RecorderSettings settings;
    int com = 99;
    bool verbose = false;
    bool talkNmea = false; // not a recorder at all: a GPS receiver on the port
    bool help = false;
    bool version = false;
};

// Reads the arguments (without the program name); raises FormatError naming what is wrong.
Options ParseOptions(const QStringList& arguments);

QString HelpText();

} // namespace qtx::sim
