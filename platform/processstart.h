#pragma once

#include <QtGlobal>

// When this process started, in milliseconds since the epoch (now, where the
// system cannot tell).
qint64 ProcessStartMSecsSinceEpoch();

// The wall clock in microseconds since the epoch: finer than the process's
// start time, for timing a launch from outside.
qint64 WallClockMicroseconds();
