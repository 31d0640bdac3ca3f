#include "videoarea.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QPainter>
#include <QUrl>

VideoArea::VideoArea(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("picVideoWindow"));
    setAcceptDrops(true);
    setCursor(Qt::ArrowCursor);
    // Every pixel is painted on each paint, so Qt need not clear the background first.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void VideoArea::showPicture(const PreviewPicture &picture)
{
    // A null picture shows nothing new: keep the last one.
    if (!picture.isNull()) {
        m_picture = picture;
        m_image = QImage();
        update();
    }
    emit pictureChanged();
}

QImage VideoArea::currentImage()
{
    if (m_image.isNull())
        m_image = m_picture.toImage();
    return m_image;
}

void VideoArea::clearFrame()
{
    m_picture = PreviewPicture();
    m_image = QImage();
    update();
}

void VideoArea::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QImage image = currentImage();
    if (image.isNull()) {
        painter.fillRect(rect(), Qt::black);
        return;
    }
    painter.drawImage(rect(), image);
    ++m_framesPainted;
}

void VideoArea::resizeEvent(QResizeEvent *)
{
    emit paintSizeChanged(size() * devicePixelRatio());
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
