#pragma once

#include "previewengine.h"

#include <QImage>
#include <QStringList>
#include <QWidget>

// The preview area picVideoWindow. The pictures it is given are painted stretched over the whole
// widget, aspect ratio not kept; with no picture the area is black. The last picture stays when
// the engine sends a null one (the stream ended or the player let go), until clearFrame(). Files
// dropped on the area are reported, not loaded: the window decides what to do with them.
class VideoArea final : public QWidget
{
    Q_OBJECT

public:
    explicit VideoArea(QWidget *parent = nullptr);

    // The preview engine's output.
    void showPicture(const PreviewPicture &picture);
    bool hasFrame() const { return !m_picture.isNull(); }
    // The picture shown, as an image; null when there is none.
    QImage currentImage();
    // Paints that drew a frame (not black) since construction.
    qint64 framesPainted() const { return m_framesPainted; }
    void clearFrame();

    // The local file paths among urls, in their order; other URLs are left out.
    static QStringList localPathsOf(const QList<QUrl> &urls);

signals:
    void filesDropped(const QStringList &localPaths);
    // The engine sent a picture (a null one when the player stops or lets go).
    void pictureChanged();
    // The pictures are painted at this many device pixels now.
    void paintSizeChanged(QSize devicePixels);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    PreviewPicture m_picture;
    QImage m_image; // m_picture converted, made on the first paint that needs it
    qint64 m_framesPainted = 0;
};
