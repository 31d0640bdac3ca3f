// Renders the slider as the main window shows it (314 x 20 logical pixels),
// in both styles with a selection, to PNG files: slider_look <folder>.
// Also writes four-times enlarged copies for a close look at the pixels.

#include "slider.h"

#include <QApplication>
#include <QDir>

#include <cstdio>

namespace {

bool save(const QImage &img, const QDir &dir, const QString &name)
{
    const bool ok = img.save(dir.filePath(name + QStringLiteral(".png")))
        && img.scaled(img.size() * 4, Qt::IgnoreAspectRatio, Qt::FastTransformation)
               .save(dir.filePath(name + QStringLiteral("-x4.png")));
    if (!ok)
        std::fprintf(stderr, "cannot write %s\n", qPrintable(dir.filePath(name)));
    return ok;
}

void setUp(Slider &s)
{
    s.SetMin(0);
    s.SetMax(600);
    s.SetValue(240);
    s.SetSelectStart(150);
    s.SetSelectEnd(420);
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: slider_look <folder>\n");
        return 2;
    }
    const QDir dir(QString::fromLocal8Bit(argv[1]));

    Slider horizontal;
    horizontal.resize(314, 20);
    setUp(horizontal);
    bool ok = save(horizontal.surface(), dir, QStringLiteral("slider-horizontal"));

    Slider coloured;
    coloured.resize(314, 20);
    setUp(coloured);
    coloured.SetBackColor(0x8080FF); // the medium red of the window's scheme
    ok = save(coloured.surface(), dir, QStringLiteral("slider-horizontal-backcolor")) && ok;

    Slider vertical;
    vertical.resize(314, 20);
    setUp(vertical);
    vertical.SetStyle(1);
    ok = save(vertical.surface(), dir, QStringLiteral("slider-vertical")) && ok;
    return ok ? 0 : 1;
}
