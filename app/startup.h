#pragma once

#include <QString>
#include <QStringList>

// The file named on the command line (the first argument after the program),
// as "Open With" in a file manager passes it; empty when there is none.
// Further arguments are ignored.
QString FileArgument(const QStringList &arguments);

// Builds the real services and the main window, and runs the program.
int RunSnipora(int &argc, char **argv);
