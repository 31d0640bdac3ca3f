#include "timelinelayout.h"

#include "controls.h"
#include "timelineband.h"
#include "twips.h"
#include "windowlayout.h"

using namespace Qt::StringLiterals;

void PlaceTimelineBand(QWidget &window, QWidget &band, bool shown)
{
    const int grow = shown ? TimelineBand::kHeightTwips : 0;
    const ControlSpec *frame = findControlSpec(u"MyFrame3");
    const ControlSpec *slider = findControlSpec(u"Slider");
    Q_ASSERT(frame && slider);
    const int frameBottom = frame->top + frame->height;
    // Every place from the table, so that turning the band off restores the design exactly.
    for (const ControlSpec &spec : windowLayout()) {
        if (!spec.container || qstrcmp(spec.container, "frMain") != 0)
            continue;
        QWidget *widget = window.findChild<QWidget *>(QString::fromLatin1(spec.name));
        if (!widget)
            continue;
        const int top = spec.top + (spec.top >= frameBottom ? grow : 0);
        const int height = spec.height + (&spec == frame ? grow : 0);
        if (auto *panel = qobject_cast<FramePanel *>(widget))
            panel->setTwipsGeometry(spec.left, top, spec.width, height);
        else
            widget->setGeometry(twipsToPixels(spec.left), twipsToPixels(top), twipsToPixels(spec.width),
                                twipsToPixels(spec.height));
    }
    band.setGeometry(twipsToPixels(slider->left), twipsToPixels(slider->top + slider->height),
                     twipsToPixels(slider->width), twipsToPixels(TimelineBand::kHeightTwips));
    band.setVisible(shown);

    auto *main = window.findChild<FramePanel *>(u"frMain"_s);
    const int oldHeight = main->Height();
    main->setTwipsGeometry(0, 0, main->Width(), kWindowHeightTwips + grow);
    window.setFixedSize(twipsToPixels(main->Width()), twipsToPixels(main->Height()));
    // The sliding panels wait just below the window.
    for (FramePanel *panel : window.findChildren<FramePanel *>(Qt::FindDirectChildrenOnly)) {
        if (panel != main && panel->Top() >= oldHeight)
            panel->setTop(main->Height());
    }
}
