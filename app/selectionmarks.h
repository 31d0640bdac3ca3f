#pragma once

#include <QString>

class QLabel;
class Slider;

// The marked part lives on the slider (SelectStart, SelectEnd, in whole
// seconds); the two labels show it as time text.

// The text both mark labels show after a reset or a new load.
inline const QString kResetMarkText = QStringLiteral("00.00.00");

// Copy the slider's Value into the start (or end) mark and show it.
void MarkSelectionStart(Slider &slider, QLabel &lblStartSelect);
void MarkSelectionEnd(Slider &slider, QLabel &lblEndSelect);

// Both marks back to 0, both labels to "00.00.00".
void ResetSelection(Slider &slider, QLabel &lblStartSelect, QLabel &lblEndSelect);
