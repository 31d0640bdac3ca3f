#pragma once

#include "smartcutprobe.h"

#include <QString>

#include <functional>
#include <optional>

namespace KeptIndex {
struct Contents;
}

namespace SmartCut {

// The kept index's packets as the prober lists them: seconds from the
// stream's time base, rounded to the microsecond as the prober prints them,
// so that a plan made from either is the same.
QList<Packet> packetsOf(const KeptIndex::Contents &kept);

struct SourceRead
{
    Probe probe;
    bool fromIndex = false; // the packets came from the kept index
};

// Runs a command line and gives its output; nullopt when the job was stopped
// meanwhile.
using RunCommand = std::function<std::optional<QString>(const QString &commandLine)>;

// What a cut plans from, for the source at path: the stream's description,
// its packets, every track and, for MPEG video, the quantiser matrices. The
// packets come from the index the preview keeps in indexFolder when there is
// one for the file as it is now (and for the stream the prober lists), else
// from the prober's listing of the whole file. nullopt when stopped.
std::optional<SourceRead> readSource(const QString &programDir, const QString &path, const QString &indexFolder,
                                     const RunCommand &run);

} // namespace SmartCut
