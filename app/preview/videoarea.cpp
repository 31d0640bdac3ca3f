#include "videoarea.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QPainter>
#include <QUrl>
#include <QVideoSink>

VideoArea::VideoArea(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("picVideoWindow"));
    setAcceptDrops(true);
    setCursor(Qt::ArrowCursor);
    // Every pixel is painted on each paint, so Qt need not clear the background first.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

QVideoSink *VideoArea::videoSink()
{
    if (!m_sink) {
        m_sink = new QVideoSink(this);
        connect(m_sink, &QVideoSink::videoFrameChanged, this, &VideoArea::takeFrame);
        connect(m_sink, &QVideoSink::videoFrameChanged, this, &VideoArea::videoFrameChanged);
    }
    return m_sink;
}

void VideoArea::takeFrame(const QVideoFrame &frame)
{
    // Players send an empty frame when they stop or reach the end; keep the last picture.
    if (!frame.isValid())
        return;
    m_frame = frame;
    m_image = QImage();
    update();
}

void VideoArea::clearFrame()
{
    m_frame = QVideoFrame();
    m_image = QImage();
    update();
}

void VideoArea::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    if (m_frame.isValid() && m_image.isNull())
        m_image = m_frame.toImage();
    if (m_image.isNull()) {
        painter.fillRect(rect(), Qt::black);
        return;
    }
    painter.drawImage(rect(), m_image);
    ++m_framesPainted;
}

QStringList VideoArea::localPathsOf(const QList<QUrl> &urls)
{
    QStringList paths;
    for (const QUrl &url : urls) {
        if (url.isLocalFile() && !url.toLocalFile().isEmpty())
            paths << url.toLocalFile();
    }
    return paths;
}

void VideoArea::dragEnterEvent(QDragEnterEvent *event)
{
    if (event->mimeData()->hasUrls() && !localPathsOf(event->mimeData()->urls()).isEmpty())
        event->acceptProposedAction();
}

void VideoArea::dragMoveEvent(QDragMoveEvent *event)
{
    if (event->mimeData()->hasUrls() && !localPathsOf(event->mimeData()->urls()).isEmpty())
        event->acceptProposedAction();
}

void VideoArea::dropEvent(QDropEvent *event)
{
    const QStringList paths = localPathsOf(event->mimeData()->urls());
    if (paths.isEmpty())
        return;
    event->acceptProposedAction();
    emit filesDropped(paths);
}
