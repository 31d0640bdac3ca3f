#pragma once

// A stand-in for the preview's playback engine, for window tests: it reports
// a duration, positions and the frame it shows, delivers a small picture to
// the video output, and can be told to fail at any step. Nothing plays by
// itself; a test moves the position with advance().

#include "previewengine.h"
#include "testsupport.h"

#include <QColor>
#include <QImage>
#include <QPointer>
#include <QSet>

#include <algorithm>
#include <cmath>

// What the fake engines of one test report. Shared, so a test can change it
// after the window has made its engine.
struct PreviewScript
{
    // The length the engine reports; empty: the file's real length (ffprobe).
    std::optional<double> duration;
    bool noDuration = false; // reports no length at all, as some MPEG-TS files do
    double frameRate = 25.0;
    double seekLateness = 0.0; // seeks land this much later, as MPEG-PS seeks do
    // Steps that answer Failed: "RenderFile", "SetVolume", "SetVideoOutput", ...
    QSet<QString> failing;
    int renderCalls = 0;
    QList<double> seeks; // every position asked for
    // The timeline: the keyframes reported after each load (none: none are), the peaks of
    // the waveform (one bucket per 10 ms), and what the window asked for.
    std::vector<double> keyframes;
    QByteArray peaks;
    bool noSound = false;
    QList<int> thumbnailHeights; // one entry per request
    QList<int> thumbnailSlots;
    int waveformRequests = 0;
    // What a break scan finds, delivered after the click as the real engine's findings come;
    // none: the scan fails.
    std::optional<BreakScan> breaks;
    int breakScans = 0;
};

class FakePreviewEngine final : public PreviewEngine
{
public:
    explicit FakePreviewEngine(PreviewScript &script)
        : m_script(script)
    {
    }

    PreviewStatus RenderFile(const QString &path) override
    {
        ++m_script.renderCalls;
        Release();
        if (fails("RenderFile"))
            return PreviewStatus::Failed;
        m_duration = m_script.duration ? *m_script.duration : TestSupport::probeDuration(path);
        m_loaded = m_duration > 0.0;
        if (m_loaded)
            show(0.0);
        // Keyframes come after the load, as the real engine's do.
        if (m_loaded && !m_script.keyframes.empty())
            later([this] {
                if (m_timeline.keyframes)
                    m_timeline.keyframes(m_script.keyframes);
            });
        return m_loaded ? PreviewStatus::Ok : PreviewStatus::Failed;
    }
    void SetTimelineOutput(TimelineOutput output) override { m_timeline = std::move(output); }
    // A picture per slot, coloured by the keyframe it shows, at the height asked for.
    void RequestThumbnails(const std::vector<double> &seconds, int height) override
    {
        m_script.thumbnailHeights.append(height);
        m_script.thumbnailSlots.append(int(seconds.size()));
        later([this, seconds, height] {
            for (size_t i = 0; i < seconds.size() && m_timeline.thumbnail; ++i) {
                QImage image(height * 16 / 9, height, QImage::Format_RGB32);
                image.fill(QColor::fromHsv(int(seconds[i] * 7) % 360, 200, 200));
                m_timeline.thumbnail(int(i), image);
            }
        });
    }
    void RequestWaveform() override
    {
        ++m_script.waveformRequests;
        later([this] {
            if (m_timeline.waveform)
                m_timeline.waveform(WaveformPiece{0, m_script.peaks, 100, true, !m_script.noSound});
        });
    }
    void FindBreaks(const BreakThresholds &, BreakOutput output) override
    {
        ++m_script.breakScans;
        later([this, output] {
            if (output.finished)
                output.finished(m_script.breaks.value_or(BreakScan{}),
                                m_script.breaks ? BreakScanEnd::Complete : BreakScanEnd::Failed);
        });
    }
    PreviewStatus SetVolume(int) override { return step("SetVolume"); }
    PreviewStatus SetBalance(int) override
    {
        return fails("SetBalance") ? PreviewStatus::Failed : PreviewStatus::NotSupported;
    }
    PreviewStatus SetVideoOutput(PreviewPictureOutput output) override
    {
        m_output = std::move(output);
        if (m_loaded)
            show(m_shown);
        return step("SetVideoOutput");
    }
    PreviewStatus SetRate(double) override { return step("SetRate"); }
    std::optional<double> Duration() const override
    {
        if (!m_loaded || m_script.noDuration)
            return std::nullopt;
        return m_duration;
    }
    void SetLength(double seconds) override
    {
        if (m_loaded)
            m_duration = seconds;
    }
    std::optional<double> CurrentPosition() const override
    {
        if (!m_loaded)
            return std::nullopt;
        return m_shown;
    }
    PreviewStatus SetCurrentPosition(double seconds) override
    {
        m_script.seeks.append(seconds);
        if (PreviewStatus status = step("SetCurrentPosition"); status != PreviewStatus::Ok)
            return status;
        show(seconds + m_script.seekLateness);
        return PreviewStatus::Ok;
    }
    std::optional<double> ShownFramePosition() const override
    {
        if (!m_loaded)
            return std::nullopt;
        return m_shown;
    }
    std::optional<double> FrameRate() const override
    {
        if (!m_loaded || m_script.frameRate <= 0.0)
            return std::nullopt;
        return m_script.frameRate;
    }
    PreviewStatus StepFrames(int frames) override
    {
        if (PreviewStatus status = step("StepFrames"); status != PreviewStatus::Ok)
            return status;
        m_playing = false;
        show(m_shown + frames / m_script.frameRate);
        return PreviewStatus::Ok;
    }
    PreviewStatus Run() override
    {
        if (PreviewStatus status = step("Run"); status != PreviewStatus::Ok)
            return status;
        m_playing = true;
        return PreviewStatus::Ok;
    }
    PreviewStatus Pause() override
    {
        if (PreviewStatus status = step("Pause"); status != PreviewStatus::Ok)
            return status;
        m_playing = false;
        return PreviewStatus::Ok;
    }
    PreviewStatus Stop() override
    {
        if (!m_loaded)
            return PreviewStatus::Failed;
        m_playing = false;
        show(0.0);
        return PreviewStatus::Ok;
    }
    void Release() override
    {
        m_loaded = false;
        m_playing = false;
        m_shown = 0.0;
    }
    bool HasMedia() const override { return m_loaded; }

    bool playing() const { return m_playing; }
    // Playback moving on by itself, as the real engine does while it plays.
    void advance(double seconds) { show(m_shown + seconds); }

private:
    bool fails(const char *name) const { return m_script.failing.contains(QString::fromLatin1(name)); }
    PreviewStatus step(const char *name) const
    {
        if (fails(name))
            return PreviewStatus::Failed;
        return m_loaded || QLatin1StringView(name) == QLatin1StringView("SetVideoOutput") ? PreviewStatus::Ok
                                                                                           : PreviewStatus::Failed;
    }

    // Snaps to the frame at or before seconds, clamped to the last frame, and
    // hands a picture of it to the output.
    void show(double seconds)
    {
        const double frame = 1.0 / m_script.frameRate;
        const double last = std::max(0.0, std::floor(m_duration / frame - 1e-6) * frame);
        m_shown = std::clamp(std::floor(seconds / frame + 1e-6) * frame, 0.0, last);
        if (!m_output)
            return;
        QImage image(16, 9, QImage::Format_RGBA8888);
        image.fill(QColor::fromHsv(int(m_shown / frame) % 360, 200, 200));
        m_output(PreviewPicture([image] { return image; }));
    }

    void later(std::function<void()> deliver)
    {
        QMetaObject::invokeMethod(this, std::move(deliver), Qt::QueuedConnection);
    }

    PreviewScript &m_script;
    PreviewPictureOutput m_output;
    TimelineOutput m_timeline;
    double m_duration = 0.0;
    double m_shown = 0.0;
    bool m_loaded = false;
    bool m_playing = false;
};
