#pragma once
// One event of the recorder's event files.

namespace qtx {

// One line of an event file.
struct CEvent {
    int hour = 0;
    int minute = 0;
    int second = 0;
    int SecondsOfDay() const;
};

} // namespace qtx
