#pragma once

#include <QImage>
#include <QStringList>
#include <QVideoFrame>
#include <QWidget>

class QVideoSink;

// The preview area picVideoWindow. Frames arriving at its sink are painted stretched over the
// whole widget, aspect ratio not kept; with no frame the area is black. The last picture stays
// when the stream ends or the player lets go of the sink, until clearFrame(). Files dropped on
// the area are reported, not loaded: the window decides what to do with them.
class VideoArea final : public QWidget
{
    Q_OBJECT

public:
    explicit VideoArea(QWidget *parent = nullptr);

    // Made on the first call: a sink starts the media framework, which a
    // window that never shows a video does without.
    QVideoSink *videoSink();
    bool hasFrame() const { return m_frame.isValid(); }
    // Paints that drew a frame (not black) since construction.
    qint64 framesPainted() const { return m_framesPainted; }
    void clearFrame();

    // The local file paths among urls, in their order; other URLs are left out.
    static QStringList localPathsOf(const QList<QUrl> &urls);

signals:
    void filesDropped(const QStringList &localPaths);
    // The sink got a frame (an empty one when the player stops or lets go).
    void videoFrameChanged(const QVideoFrame &frame);

protected:
    void paintEvent(QPaintEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    void takeFrame(const QVideoFrame &frame);

    QVideoSink *m_sink = nullptr;
    QVideoFrame m_frame;
    QImage m_image; // m_frame converted, made on the first paint that needs it
    qint64 m_framesPainted = 0;
};
