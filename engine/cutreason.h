#pragma once

#include <QList>
#include <QString>

// Why a smart cut or a join re-encodes everything, and which tracks its output
// leaves out, as values: the jobs say them in English on their status lines,
// and the window words them in the user's language.
namespace SmartCut {

enum class Obstacle {
    None,
    UnreadableTimes,    // the prober gave no usable frame times
    EmptyRange,         // no frame lies in the range
    MissingTimes,       // some frames have no time
    Codec,              // detail: the codec
    ProfileOrFormat,    // detail: the profile and the pixel format
    OddSize,
    Interlaced,
    DeepReorder,        // reorders deeper than the encoder can match
    Container,          // detail: the container; it cannot be searched exactly
    MissingDecodeTimes,
    OpenGops,
    NoKeyframe,         // no clean keyframe inside the range
    CopyMismatch,       // the copied middle did not match its source
    OtherCoding,        // a join's part coded otherwise than the first; detail: both codings
};

struct Reason
{
    Obstacle obstacle = Obstacle::None;
    QString detail;
    int part = 0; // the join's part it concerns, from 1; 0 for a cut
    bool isNone() const { return obstacle == Obstacle::None; }
};

// The obstacle's words, "%1" standing for the detail; marked for translation
// in the context "CutNotices".
const char *obstacleText(Obstacle obstacle);
// The reason in English, for the status line and logs ("part 2: it has open GOPs").
QString reasonText(const Reason &reason);

// A track the output leaves out.
struct LeftOutTrack
{
    QString source; // the source's file name; empty for a cut
    QString type;   // "video", "audio", "subtitle", "data", "attachment"
    int index = -1;
    QString codec;
};

// "subtitle track 3 (hdmv_pgs_subtitle)", after "a.mkv: " for a join's.
QString trackText(const LeftOutTrack &track);
QStringList trackTexts(const QList<LeftOutTrack> &tracks);

} // namespace SmartCut
