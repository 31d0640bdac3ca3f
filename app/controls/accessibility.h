#pragma once

#include <QAccessible>
#include <QString>

class QAccessibleInterface;
class QObject;

// What a screen reader hears of the drawn controls, which Qt would otherwise
// present as plain widgets ("filler"): a role, and for the slider and the
// progress bar a value it can read (and, for the slider, set). Each control
// keeps the accessible name and description the window gives it.

// Installs controlAccessibleInterface as an accessibility factory. Call it
// before the window is built: an interface Qt has already made for a widget
// stays cached. Installing again changes nothing.
void installControlAccessibility();

// The factory: an interface for an object of the class named className, or
// nullptr when the class is not one of ours (Qt then tries its base classes).
QAccessibleInterface *controlAccessibleInterface(const QString &className, QObject *object);
