#pragma once

#include <QString>

class PanelSlider;
class QWidget;
struct WindowServices;

// "major.minor.0.revision", as the About panel shows the version.
QString VersionLabel(int major, int minor, int revision);

// The About panel's part of the window: its button and Close, the version
// label, the help button and the two links.
void SetUpAboutPanel(QWidget &window, PanelSlider &panels, const WindowServices &services);
