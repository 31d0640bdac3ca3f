#pragma once

#include <QString>
#include <QtGlobal>

// Time text for exact marks, which sit at a frame's presentation time and are
// kept to the millisecond.

// Seconds to whole milliseconds: rounded to the microsecond first, so that a
// decimal half such as 13.4795 (stored a hair below it) goes up, then to the
// nearest millisecond, halves away from zero. NaN gives 0; values beyond
// about 292 years clamp.
qint64 RoundMilliseconds(double seconds);

// "hh:mm:ss.mmm" for a position in seconds, rounded as RoundMilliseconds
// rounds it: 13.4795 gives "00:00:13.480", 59.9996 gives "00:01:00.000".
// Hours take at least two digits and are unbounded. A negative position, which
// the window never passes, gives the text of its size after a "-".
QString FormatExactTime(double seconds);
