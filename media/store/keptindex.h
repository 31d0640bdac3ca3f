#pragma once

#include <QFileInfo>
#include <QString>

#include <cstdint>
#include <limits>
#include <optional>
#include <vector>

// A video stream's packets as the demuxer gives them, kept in the cache folder per file. The
// preview's frame index is made of them, and a cut plans from them instead of listing the file
// again, so that both count the same frames at the same times.
namespace KeptIndex {

// A packet's time that the demuxer left unset (FFmpeg's AV_NOPTS_VALUE).
inline constexpr int64_t kNoTime = std::numeric_limits<int64_t>::min();

struct Packet
{
    int64_t pts = kNoTime; // in the stream's time base
    int64_t dts = kNoTime;
    int64_t pos = -1;      // byte position in the file; -1: the demuxer gave none
    int32_t size = 0;      // bytes
    bool key = false;
};

struct Frame
{
    int64_t pts = 0;
    int64_t pos = -1; // -1: the demuxer gave none
    bool key = false;
};

struct Contents
{
    int stream = -1; // the stream's index in the file
    int timeBaseNum = 0;
    int timeBaseDen = 0;
    // Every packet of the stream, in decode order (the order of the file).
    std::vector<Packet> packets;
    // Where packets come without presentation times (MPEG program streams): the frames as the
    // decoder times them. Empty otherwise: the packets are the frames.
    std::vector<Frame> decodedFrames;
};

// The kept file for file in folder: its name comes from the path, size and modification time,
// so that a changed or replaced file finds none.
QString filePath(const QString &folder, const QFileInfo &file);
bool save(const QString &folder, const QFileInfo &file, const Contents &contents);
// nullopt when none is kept, or the kept one is damaged or of another version.
std::optional<Contents> load(const QString &folder, const QFileInfo &file);

// The user's folder of frame indexes, where the preview keeps them.
QString userFolder();

} // namespace KeptIndex
