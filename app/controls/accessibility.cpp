#include "accessibility.h"

#include "controls.h"
#include "slider.h"

#include <QAccessibleValueInterface>
#include <QAccessibleWidget>

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
