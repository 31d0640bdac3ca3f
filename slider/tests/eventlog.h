#pragma once

#include "slider.h"

#include <QObject>
#include <QStringList>

// Records the slider's signals in arrival order, e.g. "Click Scroll Change DblClick(186)".
struct EventLog
{
    explicit EventLog(Slider &s)
    {
        QObject::connect(&s, &Slider::DblClick, &s, [this](qint32 &v) { add(QStringLiteral("DblClick(%1)").arg(v)); });
        QObject::connect(&s, &Slider::Scroll, &s, [this] { add(QStringLiteral("Scroll")); });
        QObject::connect(&s, &Slider::Change, &s, [this] { add(QStringLiteral("Change")); });
        QObject::connect(&s, &Slider::Click, &s, [this] { add(QStringLiteral("Click")); });
        QObject::connect(&s, &Slider::MouseUp, &s,
                         [this](int b, int, float, float) { add(QStringLiteral("MouseUp(%1)").arg(b)); });
    }
    void add(const QString &e) { events += events.isEmpty() ? e : QLatin1Char(' ') + e; }
    QString take() { return std::exchange(events, {}); }

    QString events;
};
