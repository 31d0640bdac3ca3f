#pragma once

#include <QString>
#include <QtGlobal>

// Time text: whole seconds as hours, minutes and seconds joined by colons,
// each part at least two digits wide. Hours are unbounded (360000 gives
// "100:00:00"). The function never rounds; callers holding a fractional
// position convert it with RoundHalfEven first. A negative input, which the
// window never passes, keeps its sign on each non-zero part ("00:-01:-01")
// rather than wrapping.
QString FormatTime(qint32 seconds);

// Nearest whole number, an exact half to the even neighbour (2.5 gives 2,
// 3.5 gives 4). NaN gives 0; values beyond the 32-bit range give its bounds.
qint32 RoundHalfEven(double value);

// The texts that stand for "no time yet", each where the window shows it.
inline constexpr char kStartupTimeText[] = "00:00.00/00:00.00"; // lblTime as the window opens
inline constexpr char kZeroMarkText[] = "00:00:00";             // the marks as the window opens
inline const QString kLoadingTimeText = QStringLiteral("00:00/00:00"); // lblTime while a file loads
inline const QString kResetMarkText = QStringLiteral("00.00.00");      // the marks after a reset or a load
