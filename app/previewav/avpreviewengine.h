#pragma once

#include "previewengine.h"
#include "breakworker.h"
#include "previewworker.h"
#include "timelineworker.h"

#include <QThread>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>

// The preview engine on FFmpeg's libraries. All decoding runs on a worker thread
// (PreviewWorker); the calls here post requests to it and keep what it reports. RenderFile and
// StepFrames wait (processing events, bounded) for their answer, as the interface says; a seek
// does not: until its frame arrives, the position and the shown frame are the ones the frame
// index says it will show, while the picture may be its group's keyframe, painted at once.
class AvPreviewEngine final : public PreviewEngine
{
    Q_OBJECT

public:
    // indexFolder: where frame indexes are kept between runs; the timeline's pieces are kept
    // beside it, in "timeline".
    explicit AvPreviewEngine(const QString &indexFolder, QObject *parent = nullptr);
    ~AvPreviewEngine() override;

    PreviewStatus RenderFile(const QString &path) override;
    PreviewStatus SetVolume(int volume) override;
    PreviewStatus SetBalance(int balance) override;
    PreviewStatus SetVideoOutput(PreviewPictureOutput output) override;
    PreviewStatus SetRate(double rate) override;
    std::optional<double> Duration() const override;
    void SetLength(double seconds) override;
    std::optional<double> CurrentPosition() const override;
    PreviewStatus SetCurrentPosition(double seconds) override;
    PreviewStatus Run() override;
    PreviewStatus Pause() override;
    PreviewStatus Stop() override;
    void Release() override;
    bool HasMedia() const override;
    std::optional<double> ShownFramePosition() const override;
    std::optional<double> FrameRate() const override;
    PreviewStatus StepFrames(int frames) override;
    void SetPictureSize(QSize size) override;
    void SetTimelineOutput(TimelineOutput output) override;
    void RequestThumbnails(const std::vector<double> &seconds, int height) override;
    void RequestWaveform() override;
    void FindBreaks(const BreakThresholds &thresholds, BreakOutput output) override;
    void StopBreaks() override;

    bool AtEnd() const { return m_ended; }
    // Every request made has been answered: the picture of the last seek or step has come.
    bool Idle() const { return m_answered >= m_shared.latest.load(); }
    // Seeks as they were before pictures came first while the exact frame decodes, and before
    // frames were held back and read ahead at rest: for side-by-side figures.
    void setClassicSeeks(bool classic) { m_shared.classic = classic; }
    // The frame index is known: seeks show keyframes first and land where it says (for tests).
    bool HasFrameIndex() const { return m_index != nullptr; }
    // The timeline's reading holds no file: it has taken the last close (for tests).
    bool TimelineClosed() const { return m_timelineWorker->heldLoad() == 0; }
    // Pictures shown for a seek before its own frame came (for tests).
    quint64 previewsShown() const { return m_previewsShown; }
    // The volume last applied as a linear factor 0..1 (for tests).
    std::optional<float> linearVolume() const;

signals:
    void answered(); // a request was answered, or the media went away

private:
    static constexpr int kLoadTimeoutMs = 15000;
    static constexpr int kStepTimeoutMs = 10000;

    quint64 post(bool moves = false);
    // Runs events until done() holds, the media goes, or the time is up; returns done().
    bool waitUntil(const std::function<bool()> &done, int timeoutMs);
    bool waitFor(quint64 serial, int timeoutMs); // until the request serial is answered
    void takePicture(quint64 serial, double seconds, const RgbImage &image);
    void takeAnswer(quint64 serial);
    // The frame a seek to seconds will show, from the index; seconds without one.
    double frameStartAt(double seconds) const;
    void takeKeyframes(std::vector<double> keyframes);
    void sendThumbnailRequest();

    QThread m_thread;
    PreviewWorker *m_worker = nullptr;
    PreviewShared m_shared;
    PreviewPictureOutput m_output;
    RgbImage m_picture; // the last delivered, for an output set after it came

    quint64 m_fileSerial = 0; // the request that opened the file; 0: none
    bool m_loaded = false;
    quint64 m_answered = 0;
    quint64 m_previewsShown = 0;
    std::optional<bool> m_openResult;
    PreviewFileInfo m_info;
    std::optional<double> m_length;
    std::shared_ptr<const FrameIndex> m_index;
    qint64 m_indexStartTs = 0;
    double m_indexTimeBase = 0.0;
    std::optional<double> m_shown;
    std::optional<double> m_pendingSeek;
    quint64 m_pendingSerial = 0;
    bool m_playing = false;
    bool m_ended = false;
    double m_rate = 1.0;
    std::optional<float> m_volume;

    TimelineOutput m_timeline;
    std::vector<double> m_keyframes;
    bool m_fullKeyframes = false; // from the frame index, not only the container's header
    std::vector<double> m_thumbnailTimes; // the last request, sent once keyframes are known
    int m_thumbnailHeight = 0;
    quint64 m_thumbnailRequest = 0;
    QString m_path; // the file loaded
    BreakOutput m_breakOutput;
    quint64 m_breakScan = 0; // the scan whose reports are taken; 0: none
    // Last: their threads hand pieces to this object until they are gone.
    std::unique_ptr<TimelineWorker> m_timelineWorker;
    std::unique_ptr<BreakWorker> m_breakWorker;
};

// The linear gain (0..1) for a volume in hundredths of a decibel; -10000 and below is silence,
// 0 and above full volume.
float linearGainForVolume(int volume);
