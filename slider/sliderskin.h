#pragma once

#include "slidermath.h"

#include <QImage>

// The ten images a slider is painted from. Each slider owns its own copies,
// because the groove pixels of some of them are recoloured at run time.
struct SliderSkin
{
    QImage PicLeft;       // left end cap, horizontal
    QImage PicRight;      // right end cap, horizontal
    QImage PicFullFill;   // selected track strip, horizontal
    QImage PicEmptyFill;  // empty track strip, horizontal (groove rows 6-12)
    QImage PicHandle;     // handle, horizontal
    QImage PicUp;         // top end cap, vertical
    QImage PicDown;       // bottom end cap, vertical
    QImage PicFullFill2;  // filled strip, vertical (groove columns 6-12)
    QImage PicEmptyFill2; // empty strip, vertical (groove columns 6-12)
    QImage PicHandle2;    // handle, vertical

    // The skin compiled into the program, as opaque 32-bit images.
    static SliderSkin builtIn();

    // Sizes read from the images, never from constants.
    SkinMetrics metrics() const;

    // True when every image loaded.
    bool isComplete() const;
};
