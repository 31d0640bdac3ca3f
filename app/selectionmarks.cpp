#include "selectionmarks.h"

#include "slider.h"
#include "timetext.h"

#include <QLabel>

void MarkSelectionStart(Slider &slider, QLabel &lblStartSelect)
{
    slider.SetSelectStart(slider.Value());
    lblStartSelect.setText(FormatTime(slider.Value()));
}

void MarkSelectionEnd(Slider &slider, QLabel &lblEndSelect)
{
    slider.SetSelectEnd(slider.Value());
    lblEndSelect.setText(FormatTime(slider.Value()));
}

void ResetSelection(Slider &slider, QLabel &lblStartSelect, QLabel &lblEndSelect)
{
    slider.SetSelectStart(0);
    slider.SetSelectEnd(0);
    lblStartSelect.setText(kResetMarkText);
    lblEndSelect.setText(kResetMarkText);
}
