#pragma once

#include <QtGlobal>

class QWidget;

// The window's four colours, as Windows colour values (0x00BBGGRR):
// Light 255,192,192; Medium 255,128,128; Dark 128,0,0; Darkest 64,0,0.
struct ColorScheme
{
    qint32 Light = 12632319;
    qint32 Medium = 8421631;
    qint32 Dark = 128;
    qint32 Darkest = 64;
};

// Colours every control of window, each once, in the window's control order:
//  - framed panels except MyFrame1: body Light at the top left and bottom
//    left, Medium at the bottom right; border Dark; caption text Darkest;
//    header Medium at the top, Dark at the bottom;
//  - picture buttons: BackColor, BackColorDisabled, BackColorFocus,
//    BorderColor and ToolTipBackColor all Light;
//  - text boxes and drop-down lists: background Light (palette Base and
//    Button, and the property "BackColor");
//  - lists: background Light as text boxes, text Darkest, the selection
//    Dark;
//  - labels except lblWebSite and lblFFmpeg: text Darkest (palette
//    WindowText, and the property "ForeColor");
//  - lines: BorderColor Darkest.
// Anything else is left alone. Colours set through the property system can be
// read back by name; "BackColor" and "ForeColor" on standard widgets are
// dynamic properties that mirror the palette.
void ApplyColors(QWidget *window, const ColorScheme &scheme = {});
