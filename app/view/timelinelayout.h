#pragma once

class QWidget;

// Makes room for the timeline band under the slider, or gives the window back the layout the
// table designs: the preview frame grows by the band, what lies below it moves down, and the
// window and the parked panels follow. band sits under the slider, shown or hidden with it.
void PlaceTimelineBand(QWidget &window, QWidget &band, bool shown);
