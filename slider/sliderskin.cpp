#include "sliderskin.h"

#include <QString>

namespace {

QImage load(const char *name)
{
    QImage img(QStringLiteral(":/slider/skins/") + QLatin1String(name));
    // Opaque 32-bit: copies are plain pixel copies and set-pixel stays cheap.
    return img.isNull() ? img : img.convertToFormat(QImage::Format_RGB32);
}

} // namespace

// Outside any namespace, as Q_INIT_RESOURCE requires. The images live in a
// static library, whose resources are only linked in when referenced.
static void initSliderResources()
{
    Q_INIT_RESOURCE(sliderskins);
}

SliderSkin SliderSkin::builtIn()
{
    initSliderResources();
    SliderSkin s;
    s.PicLeft = load("picleft.png");
    s.PicRight = load("picright.png");
    s.PicFullFill = load("picfullfill.png");
    s.PicEmptyFill = load("picemptyfill.png");
    s.PicHandle = load("pichandle.png");
    s.PicUp = load("picup.png");
    s.PicDown = load("picdown.png");
    s.PicFullFill2 = load("picfullfill2.png");
    s.PicEmptyFill2 = load("picemptyfill2.png");
    s.PicHandle2 = load("pichandle2.png");
    return s;
}

SkinMetrics SliderSkin::metrics() const
{
    SkinMetrics m;
    m.lw = PicLeft.width();
    m.lh = PicLeft.height();
    m.rw = PicRight.width();
    m.hw = PicHandle.width();
    m.hhw = PicHandle.height();
    m.uw = PicUp.width();
    m.uh = PicUp.height();
    m.dw = PicDown.width();
    m.dh = PicDown.height();
    m.vw = PicHandle2.width();
    m.hh = PicHandle2.height();
    return m;
}

bool SliderSkin::isComplete() const
{
    for (const QImage *img : {&PicLeft, &PicRight, &PicFullFill, &PicEmptyFill, &PicHandle, &PicUp,
                              &PicDown, &PicFullFill2, &PicEmptyFill2, &PicHandle2}) {
        if (img->isNull())
            return false;
    }
    return true;
}
