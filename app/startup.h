#pragma once

#include <QString>
#include <QStringList>

// The file named on the command line (the first argument after the program),
// as "Open With" in a file manager passes it; empty when there is none.
// Further arguments are ignored.
QString FileArgument(const QStringList &arguments);

class frmMain;

// A diagnostic for the package check and the start-up benchmark: with
// SNIPORA_READY_REPORT=<file> set, the program writes what it has loaded
// (shown_ms: from the process's start to the window up, in the system's
// 10 ms ticks; shown_at_us: the wall clock then, for a launcher's own timing; bNoVideo, Max, sVideoFile, programDir, presets; one name=value a
// line) into that file once the window is up and any file named on the
// command line has loaded, and quits.
void ReportReadyAndQuit(const frmMain &window, const QString &reportFile, qint64 shownMs, qint64 shownAtUs);


// Builds the real services and the main window, and runs the program.
int RunSnipora(int &argc, char **argv);
