#pragma once

#include <QByteArray>
#include <QSize>

// A decoded picture: rows of 32-bit 0xffRRGGBB pixels, laid out as QImage::Format_RGB32, so
// that the painting side wraps the bytes without a copy.
struct RgbImage
{
    QSize size;
    qsizetype stride = 0; // bytes per row
    QByteArray bytes;     // implicitly shared: copies are cheap

    bool isNull() const { return bytes.isEmpty(); }
    qsizetype sizeInBytes() const { return bytes.size(); }
};
