#pragma once

#include <QByteArrayView>
#include <QList>
#include <QString>

#include <optional>
#include <utility>

// What a cut's options need beyond the format's own for the tracks of one
// source: a channel layout where the source has none, and for a copy of every
// track into Matroska, the tracks it cannot hold and the chapters of the part.
namespace SourceTracks {

struct Stream
{
    int index = 0;
    QString type;  // as the prober names it: "video", "audio", "subtitle", "data", "attachment"
    QString codec; // "aac", "mov_text"; empty when the prober knows none
    QString tag;   // the container's codec tag: "tx3g", "tmcd", "text"
    int channels = 0;
    bool layoutKnown = true; // false for sound whose channels carry no layout
    bool isDefault = false;
};

struct Chapter
{
    double start = 0; // seconds
    double end = 0;
    QList<std::pair<QString, QString>> tags;
};

struct Probe
{
    QList<Stream> streams;
    QList<Chapter> chapters;
};

// The prober's command for parseProbe: its JSON description of the streams
// and chapters of sFile.
QString probeCommandLine(const QString &sProgramDir, const QString &sFile);
// Empty when the text is no such description.
std::optional<Probe> parseProbe(QByteArrayView json);

// Whether fitToSource can change sParameters for any source: they encode
// sound without choosing its channels, or copy every track into Matroska.
// Otherwise no probe is needed.
bool mayNeedFit(QStringView sParameters, const QString &extension);

struct Fit
{
    QString parameters; // the options to run
    QString chapters;   // the part's chapters as a metadata file, for chapterFile; empty for none
    QString status;     // the tracks converted or left out, for the status line; empty for none
};

// sParameters fitted to the source, for a part of length seconds from start.
// - Sound encoded from a stream without a layout gets the usual layout for its
//   channel count, unless the options choose the channels or filter the sound
//   themselves (an encoder such as AAC refuses channels without a layout).
// - A copy of every track into Matroska turns text subtitles it cannot hold
//   into SubRip, leaves out what it cannot hold at all, and names both in the
//   status. Its chapters come from chapterFile, holding Fit::chapters: only
//   those that overlap the part, retimed to it. The encoder's own would also
//   keep, with no length, those that merely touch the part.
// Options for a source whose layouts are known and that holds nothing else
// to fit stay unchanged.
Fit fitToSource(const QString &sParameters, const QString &extension, const Probe &probe, double start,
                double length, const QString &chapterFile);

} // namespace SourceTracks
