#include "litshare.h"
#include "videoarea.h"

#include <QApplication>
#include <QMimeData>
#include <QSignalSpy>
#include <QTest>
#include <QUrl>

namespace {

// A picture of w x h pixels: left half red, right half blue.
QImage splitImage(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(qRgb(0, 0, 255));
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w / 2; ++x)
            image.setPixel(x, y, qRgb(255, 0, 0));
    }
    return image;
}

} // namespace

// The preview area on its own: how it shows pictures and what it makes of drops.
class TestVideoArea final : public QObject
{
    Q_OBJECT

private slots:
    void frameCoversTheWholeArea_data();
    void frameCoversTheWholeArea();
    void dropReportsLocalFiles_data();
    void dropReportsLocalFiles();
};

void TestVideoArea::frameCoversTheWholeArea_data()
{
    QTest::addColumn<QSize>("frameSize");
    QTest::addColumn<QSize>("areaSize");
    QTest::newRow("4x2 frame in the 318x189 preview") << QSize(4, 2) << QSize(318, 189);
    QTest::newRow("wide frame in a tall area") << QSize(64, 8) << QSize(60, 300);
    QTest::newRow("tall frame in a wide area") << QSize(8, 64) << QSize(300, 40);
}

void TestVideoArea::frameCoversTheWholeArea()
{
    QFETCH(QSize, frameSize);
    QFETCH(QSize, areaSize);
    VideoArea area;
    area.resize(areaSize);
    QVERIFY(!area.hasFrame());
    QCOMPARE(litShare(area.grab().toImage()), 0.0);

    const QImage image = splitImage(frameSize.width(), frameSize.height());
    area.showPicture(PreviewPicture([image] { return image; }));
    QVERIFY(area.hasFrame());
    const QImage shown = area.grab().toImage().convertToFormat(QImage::Format_RGB32);
    QVERIFY(area.framesPainted() > 0);
    const int w = shown.width();
    const int h = shown.height();
    // Stretched, not letterboxed: the corners carry the picture's own colours.
    for (const QPoint &p : {QPoint(0, 0), QPoint(0, h - 1), QPoint(w / 2 - 2, h / 2)})
        QCOMPARE(shown.pixel(p), qRgb(255, 0, 0));
    for (const QPoint &p : {QPoint(w - 1, 0), QPoint(w - 1, h - 1), QPoint(w / 2 + 2, h / 2)})
        QCOMPARE(shown.pixel(p), qRgb(0, 0, 255));

    // The null picture of a stopping player keeps the picture; clearFrame makes it black.
    area.showPicture(PreviewPicture());
    QVERIFY(area.hasFrame());
    QCOMPARE(litShare(area.grab().toImage()), 1.0);
    area.clearFrame();
    QVERIFY(!area.hasFrame());
    QCOMPARE(litShare(area.grab().toImage()), 0.0);
}

void TestVideoArea::dropReportsLocalFiles_data()
{
    QTest::addColumn<QList<QUrl>>("urls");
    QTest::addColumn<QStringList>("expected"); // empty: the drop is refused, nothing reported
    const QUrl a = QUrl::fromLocalFile(QStringLiteral("/videos/CLIP.AVI"));
    const QUrl b = QUrl::fromLocalFile(QStringLiteral("/videos/second clip #2.ts"));
    const QUrl web(QStringLiteral("https://example.org/clip.mp4"));
    QTest::newRow("one file") << QList<QUrl>{a} << QStringList{QStringLiteral("/videos/CLIP.AVI")};
    QTest::newRow("several, in their order")
        << QList<QUrl>{b, a} << QStringList{QStringLiteral("/videos/second clip #2.ts"), QStringLiteral("/videos/CLIP.AVI")};
    QTest::newRow("web address left out") << QList<QUrl>{web, a} << QStringList{QStringLiteral("/videos/CLIP.AVI")};
    QTest::newRow("only a web address") << QList<QUrl>{web} << QStringList{};
    QTest::newRow("no URLs (plain text)") << QList<QUrl>{} << QStringList{};
}

void TestVideoArea::dropReportsLocalFiles()
{
    QFETCH(QList<QUrl>, urls);
    QFETCH(QStringList, expected);
    VideoArea area;
    area.resize(160, 120);
    QVERIFY(area.acceptDrops());
    QCOMPARE(area.cursor().shape(), Qt::ArrowCursor);
    QSignalSpy dropped(&area, &VideoArea::filesDropped);

    QMimeData mime;
    if (urls.isEmpty())
        mime.setText(QStringLiteral("/videos/CLIP.AVI"));
    else
        mime.setUrls(urls);
    const QPoint at(80, 60);
    QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&area, &enter);
    QCOMPARE(enter.isAccepted(), !expected.isEmpty());
    QDropEvent drop(QPointF(at), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&area, &drop);
    if (expected.isEmpty()) {
        QCOMPARE(dropped.count(), 0);
    } else {
        QCOMPARE(dropped.count(), 1);
        QCOMPARE(dropped.at(0).at(0).toStringList(), expected);
    }
}

QTEST_MAIN(TestVideoArea)
#include "tst_videoarea.moc"
