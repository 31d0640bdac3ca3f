#include "keyframes.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace Keyframes {

std::vector<double> fromIndex(const FrameIndex &index, int64_t startTs, double timeBase)
{
    std::vector<double> seconds;
    for (const FrameIndex::Frame &frame : index.frames()) {
        if (frame.key)
            seconds.push_back(double(frame.pts - startTs) * timeBase);
    }
    return seconds;
}

std::vector<double> fromContainer(MediaFile &file)
{
    // Demuxers with a generic index add to it while reading: what they hold after opening is
    // only the start. These read theirs from the header.
    static constexpr const char *kHeaderIndexed[] = {"mov,mp4,m4a,3gp,3g2,mj2", "avi", "matroska,webm"};
    const char *format = file.format()->iformat->name;
    if (std::none_of(std::begin(kHeaderIndexed), std::end(kHeaderIndexed),
                     [format](const char *name) { return std::strcmp(format, name) == 0; }))
        return {};
    AVStream *stream = file.stream();
    // Matroska reads its cues at the first seek: seek to the start to have them now.
    if (std::strcmp(format, "matroska,webm") == 0)
        av_seek_frame(file.format(), stream->index, stream->start_time != AV_NOPTS_VALUE ? stream->start_time : 0,
                      AVSEEK_FLAG_BACKWARD);
    // Taken before a packet is read: reading may add to the index, and move it.
    std::vector<int64_t> stamps;
    const int count = avformat_index_get_entries_count(stream);
    for (int i = 0; i < count; ++i) {
        const AVIndexEntry *entry = avformat_index_get_entry(stream, i);
        if (entry && (entry->flags & AVINDEX_KEYFRAME) && entry->timestamp != AV_NOPTS_VALUE)
            stamps.push_back(entry->timestamp);
    }
    if (stamps.empty())
        return {};
    // MP4 lists decode times: the first keyframe's packet tells how far its picture lies after.
    int64_t shift = 0;
    const av::Packet packet = av::makePacket();
    if (file.read(packet.get()) && packet->pts != AV_NOPTS_VALUE && packet->dts == stamps.front())
        shift = packet->pts - packet->dts;
    std::vector<double> seconds;
    for (const int64_t stamp : stamps)
        seconds.push_back(file.secondsOf(stamp + shift));
    std::sort(seconds.begin(), seconds.end());
    seconds.erase(std::unique(seconds.begin(), seconds.end()), seconds.end());
    return seconds;
}

int nearest(const std::vector<double> &keyframes, double seconds)
{
    if (keyframes.empty())
        return -1;
    const auto after = std::lower_bound(keyframes.begin(), keyframes.end(), seconds);
    if (after == keyframes.begin())
        return 0;
    if (after == keyframes.end())
        return int(keyframes.size()) - 1;
    const auto before = after - 1;
    return int((seconds - *before <= *after - seconds ? before : after) - keyframes.begin());
}

} // namespace Keyframes
