#pragma once

#include "slider.h"

#include <QObject>
#include <QStringList>

// Records the slider's signals in the order they arrive, with DblClick's value.
struct EventLog
{
    explicit EventLog(Slider &slider)
    {
        QObject::connect(&slider, &Slider::DblClick, &slider,
                         [this](qint32 v) { events << QStringLiteral("DblClick(%1)").arg(v); });
        QObject::connect(&slider, &Slider::Scroll, &slider, [this] { events << QStringLiteral("Scroll"); });
        QObject::connect(&slider, &Slider::Change, &slider, [this] { events << QStringLiteral("Change"); });
        QObject::connect(&slider, &Slider::Click, &slider, [this] { events << QStringLiteral("Click"); });
        QObject::connect(&slider, &Slider::MouseUp, &slider, [this](int b, int, float, float) {
            events << QStringLiteral("MouseUp(%1)").arg(b);
        });
    }

    QStringList take() { return std::exchange(events, {}); }

    QStringList events;
};
