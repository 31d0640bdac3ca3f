#include "breakfinder.h"

#include "avhandles.h"
#include "cachefolder.h"
#include "mediafile.h"

extern "C" {
#include <libavutil/pixdesc.h>
}

#include <QDataStream>
#include <QDir>
#include <QElapsedTimer>

#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

namespace {

constexpr quint32 kMagic = 0x534e424b; // "SNBK"
constexpr quint32 kVersion = 1;
constexpr quint32 kMostItems = 10'000'000;
// About this many luma samples across and down: the thumbnails' size, plenty for a share of
// dark pixels and a mean difference.
constexpr int kGridColumns = 160;
constexpr int kGridRows = 90;
// Decoders that can decode at a fraction of the size go down to about this width.
constexpr int kLowresWidth = 180;
constexpr double kMeetSeconds = 0.04;

} // namespace

namespace BreakRules {

std::vector<FrameSpan> blackStretches(const std::vector<FrameLook> &frames, const BreakThresholds &thresholds)
{
    std::vector<FrameSpan> spans;
    const int count = int(frames.size());
    // A frame's length: to the next frame, or the one before's for the last.
    const auto endOf = [&](int i) {
        if (i + 1 < count)
            return frames[size_t(i + 1)].seconds;
        const double step = i > 0 ? frames[size_t(i)].seconds - frames[size_t(i - 1)].seconds : 0.04;
        return frames[size_t(i)].seconds + step;
    };
    for (int i = 0; i < count;) {
        if (frames[size_t(i)].dark < thresholds.blackPicture) {
            ++i;
            continue;
        }
        int last = i;
        while (last + 1 < count && frames[size_t(last + 1)].dark >= thresholds.blackPicture)
            ++last;
        const FrameSpan span{i, last, frames[size_t(i)].seconds, endOf(last)};
        // A hair under the length is a frame's rounding, not a shorter stretch.
        if (span.end - span.start >= thresholds.blackSeconds - 1e-6)
            spans.push_back(span);
        i = last + 1;
    }
    return spans;
}

std::vector<TimeSpan> silentStretches(const std::vector<bool> &silentBuckets, const BreakThresholds &thresholds)
{
    std::vector<TimeSpan> spans;
    const size_t count = silentBuckets.size();
    for (size_t i = 0; i < count;) {
        if (!silentBuckets[i]) {
            ++i;
            continue;
        }
        size_t end = i;
        while (end < count && silentBuckets[end])
            ++end;
        const TimeSpan span{double(i) / kBucketsPerSecond, double(end) / kBucketsPerSecond};
        if (span.end - span.start >= thresholds.silenceSeconds - 1e-6)
            spans.push_back(span);
        i = end;
    }
    return spans;
}

std::vector<FrameSpan> breaks(const std::vector<FrameSpan> &black, const std::vector<TimeSpan> &silence)
{
    std::vector<FrameSpan> found;
    size_t s = 0;
    for (const FrameSpan &b : black) {
        while (s < silence.size() && silence[s].end <= b.start)
            ++s;
        const double needed = std::min(kMeetSeconds, b.end - b.start) - 1e-6;
        for (size_t t = s; t < silence.size() && silence[t].start < b.end; ++t) {
            if (std::min(b.end, silence[t].end) - std::max(b.start, silence[t].start) >= needed) {
                found.push_back(b);
                break;
            }
        }
    }
    return found;
}

std::vector<SceneChange> sceneChanges(const std::vector<FrameLook> &frames, const BreakThresholds &thresholds)
{
    std::vector<SceneChange> found;
    for (size_t i = 1; i < frames.size(); ++i) {
        const double before = i >= 2 ? frames[i - 1].change : 0.0;
        const double score = std::min<double>(frames[i].change, std::abs(frames[i].change - before));
        if (score >= thresholds.sceneChange)
            found.push_back({int(i), frames[i].seconds, score});
    }
    return found;
}

} // namespace BreakRules

struct BreakFinder::State
{
    struct Track
    {
        int stream = -1;
        av::Codec codec;
        av::Resampler mixer;
        double startSeconds = 0.0; // the file's start in this stream's time
        std::vector<float> peaks;  // per bucket, of the mono mix
        std::optional<double> nextSeconds;
    };

    BreakThresholds thresholds;
    std::unique_ptr<MediaFile> file;
    const std::atomic_bool *cancel = nullptr;
    av::Codec video;
    av::Packet packet = av::makePacket();
    av::Frame frame = av::makeFrame();
    std::vector<Track> tracks;
    bool demuxerDone = false;
    bool done = false;
    bool damaged = false;

    std::vector<FrameLook> looks;
    std::vector<uint8_t> grid, previousGrid;
    av::Scaler gray; // for pictures whose luma is not a plain plane
    int64_t lastPts = AV_NOPTS_VALUE;

    void look(const AVFrame *picture);
    void listen(Track &track, const AVFrame *sound);
    void drainVideo();
    void drainTrack(Track &track);
};

BreakFinder::BreakFinder(std::unique_ptr<State> state)
    : m_state(std::move(state))
{
}

BreakFinder::~BreakFinder() = default;

std::variant<std::unique_ptr<BreakFinder>, QString> BreakFinder::open(const QString &path,
                                                                     const BreakThresholds &thresholds,
                                                                     const std::atomic_bool *cancel)
{
    auto opened = MediaFile::open(path, AVMEDIA_TYPE_VIDEO, cancel);
    if (auto *error = std::get_if<QString>(&opened))
        return *error;
    auto state = std::make_unique<State>();
    state->thresholds = thresholds;
    state->cancel = cancel;
    state->file = std::move(std::get<std::unique_ptr<MediaFile>>(opened));
    AVFormatContext *format = state->file->format();
    const AVStream *stream = state->file->stream();
    const AVCodec *codec = avcodec_find_decoder(stream->codecpar->codec_id);
    if (!codec)
        return u"no decoder for the video"_s;
    state->video.reset(avcodec_alloc_context3(codec));
    AVCodecContext *context = state->video.get();
    if (!context || avcodec_parameters_to_context(context, stream->codecpar) < 0)
        return u"the video's parameters are unusable"_s;
    context->pkt_timebase = stream->time_base;
    context->thread_count = 0;
    context->thread_type = FF_THREAD_FRAME | FF_THREAD_SLICE;
    // Decoders that can leave out the finer detail decode at a fraction of the size.
    int lowres = 0;
    while (lowres < codec->max_lowres && (stream->codecpar->width >> (lowres + 1)) >= kLowresWidth)
        ++lowres;
    context->lowres = lowres;
    if (avcodec_open2(context, codec, nullptr) < 0)
        return u"the video decoder cannot start"_s;

    // Every sound track, each mixed down to one channel.
    const double fileStart = format->start_time != AV_NOPTS_VALUE ? double(format->start_time) / AV_TIME_BASE : 0.0;
    for (unsigned i = 0; i < format->nb_streams; ++i) {
        AVStream *sound = format->streams[i];
        if (sound->codecpar->codec_type != AVMEDIA_TYPE_AUDIO)
            continue;
        const AVCodec *decoder = avcodec_find_decoder(sound->codecpar->codec_id);
        if (!decoder)
            continue;
        State::Track track;
        track.codec.reset(avcodec_alloc_context3(decoder));
        AVCodecContext *audio = track.codec.get();
        if (!audio || avcodec_parameters_to_context(audio, sound->codecpar) < 0)
            continue;
        audio->pkt_timebase = sound->time_base;
        if (avcodec_open2(audio, decoder, nullptr) < 0)
            continue;
        track.stream = int(i);
        track.startSeconds = fileStart;
        sound->discard = AVDISCARD_DEFAULT;
        state->tracks.push_back(std::move(track));
    }
    return std::unique_ptr<BreakFinder>(new BreakFinder(std::move(state)));
}

void BreakFinder::State::look(const AVFrame *picture)
{
    int64_t pts = picture->best_effort_timestamp;
    if (pts == AV_NOPTS_VALUE)
        pts = lastPts == AV_NOPTS_VALUE ? file->startTs() : lastPts + std::max<int64_t>(1, picture->pkt_duration);
    lastPts = pts;
    const int width = picture->width, height = picture->height;
    if (width <= 0 || height <= 0)
        return;
    const int columns = std::min(width, kGridColumns), rows = std::min(height, kGridRows);
    grid.resize(size_t(columns) * size_t(rows));
    const AVPixFmtDescriptor *desc = av_pix_fmt_desc_get(AVPixelFormat(picture->format));
    bool fullRange = picture->color_range == AVCOL_RANGE_JPEG;
    const bool plainLuma = desc && !(desc->flags & (AV_PIX_FMT_FLAG_RGB | AV_PIX_FMT_FLAG_PAL | AV_PIX_FMT_FLAG_HWACCEL))
                           && desc->comp[0].plane == 0 && desc->comp[0].shift == 0
                           && (desc->comp[0].step == 1 || (desc->comp[0].step == 2 && desc->comp[0].depth > 8));
    if (plainLuma) {
        if (picture->format == AV_PIX_FMT_YUVJ420P || picture->format == AV_PIX_FMT_YUVJ422P
            || picture->format == AV_PIX_FMT_YUVJ444P)
            fullRange = true;
        const int depth = desc->comp[0].depth;
        const bool wide = desc->comp[0].step == 2;
        const bool bigEndian = desc->flags & AV_PIX_FMT_FLAG_BE;
        for (int r = 0; r < rows; ++r) {
            // Sample centres, so that a border line or two is not all that is seen.
            const int y = int((int64_t(r) * 2 + 1) * height / (int64_t(rows) * 2));
            const uint8_t *line = picture->data[0] + ptrdiff_t(y) * picture->linesize[0];
            uint8_t *out = grid.data() + size_t(r) * size_t(columns);
            for (int c = 0; c < columns; ++c) {
                const int x = int((int64_t(c) * 2 + 1) * width / (int64_t(columns) * 2));
                if (!wide) {
                    out[c] = line[x];
                } else {
                    const uint8_t *p = line + ptrdiff_t(x) * 2;
                    const int value = bigEndian ? (p[0] << 8) | p[1] : (p[1] << 8) | p[0];
                    out[c] = uint8_t(std::min(255, value >> (depth - 8)));
                }
            }
        }
    } else {
        // RGB and other packings: swscale gives the grey picture at the grid's size.
        gray.reset(sws_getCachedContext(gray.release(), width, height, AVPixelFormat(picture->format), columns, rows,
                                        AV_PIX_FMT_GRAY8, SWS_POINT, nullptr, nullptr, nullptr));
        if (!gray)
            return;
        uint8_t *planes[4] = {grid.data(), nullptr, nullptr, nullptr};
        const int strides[4] = {columns, 0, 0, 0};
        sws_scale(gray.get(), picture->data, picture->linesize, 0, height, planes, strides);
        fullRange = true;
    }
    // "Under blackPixel of the luma range": limited range runs from 16 to 235.
    const double limit = fullRange ? thresholds.blackPixel * 255.0 : 16.0 + thresholds.blackPixel * 219.0;
    size_t darkCount = 0;
    for (const uint8_t value : grid)
        darkCount += value < limit ? 1 : 0;
    double change = 0.0;
    if (previousGrid.size() == grid.size()) {
        uint64_t sum = 0;
        for (size_t i = 0; i < grid.size(); ++i)
            sum += uint64_t(std::abs(int(grid[i]) - int(previousGrid[i])));
        change = double(sum) / (double(grid.size()) * 255.0);
    } else if (!previousGrid.empty()) {
        change = 1.0; // the picture changed size
    }
    std::swap(grid, previousGrid);
    looks.push_back({file->secondsOf(pts), float(double(darkCount) / double(columns * rows)), float(change)});
}

void BreakFinder::State::listen(Track &track, const AVFrame *sound)
{
    if (sound->sample_rate <= 0 || sound->nb_samples <= 0)
        return;
    if (!track.mixer) {
        AVChannelLayout in{}, out{};
        if (sound->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC || sound->ch_layout.nb_channels <= 0)
            av_channel_layout_default(&in, std::max(1, sound->ch_layout.nb_channels));
        else
            av_channel_layout_copy(&in, &sound->ch_layout);
        av_channel_layout_default(&out, 1);
        SwrContext *mixer = nullptr;
        const int made = swr_alloc_set_opts2(&mixer, &out, AV_SAMPLE_FMT_FLT, sound->sample_rate, &in,
                                             AVSampleFormat(sound->format), sound->sample_rate, 0, nullptr);
        av_channel_layout_uninit(&in);
        av_channel_layout_uninit(&out);
        track.mixer.reset(mixer);
        if (made < 0 || swr_init(mixer) < 0) {
            track.mixer.reset();
            return;
        }
    }
    const AVStream *stream = file->format()->streams[track.stream];
    double seconds = sound->best_effort_timestamp != AV_NOPTS_VALUE
                         ? double(sound->best_effort_timestamp) * av_q2d(stream->time_base) - track.startSeconds
                         : track.nextSeconds.value_or(0.0);
    track.nextSeconds = seconds + double(sound->nb_samples) / sound->sample_rate;
    const int most = swr_get_out_samples(track.mixer.get(), sound->nb_samples);
    std::vector<float> mixed(size_t(std::max(0, most)));
    uint8_t *out[1] = {reinterpret_cast<uint8_t *>(mixed.data())};
    const int made = swr_convert(track.mixer.get(), out, most, const_cast<const uint8_t **>(sound->extended_data),
                                 sound->nb_samples);
    if (made <= 0 || !std::isfinite(seconds) || seconds > 48.0 * 3600.0)
        return;
    const double rate = sound->sample_rate;
    for (int i = 0; i < made; ++i) {
        const double at = seconds + i / rate;
        if (at < 0.0)
            continue;
        const size_t bucket = size_t(at * BreakRules::kBucketsPerSecond);
        if (bucket >= track.peaks.size())
            track.peaks.resize(bucket + 1, 0.0f);
        track.peaks[bucket] = std::max(track.peaks[bucket], std::abs(mixed[size_t(i)]));
    }
}

void BreakFinder::State::drainVideo()
{
    while (avcodec_receive_frame(video.get(), frame.get()) >= 0) {
        look(frame.get());
        av_frame_unref(frame.get());
    }
}

void BreakFinder::State::drainTrack(Track &track)
{
    while (avcodec_receive_frame(track.codec.get(), frame.get()) >= 0) {
        listen(track, frame.get());
        av_frame_unref(frame.get());
    }
}

bool BreakFinder::readMore(int budgetMs)
{
    State &s = *m_state;
    if (s.done)
        return false;
    QElapsedTimer clock;
    clock.start();
    const int videoStream = s.file->stream()->index;
    do {
        if (s.cancel && s.cancel->load()) {
            s.done = true;
            return false;
        }
        const int read = av_read_frame(s.file->format(), s.packet.get());
        if (read < 0) {
            // The end, or a read error: either way the scan ends with what it read.
            s.damaged = read != AVERROR_EOF && !(s.cancel && s.cancel->load());
            avcodec_send_packet(s.video.get(), nullptr);
            s.drainVideo();
            for (State::Track &track : s.tracks) {
                avcodec_send_packet(track.codec.get(), nullptr);
                s.drainTrack(track);
            }
            s.done = true;
            return false;
        }
        if (s.packet->stream_index == videoStream) {
            // A damaged packet is dropped; decoding goes on with the next.
            if (avcodec_send_packet(s.video.get(), s.packet.get()) == AVERROR(EAGAIN)) {
                s.drainVideo();
                avcodec_send_packet(s.video.get(), s.packet.get());
            }
            s.drainVideo();
        } else {
            for (State::Track &track : s.tracks) {
                if (track.stream != s.packet->stream_index)
                    continue;
                if (avcodec_send_packet(track.codec.get(), s.packet.get()) == AVERROR(EAGAIN)) {
                    s.drainTrack(track);
                    avcodec_send_packet(track.codec.get(), s.packet.get());
                }
                s.drainTrack(track);
            }
        }
        av_packet_unref(s.packet.get());
    } while (clock.elapsed() < budgetMs);
    return true;
}

double BreakFinder::readSeconds() const
{
    return m_state->looks.empty() ? 0.0 : m_state->looks.back().seconds;
}

std::optional<double> BreakFinder::duration() const
{
    return m_state->file->duration();
}

BreakScan BreakFinder::result() const
{
    const State &s = *m_state;
    BreakScan scan;
    std::vector<FrameLook> looks = s.looks;
    // Frame threads hand frames over in order; a stream with odd time stamps may not.
    std::stable_sort(looks.begin(), looks.end(), [](const FrameLook &a, const FrameLook &b) { return a.seconds < b.seconds; });
    scan.frames = int(looks.size());
    scan.damaged = s.damaged;
    scan.black = BreakRules::blackStretches(looks, s.thresholds);
    scan.scenes = BreakRules::sceneChanges(looks, s.thresholds);

    // Silent where every track's mix is under the threshold; a track that ended is silent. A
    // file without sound is silent throughout, so that its black stretches are its breaks.
    const float limit = float(std::pow(10.0, s.thresholds.silenceDb / 20.0));
    const double videoEnd = looks.empty() ? 0.0 : looks.back().seconds + 0.04;
    size_t buckets = size_t(std::max(0.0, videoEnd) * BreakRules::kBucketsPerSecond);
    for (const State::Track &track : s.tracks)
        buckets = std::max(buckets, track.peaks.size());
    std::vector<bool> silent(buckets, true);
    for (const State::Track &track : s.tracks) {
        for (size_t i = 0; i < track.peaks.size(); ++i) {
            if (track.peaks[i] >= limit)
                silent[i] = false;
        }
    }
    scan.silence = BreakRules::silentStretches(silent, s.thresholds);
    scan.breaks = BreakRules::breaks(scan.black, scan.silence);
    return scan;
}

QString BreakFinder::cachePath(const QString &folder, const QFileInfo &file)
{
    return QDir(folder).filePath(CacheFolder::fileKey(file) + u".breaks"_s);
}

namespace {

QDataStream &operator<<(QDataStream &stream, const BreakThresholds &t)
{
    return stream << t.blackSeconds << t.blackPixel << t.blackPicture << t.silenceDb << t.silenceSeconds
                  << t.sceneChange;
}

QDataStream &operator>>(QDataStream &stream, BreakThresholds &t)
{
    return stream >> t.blackSeconds >> t.blackPixel >> t.blackPicture >> t.silenceDb >> t.silenceSeconds
           >> t.sceneChange;
}

void writeSpans(QDataStream &stream, const std::vector<FrameSpan> &spans)
{
    stream << quint32(spans.size());
    for (const FrameSpan &span : spans)
        stream << qint32(span.first) << qint32(span.last) << span.start << span.end;
}

bool readSpans(QDataStream &stream, std::vector<FrameSpan> &spans)
{
    quint32 count = 0;
    stream >> count;
    if (count > kMostItems)
        return false;
    for (quint32 i = 0; i < count && stream.status() == QDataStream::Ok; ++i) {
        qint32 first = 0, last = 0;
        FrameSpan span;
        stream >> first >> last >> span.start >> span.end;
        span.first = first;
        span.last = last;
        spans.push_back(span);
    }
    return stream.status() == QDataStream::Ok;
}

} // namespace

bool BreakFinder::save(const QString &folder, const QFileInfo &file, const BreakThresholds &thresholds,
                       const BreakScan &scan)
{
    return CacheFolder::write(cachePath(folder, file), kMagic, kVersion, [&](QDataStream &stream) {
        stream << thresholds << qint32(scan.frames) << scan.damaged;
        writeSpans(stream, scan.black);
        writeSpans(stream, scan.breaks);
        stream << quint32(scan.silence.size());
        for (const TimeSpan &span : scan.silence)
            stream << span.start << span.end;
        stream << quint32(scan.scenes.size());
        for (const SceneChange &scene : scan.scenes)
            stream << qint32(scene.frame) << scene.seconds << scene.score;
    });
}

std::optional<BreakScan> BreakFinder::load(const QString &folder, const QFileInfo &file,
                                           const BreakThresholds &thresholds)
{
    BreakScan scan;
    const bool read = CacheFolder::read(cachePath(folder, file), kMagic, kVersion, [&](QDataStream &stream, qint64 size) {
        BreakThresholds kept;
        qint32 frames = 0;
        stream >> kept >> frames >> scan.damaged;
        // Kept for other thresholds: a scan with these has to be made.
        if (!(kept == thresholds) || frames < 0 || !readSpans(stream, scan.black) || !readSpans(stream, scan.breaks))
            return false;
        scan.frames = frames;
        quint32 count = 0;
        stream >> count;
        if (count > kMostItems || qint64(count) * 16 > size)
            return false;
        for (quint32 i = 0; i < count && stream.status() == QDataStream::Ok; ++i) {
            TimeSpan span;
            stream >> span.start >> span.end;
            scan.silence.push_back(span);
        }
        stream >> count;
        if (count > kMostItems || qint64(count) * 20 > size)
            return false;
        for (quint32 i = 0; i < count && stream.status() == QDataStream::Ok; ++i) {
            qint32 frame = 0;
            SceneChange scene;
            stream >> frame >> scene.seconds >> scene.score;
            scene.frame = frame;
            scan.scenes.push_back(scene);
        }
        return true;
    });
    if (!read)
        return std::nullopt;
    return scan;
}
