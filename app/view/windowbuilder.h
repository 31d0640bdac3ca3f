#pragma once

#include <QLockFile>
#include <QString>

#include <memory>

class QWidget;

// The window's title, icon and type, then every control of the layout table into window, in row order: each
// with its objectName, caption, tool tip, geometry and what a screen reader
// hears, plus the type the table leaves to the window (headings, wrapping).
void BuildWindowControls(QWidget &window);

// The marker that a copy of the program runs, in folder (none when empty);
// held for the life of the window.
std::unique_ptr<QLockFile> MarkRunningInstance(const QString &folder);
