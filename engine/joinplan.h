#pragma once

#include "smartcutplan.h"

#include <QList>
#include <QString>

// A join's decisions, as plain functions: which parts of which sources make
// the output, whether their copied middles can follow one another in one
// stream, and the encoder options of the joining step. JoinJob runs them.
//
// Every part is planned as a smart cut is (SmartCut::planCut). With the smart
// preset each part's head, middle and tail become MPEG-TS files that the
// concat demuxer lists one after another, the picture copied; a part that
// only its range keeps from copying (no clean keyframe inside it) is one
// such file, re-encoded whole. Otherwise one encoder run trims every part
// from its source and concatenates them with filters. Either way the sound
// of each part is cut to exactly its picture's length and the joined sound
// is encoded once, so a joint has no gap.
namespace Join {

// The status of a smart join that re-encodes the whole, the reason after it.
inline const QString kReEncodeStatus =
    QStringLiteral("Exact join by re-encoding: the parts cannot be joined by copying");
// The status that names the tracks a join leaves out: %1 the tracks.
inline const QString kNotKeptStatus = QStringLiteral("Not kept, as a join keeps only picture and sound: %1");
// What a removal of parts of several sources is told; translated when shown
// (context "JoinJob").
inline constexpr char kOneSourceMessage[] =
    QT_TRANSLATE_NOOP("JoinJob", "Remove Listed Parts works on the parts of one video.");

// A time range of a source, in seconds from the file's start.
struct Range
{
    double start = 0;
    double length = 0;
};

// The removals sorted, those that overlap or touch merged into one.
QList<Range> mergeRanges(QList<Range> ranges);
// What is left of [0, end) once the removals are taken out, in order;
// pieces shorter than minLength (less than a frame) are dropped.
QList<Range> keptRanges(const QList<Range> &removals, double end, double minLength);
// Where the picture of a listed source ends: its last frame's time plus a
// frame, from the file's start; 0 when the listing has no times.
double videoEnd(const SmartCut::Probe &probe);

// One part of the output: its source's listing and its plan.
struct Part
{
    const SmartCut::Probe *probe = nullptr;
    SmartCut::Plan plan;
};

// Why the parts cannot be joined into one stream by copying (1-based part
// numbers): a part whose source's coding the part encoder cannot match, or a
// part whose picture is coded otherwise than the first's. None when they
// can; a part that is not smart for its range alone is then re-encoded whole.
SmartCut::Reason copyObstacle(const QList<Part> &parts);

// One file of the smart join.
struct Piece
{
    enum class Kind { Head, Middle, Tail, Whole };
    int part = 0; // index into the parts
    Kind kind = Kind::Head;
    SmartCut::Span span;
    double seconds = 0; // how long it lasts in the joined picture
    QString name;       // the file's name in the work folder
};
// The smart join's files in order: each smart part's head, copied middle and
// tail (those that hold frames), every other part re-encoded whole.
// Run it only when copyObstacle is empty.
QList<Piece> pieces(const QList<Part> &parts);
// The concat demuxer's list of the pieces (names relative to its folder).
QByteArray concatList(const QList<Piece> &pieces);

// The sound of a smart join copied as it is, frame by frame, where the
// output holds every sound track's codec and every part's source has the
// same sound tracks, and no part's sound starts late: a piece of whole
// frames of each track from each part.
// Each piece starts at the frame that puts it nearest its place beside the
// picture, and holds as many frames as bring the sound nearest the part's
// end: the fraction of a frame a joint leaves is carried to the next, so
// that joints never add up to drift.
struct SoundPiece
{
    int part = 0;
    int track = 0;      // the output's sound track, 0 for the first
    int stream = 0;     // the source's stream index
    double seek = 0;    // as SmartCut::Span: "-ss" before the source
    double dropBefore = 0; // and after it, before the piece's first frame
    int frames = 0;
    double seconds = 0; // how long its frames last
    QString name;       // the file's name in the work folder
};
// Empty when the sound is re-encoded instead.
QList<SoundPiece> soundPieces(const QList<Part> &parts, const QString &extension);
// The copy of one piece, into Matroska. It opens the source itself.
QString soundCopyOptions(const SoundPiece &piece, const QString &sourcePath);
// The prober counting a copied piece's frames: fewer than planned where the
// source's sound ends early.
QString soundCountCommandLine(const QString &sProgramDir, const QString &sPieceFile);
// The concat demuxer's list of one track's pieces.
QByteArray soundList(const QList<SoundPiece> &pieces, int track);

// The joining step of the smart join. Run it with the concat list of every
// part's pieces as the input (fast seek off); the parts' sources follow as
// inputs 1..n, for their sound and tags. Writes the container of extension
// with every sound track of the first part's source, the picture copied.
// subtitleListPath: the subtitleList's file, for the kept subtitles.
// soundListPaths: each sound track's soundList, when the sound is copied.
QString copyJoinOptions(const QList<Part> &parts, const QString &extension, const QString &subtitleListPath = {},
                        const QStringList &soundListPaths = {});

// The one-run join. Run it with the first part's source as the input (for
// its tags; fast seek off); the parts' sources follow as inputs 1..n. With
// empty encoderOptions the picture is encoded to match the first source and
// every sound track is kept (the smart preset re-encoding); else the preset's
// options, whose "-vf"/"-af" chains apply to the joined whole and whose
// "-vn"/"-an" leave the picture or the sound out; the first sound track is
// kept then. Parts whose picture has another size than the first's are
// scaled into it, keeping their aspect, and padded.
QString filterJoinOptions(const QList<Part> &parts, const QString &encoderOptions, const QString &extension,
                          const QString &subtitleListPath = {});

// What the one-run join did wrong, from the listing of its output's picture
// (SmartCut::partProbeCommandLine): fewer or more frames than the parts
// hold, two at one time, or a frame of a part not as far from the part's
// first as in its source (to half a frame). Empty when every frame is in its
// place. Reads no picture: a frame the encoder took from the wrong place at
// its right time goes unseen here (pictureCheckCommandLine looks).
QString misplacedFrames(const QList<Part> &parts, const QList<SmartCut::Packet> &joined);

// Where a part's first frame is, in the joined file and in its source, as
// each listing gives the times (the files' own, whatever they start at).
struct PartStart
{
    int part = 0;
    double joined = 0;
    double source = 0;
};
// The first frame of each part whose picture the join keeps at its size (not
// scaled into the first's), for the picture check; none when the joined
// listing does not hold the planned frames (misplacedFrames says why).
QList<PartStart> partStarts(const QList<Part> &parts, const QList<SmartCut::Packet> &joined);
// The encoder's command that compares the part's first frame in the joined
// file with its own in the source; its log ends with the luma and colour
// PSNR ("PSNR y:... average:...").
// A narrow check seeks each file to just before the keyframe the frame's
// group starts with and decodes from there; it is quick, but a seek that lands
// late gives another picture, so only a wide one (a margin of groups before)
// may judge a picture wrong.
QString pictureCheckCommandLine(const QString &programDir, const QString &joinedPath, const Part &part,
                                const PartStart &start, bool narrow = false);
// The average PSNR the check's log gives, in dB (100 for identical
// pictures); -1 when it gives none.
double pictureMatch(QStringView log);
// Below this a part's first frame is another picture than its own: a
// re-encoded frame is near 40 dB, a neighbour in a moving picture far less.
inline constexpr double kOwnPictureAbove = 25;

// The subtitle tracks a join keeps: those of the first part's source that
// the output of extension holds, when every part's source has the same
// tracks; else none. Their indexes among its tracks.
QList<int> keptSubtitles(const QList<Part> &parts, const QString &extension);
// The concat demuxer's list of the parts as ranges of their sources, for
// their subtitles (run it with "-safe 0", the paths being absolute).
QByteArray subtitleList(const QList<Part> &parts);

// The tracks of the parts' sources that the join leaves out, for
// kNotKeptStatus ("a.mkv: subtitle track 3 (subrip)"): all but the first
// video track and, with allSound, the sound tracks, else the first of them.
QList<SmartCut::LeftOutTrack> tracksLeftOut(const QList<Part> &parts, bool allSound, const QList<int> &keptSubtitles = {});

// The options without the cut's own " -ss S" and " -t L", wherever they are.
QString withoutCutTimes(const QString &options);

// The joined picture's length: the parts' lengths added.
double totalLength(const QList<Part> &parts);

} // namespace Join
