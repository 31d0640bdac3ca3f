#pragma once

#include <QImage>

// Share of pixels that are not (nearly) black.
inline double litShare(const QImage &image)
{
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    qint64 lit = 0;
    for (int y = 0; y < rgb.height(); ++y) {
        for (int x = 0; x < rgb.width(); ++x) {
            const QRgb p = rgb.pixel(x, y);
            if (qRed(p) + qGreen(p) + qBlue(p) > 30)
                ++lit;
        }
    }
    return rgb.isNull() ? 0.0 : double(lit) / (double(rgb.width()) * rgb.height());
}
