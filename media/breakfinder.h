#pragma once

#include "breakmarks.h"

#include <QFileInfo>
#include <QString>

#include <atomic>
#include <memory>
#include <optional>
#include <variant>
#include <vector>

// What one decoded picture told: its time, its share of dark pixels and its difference to the
// picture before (0..1).
struct FrameLook
{
    double seconds = 0.0;
    float dark = 0.0f;
    float change = 0.0f;
};

// The stretches and places in per-frame looks and per-bucket silence (kBucketsPerSecond
// buckets a second, true where every track is under the threshold). Pure, for tests.
namespace BreakRules {
inline constexpr int kBucketsPerSecond = 100;
std::vector<FrameSpan> blackStretches(const std::vector<FrameLook> &frames, const BreakThresholds &thresholds);
std::vector<TimeSpan> silentStretches(const std::vector<bool> &silentBuckets, const BreakThresholds &thresholds);
// A black stretch meets a silent one when they overlap by a frame's worth (40 ms) or the black
// stretch's whole length, whichever is shorter.
std::vector<FrameSpan> breaks(const std::vector<FrameSpan> &black, const std::vector<TimeSpan> &silence);
// scdet's rule: the difference itself and its rise over the difference before both reach the
// threshold, so that steady motion is not a new scene.
std::vector<SceneChange> sceneChanges(const std::vector<FrameLook> &frames, const BreakThresholds &thresholds);
} // namespace BreakRules

// Reads a file's video and every sound track in one pass, in pieces, and finds black stretches,
// silent stretches, the breaks where they meet, and scene changes. The video is decoded at a
// reduced size where the decoder can (MPEG-2, MPEG-4 part 2) and measured on a sparse grid of
// luma samples; every frame is looked at, so the stretches start and end on exact frames.
// A read error ends the scan with what was read.
class BreakFinder final
{
public:
    static std::variant<std::unique_ptr<BreakFinder>, QString> open(const QString &path,
                                                                    const BreakThresholds &thresholds,
                                                                    const std::atomic_bool *cancel = nullptr);
    ~BreakFinder();

    // Reads on for about budgetMs milliseconds; false once the whole file is read (or a read
    // error or the cancel flag ended it).
    bool readMore(int budgetMs);
    // How far the video is read, and the file's length when known.
    double readSeconds() const;
    std::optional<double> duration() const;
    // What was found in what was read so far.
    BreakScan result() const;

    // The scan of file kept in folder, for these thresholds; nullopt when none is or it is damaged.
    static QString cachePath(const QString &folder, const QFileInfo &file);
    static bool save(const QString &folder, const QFileInfo &file, const BreakThresholds &thresholds,
                     const BreakScan &scan);
    static std::optional<BreakScan> load(const QString &folder, const QFileInfo &file,
                                         const BreakThresholds &thresholds);

private:
    struct State;
    explicit BreakFinder(std::unique_ptr<State> state);
    std::unique_ptr<State> m_state;
};
