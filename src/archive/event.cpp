#include "archive/event.h"

namespace qtx {

int CEvent::SecondsOfDay() const
{
    return hour * 3600 + minute * 60 + second;
}

} // namespace qtx
