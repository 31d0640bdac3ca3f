#pragma once

#include <QtGlobal>

// When this process started, in milliseconds since the epoch (now, where the
// system cannot tell).
qint64 ProcessStartMSecsSinceEpoch();
