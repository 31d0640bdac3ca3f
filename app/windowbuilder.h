#pragma once

class QWidget;

// Builds every control of the layout table into window, in row order: each
// with its objectName, caption, tool tip, geometry and what a screen reader
// hears, plus the type the table leaves to the window (headings, wrapping).
void BuildWindowControls(QWidget &window);
