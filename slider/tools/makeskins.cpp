// Paints the built-in slider skin into PNG files: slider_makeskins <folder>.
// The vertical images are the horizontal ones turned a quarter anticlockwise,
// so the left cap becomes the bottom cap and the grooves stay on rows/columns 6-12.

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QTransform>

#include <cstdio>

namespace {

const QColor kLight(255, 192, 192);
const QColor kMedium(255, 128, 128);
const QColor kDark(128, 0, 0);
const QColor kGroove(255, 238, 238);
const QColor kGrooveShadow(236, 196, 196);

QImage blank(int w, int h)
{
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(kLight);
    return img;
}

// Track: border rows 5 and 13, groove rows 6-12 (recoloured at run time).
QImage emptyFill()
{
    QImage img = blank(1, 20);
    img.setPixelColor(0, 5, kDark);
    img.setPixelColor(0, 6, kGrooveShadow);
    for (int y = 7; y <= 12; ++y)
        img.setPixelColor(0, y, kGroove);
    img.setPixelColor(0, 13, kDark);
    return img;
}

// Selection: a slightly taller band than the track, so it reads at a glance.
QImage fullFill()
{
    QImage img = blank(1, 20);
    img.setPixelColor(0, 4, kDark);
    for (int y = 5; y <= 13; ++y) {
        const double t = (y - 5) / 8.0;
        img.setPixelColor(0, y, QColor(255, int(176 - t * 96), int(176 - t * 96)));
    }
    img.setPixelColor(0, 5, QColor(255, 210, 210));
    img.setPixelColor(0, 14, kDark);
    return img;
}

// End caps: rounded dark stops that close the track, with a soft highlight.
QImage cap(int width, bool left)
{
    QImage img = blank(width, 20);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal inset = 1.5;
    const qreal reach = width + 6; // the flat side runs off the image
    const QRectF body = left ? QRectF(inset, 4.5, reach, 10) : QRectF(-6, 4.5, width - inset + 6, 10);
    QLinearGradient shade(0, 4.5, 0, 14.5);
    shade.setColorAt(0, QColor(176, 40, 40));
    shade.setColorAt(1, kDark);
    p.setPen(QPen(QColor(96, 0, 0), 1));
    p.setBrush(shade);
    p.drawRoundedRect(body, 5, 5);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 160, 160, 150));
    const qreal dotX = left ? inset + 3.5 : width - inset - 5.5;
    p.drawEllipse(QRectF(dotX, 7, 2, 2));
    return img;
}

// Handle: a raised block with a dark rim and three grip lines.
QImage handle()
{
    QImage img(19, 10, QImage::Format_RGB32);
    QLinearGradient face(0, 0, 0, 10);
    face.setColorAt(0, QColor(255, 246, 246));
    face.setColorAt(0.5, QColor(255, 170, 170));
    face.setColorAt(1, kMedium);
    QPainter p(&img);
    p.fillRect(img.rect(), face);
    p.setPen(kDark);
    p.drawRect(0, 0, 18, 9);
    // Softened corners: a mix of rim and track colour.
    const QColor corner(190, 96, 96);
    for (const QPoint pt : {QPoint(0, 0), QPoint(18, 0), QPoint(0, 9), QPoint(18, 9)})
        img.setPixelColor(pt, corner);
    p.setPen(QColor(150, 30, 30));
    for (int x : {7, 9, 11})
        p.drawLine(x, 3, x, 6);
    return img;
}

QImage turned(const QImage &img)
{
    return img.transformed(QTransform().rotate(-90));
}

bool save(const QImage &img, const QDir &dir, const char *name)
{
    const QString path = dir.filePath(QString::fromLatin1(name));
    if (!img.convertToFormat(QImage::Format_RGB888).save(path, "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: slider_makeskins <folder>\n");
        return 2;
    }
    const QDir dir(QString::fromLocal8Bit(argv[1]));
    const QImage left = cap(11, true);
    const QImage right = cap(14, false);
    const QImage full = fullFill();
    const QImage empty = emptyFill();
    const QImage knob = handle();
    bool ok = save(left, dir, "picleft.png") && save(right, dir, "picright.png")
        && save(full, dir, "picfullfill.png") && save(empty, dir, "picemptyfill.png")
        && save(knob, dir, "pichandle.png") && save(turned(right), dir, "picup.png")
        && save(turned(left), dir, "picdown.png") && save(turned(full), dir, "picfullfill2.png")
        && save(turned(empty), dir, "picemptyfill2.png") && save(turned(knob), dir, "pichandle2.png");
    return ok ? 0 : 1;
}
