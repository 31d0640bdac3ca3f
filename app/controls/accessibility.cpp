#include "accessibility.h"

#include "controls.h"
#include "slider.h"

#include <QAccessibleValueInterface>
#include <QAccessibleWidget>
#include <QPointer>
#include <QWidget>
#include <QWindow>

#include <algorithm>
#include <cmath>
#include <limits>

using namespace Qt::StringLiterals;

namespace {

// The position slider: reads Value in Min..Max and sets it as a placement,
// so the window seeks as it does after a click.
class SliderAccessible final : public QAccessibleWidget, public QAccessibleValueInterface
{
public:
    SliderAccessible(QWidget *widget, QAccessible::Role role)
        : QAccessibleWidget(widget, role)
    {
    }

    void *interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::ValueInterface)
            return static_cast<QAccessibleValueInterface *>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    QVariant currentValue() const override { return slider()->Value(); }
    QVariant maximumValue() const override { return slider()->Max(); }
    QVariant minimumValue() const override { return slider()->Min(); }
    QVariant minimumStepSize() const override { return 1; }

    // AT-SPI hands over a double: rounded to the nearest whole value, and
    // brought into 32 bits before the slider clamps it to its own range.
    void setCurrentValue(const QVariant &value) override
    {
        bool ok = false;
        const double asked = value.toDouble(&ok);
        if (!ok || std::isnan(asked))
            return;
        constexpr double lowest = std::numeric_limits<qint32>::min();
        constexpr double highest = std::numeric_limits<qint32>::max();
        slider()->PlaceValue(qint32(std::clamp(std::round(asked), lowest, highest)));
    }

private:
    Slider *slider() const { return static_cast<Slider *>(widget()); }
};

// The task's progress in percent; read only.
class ProgressAccessible final : public QAccessibleWidget, public QAccessibleValueInterface
{
public:
    ProgressAccessible(QWidget *widget, QAccessible::Role role)
        : QAccessibleWidget(widget, role)
    {
    }

    void *interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::ValueInterface)
            return static_cast<QAccessibleValueInterface *>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    QVariant currentValue() const override { return static_cast<ProgressBar *>(widget())->Value(); }
    QVariant maximumValue() const override { return 100; }
    QVariant minimumValue() const override { return 0; }
    QVariant minimumStepSize() const override { return 0; } // not settable
    void setCurrentValue(const QVariant &) override {}
};

// One entry of a marker list: read only, named by its text.
class MarkerItemAccessible final : public QAccessibleInterface
{
public:
    MarkerItemAccessible(QWidget *list, int index)
        : m_list(list)
        , m_index(index)
    {
    }

    bool isValid() const override { return m_list && m_index < texts().size(); }
    QObject *object() const override { return nullptr; }
    QWindow *window() const override { return m_list ? m_list->windowHandle() : nullptr; }
    QAccessibleInterface *focusChild() const override { return nullptr; }
    QAccessibleInterface *childAt(int, int) const override { return nullptr; }
    QAccessibleInterface *parent() const override { return QAccessible::queryAccessibleInterface(m_list); }
    QAccessibleInterface *child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface *) const override { return -1; }
    QString text(QAccessible::Text t) const override
    {
        return t == QAccessible::Name && isValid() ? texts().at(m_index) : QString();
    }
    void setText(QAccessible::Text, const QString &) override {}
    QRect rect() const override
    {
        const QVariantList places = m_list ? m_list->property("markerRects").toList() : QVariantList();
        if (!m_list || m_index >= places.size())
            return {};
        const QRect local = places.at(m_index).toRect();
        return QRect(m_list->mapToGlobal(local.topLeft()), local.size());
    }
    QAccessible::Role role() const override { return QAccessible::ListItem; }
    QAccessible::State state() const override
    {
        QAccessible::State state;
        state.readOnly = true;
        state.selectable = true;
        state.selected = m_list && m_list->property("currentMarker").toInt() == m_index;
        state.invisible = !isValid();
        return state;
    }

private:
    QStringList texts() const { return m_list ? m_list->property("markerTexts").toStringList() : QStringList(); }

    QPointer<QWidget> m_list;
    int m_index;
};

// A drawn strip of markers (the timeline's breaks) as a list whose entries a screen reader
// reads out; the widget holds their texts in its markerTexts property.
class MarkerListAccessible final : public QAccessibleWidget
{
public:
    MarkerListAccessible(QWidget *widget, QAccessible::Role role)
        : QAccessibleWidget(widget, role)
    {
    }

    int childCount() const override { return int(widget()->property("markerTexts").toStringList().size()); }
    QAccessibleInterface *child(int index) const override
    {
        if (index < 0 || index >= childCount())
            return nullptr;
        // One interface per entry, made once: the cache owns it and hands out its id.
        while (m_items.size() <= index)
            m_items.append(QAccessible::registerAccessibleInterface(
                new MarkerItemAccessible(widget(), int(m_items.size()))));
        return QAccessible::accessibleInterface(m_items.at(index));
    }
    int indexOfChild(const QAccessibleInterface *child) const override
    {
        for (int i = 0; i < childCount() && i < m_items.size(); ++i) {
            if (QAccessible::accessibleInterface(m_items.at(i)) == child)
                return i;
        }
        return -1;
    }

private:
    mutable QList<QAccessible::Id> m_items;
};

using MakeInterface = QAccessibleInterface *(*)(QWidget *, QAccessible::Role);

template<typename Interface>
QAccessibleInterface *make(QWidget *widget, QAccessible::Role role)
{
    return new Interface(widget, role);
}

// One row per control class. A control that only needs its role leaves the
// interface to QAccessibleWidget.
struct ControlRole
{
    QLatin1StringView className;
    QAccessible::Role role;
    MakeInterface makeInterface = &make<QAccessibleWidget>;
};

const ControlRole kControlRoles[] = {
    {"Slider"_L1, QAccessible::Slider, &make<SliderAccessible>},
    {"ProgressBar"_L1, QAccessible::ProgressBar, &make<ProgressAccessible>},
    {"VideoArea"_L1, QAccessible::Animation}, // the moving picture of the preview
    {"TimelineStrip"_L1, QAccessible::Graphic},
    {"TimelineMarkers"_L1, QAccessible::List, &make<MarkerListAccessible>},
};

} // namespace

QAccessibleInterface *controlAccessibleInterface(const QString &className, QObject *object)
{
    if (!object || !object->isWidgetType())
        return nullptr;
    for (const ControlRole &row : kControlRoles) {
        if (className == row.className)
            return row.makeInterface(static_cast<QWidget *>(object), row.role);
    }
    return nullptr;
}

void installControlAccessibility()
{
    QAccessible::installFactory(&controlAccessibleInterface);
}
