#pragma once

#include "audiodecoder.h"
#include "frameindex.h"
#include "rgbimage.h"
#include "videosource.h"

#include <QElapsedTimer>
#include <QObject>
#include <QSize>
#include <QTimer>

#include <atomic>
#include <memory>
#include <optional>
#include <thread>

class QAudioSink;
class QIODevice;

// What the engine and its worker share across the thread: the serials of the newest requests,
// read to skip stale work, and the size pictures are painted at.
struct PreviewShared
{
    std::atomic<quint64> latest{0};     // the newest request of any kind
    std::atomic<quint64> latestSeek{0}; // the newest that moves the position (a seek, load or release)
    std::atomic<int> paintWidth{0};
    std::atomic<int> paintHeight{0};
    // Seeks as they were before pictures came first (for side-by-side figures).
    std::atomic_bool classic{false};
};

// What the worker tells the engine about a loaded file.
struct PreviewFileInfo
{
    double duration = 0.0;
    std::optional<double> frameRate;
};

// The preview's decoding thread: every request the engine makes runs here, in order, so the
// window thread never waits on a decode. Each request carries the engine's serial number;
// answers carry it back. A seek made stale by a newer seek is skipped, or cut short where it
// decodes, after a keyframe or cached picture near its place has been shown.
class PreviewWorker final : public QObject
{
    Q_OBJECT

public:
    PreviewWorker(QString indexFolder, const PreviewShared &shared);
    ~PreviewWorker() override;

    void open(quint64 serial, const QString &path);
    void close();
    void seek(quint64 serial, double seconds);
    void step(quint64 serial, int frames);
    void play(quint64 serial, double rate);
    void pause(quint64 serial);
    void setVolume(float linear);

signals:
    void opened(quint64 serial, bool ok, const PreviewFileInfo &info);
    void pictureReady(quint64 serial, double seconds, const RgbImage &image);
    // A picture to show while the seek serial decodes its own frame: not yet the frame asked for.
    void previewReady(quint64 serial, const RgbImage &image);
    // A request produced no new picture (it failed, or was skipped as stale).
    void requestDone(quint64 serial);
    void indexReady(quint64 serial, std::shared_ptr<const FrameIndex> index, qint64 startTs, double timeBase);
    void playbackEnded(quint64 serial);

private:
    void deliver(quint64 serial, const VideoSource::Picture &picture);
    void applyPaintSize();
    void takeIndex(quint64 serial, std::shared_ptr<const FrameIndex> index);
    void stopScan();
    void startSound(double from);
    void stopSound();
    double clock() const;
    void tick();
    void prefetch(quint64 serial);
    // After a seek or step has shown its frame: the work done while the user rests.
    void rest(quint64 serial);

    QString m_indexFolder;
    const PreviewShared &m_shared;
    quint64 m_serial = 0; // the open file's
    std::unique_ptr<VideoSource> m_source;
    QString m_path;
    std::thread m_scan;
    std::atomic_bool m_cancelScan{false};

    // Playback.
    QTimer m_ticker{this}; // a child: it moves to the thread with the worker
    quint64 m_playSerial = 0;
    double m_rate = 1.0;
    float m_volume = 1.0f;
    std::optional<VideoSource::Picture> m_upcoming; // decoded ahead, not yet due
    std::optional<double> m_shown;                  // the last frame delivered
    bool m_videoEnded = false;
    std::unique_ptr<AudioDecoder> m_audio;
    std::unique_ptr<QAudioSink> m_sink;
    QIODevice *m_sinkDevice = nullptr;
    QByteArray m_pending; // samples decoded, not yet taken by the sink
    qint64 m_bytesWritten = 0;
    bool m_audioEnded = false;
    double m_playFrom = 0.0;
    QElapsedTimer m_wallClock; // the clock where there is no sound
};
