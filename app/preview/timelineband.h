#pragma once

#include "previewengine.h"

#include <QStringList>
#include <QVariantList>

#include <QImage>
#include <QWidget>

#include <vector>

class Slider;
class TimelineBand;

// One strip of the band, the keyframe pictures or the sound's peaks: a widget of its own so
// that a screen reader finds it by name, painted by the band.
class TimelineStrip final : public QWidget
{
    Q_OBJECT

public:
    enum class Kind { Thumbnails, Waveform };
    TimelineStrip(TimelineBand &band, Kind kind);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    TimelineBand &m_band;
    Kind m_kind;
};

// The breaks and scene changes drawn over the thumbnails: a widget of its own, which a screen
// reader hears as a list of the breaks ("Break at 00:12:31.440, 0.8 s").
class TimelineMarkers final : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(QStringList markerTexts READ markerTexts)
    Q_PROPERTY(QVariantList markerRects READ markerRects)
    Q_PROPERTY(int currentMarker READ currentMarker)

public:
    explicit TimelineMarkers(TimelineBand &band);
    QStringList markerTexts() const;
    QVariantList markerRects() const;
    // The break last gone to with the keys; -1 when none.
    int currentMarker() const { return m_current; }
    void setCurrentMarker(int index);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    TimelineBand &m_band;
    int m_current = -1;
};

// The timeline under the slider: keyframe ticks, a strip of thumbnails and the sound's
// waveform, over the slider's range and placed as its handle is, so that a tick or a picture
// stands under the handle that reaches it. It follows the handle and the marks, and a click or
// drag on it places the handle as on the slider. What it shows comes from the preview engine;
// the band says what it wants (the pictures for its slots, the waveform) and takes pieces as
// they come.
class TimelineBand final : public QWidget
{
    Q_OBJECT

public:
    // The band's height in twips: ticks, thumbnails, waveform.
    static constexpr int kHeightTwips = 1050;

    TimelineBand(const Slider &slider, QWidget *parent = nullptr);

    // Nothing loaded: everything goes.
    void clear();
    // A video is loaded (the slider has its range): asks for the pictures and the waveform.
    void start();
    void setKeyframes(const std::vector<double> &keyframes);
    void setThumbnail(int slot, const QImage &image);
    void addWaveform(const WaveformPiece &piece);

    const std::vector<double> &keyframes() const { return m_keyframes; }
    // "Keyframes every 2 s", or how many there are where they are not evenly spaced.
    QString keyframeDescription() const;
    const QByteArray &peaks() const { return m_peaks; }
    // What a break scan found: breaks as markers of their own colour, scene changes as short
    // ticks. Kept until clear().
    void setBreaks(const std::vector<FrameSpan> &breaks, const std::vector<double> &sceneChanges);
    const std::vector<FrameSpan> &breaks() const { return m_breaks; }
    TimelineMarkers &markers() { return *m_markers; }
    // The break that ends at seconds becomes the list's current entry (after a key went there).
    void showCurrentBreak(double seconds);
    bool waveformComplete() const { return m_waveComplete; }
    bool hasSound() const { return m_hasSound; }
    int thumbnailSlots() const { return int(m_thumbnails.size()); }
    int thumbnailsShown() const;

    // Seconds (slider values) and x in the band's pixels.
    double xOf(double seconds) const;
    double secondsAt(double x) const;

    // The waveform's picture for a strip of size (logical pixels) at a device pixel ratio: one
    // bar per device pixel column, in whole device pixels, so nothing is blurred at any scale.
    QImage waveformImage(QSize size, qreal dpr) const;

    TimelineStrip &thumbnailStrip() { return *m_thumbStrip; }
    TimelineStrip &waveformStrip() { return *m_waveStrip; }

    // For the strips: the marked part and the handle over what they show.
    void paintOverlay(QPainter &painter, const QWidget &strip) const;
    void paintThumbnails(QPainter &painter, const QWidget &strip);
    void paintMarkers(QPainter &painter, const QWidget &strip) const;
    // The break's marker in the strip's pixels.
    QRect breakRect(const FrameSpan &span, const QWidget &strip) const;

signals:
    // The pictures wanted, one per slot at its time, height device pixels high.
    void thumbnailsWanted(const std::vector<double> &seconds, int height);
    void waveformWanted();
    // A click or drag placed the handle here (a slider value).
    void seekRequested(qint32 value);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    void layoutStrips();
    void askForThumbnails(bool always = false);
    qint32 valueAt(double x) const;
    void updateToolTips();

    const Slider &m_slider;
    TimelineStrip *m_thumbStrip = nullptr;
    TimelineStrip *m_waveStrip = nullptr;
    TimelineMarkers *m_markers = nullptr;
    bool m_started = false;
    std::vector<FrameSpan> m_breaks;
    std::vector<double> m_scenes;
    std::vector<double> m_keyframes;

    std::vector<QImage> m_thumbnails; // one per slot
    double m_aspect = 16.0 / 9.0;     // of the pictures, learnt from the first
    int m_askedHeight = 0;
    int m_askedSlots = 0;
    qint32 m_askedMax = -1;

    QByteArray m_peaks;
    int m_bucketsPerSecond = 100;
    bool m_waveComplete = false;
    bool m_hasSound = true;
    mutable QImage m_waveImage; // drawn for the strip's size and scale; null when stale

    bool m_dragging = false;
};
