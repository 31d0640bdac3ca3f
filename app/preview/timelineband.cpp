#include "timelineband.h"

#include "colorscheme.h"
#include "cutlist.h"
#include "slider.h"
#include "twips.h"

#include <QAccessible>
#include <QLocale>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

// Rows of the band, in logical pixels from its top.
constexpr int kTickRows = 6;
constexpr int kThumbTop = 7;
constexpr int kThumbHeight = 40;
constexpr int kWaveTop = kThumbTop + kThumbHeight + 1;

QColor colour(qint32 windowsColour)
{
    return QColor(windowsColour & 0xff, (windowsColour >> 8) & 0xff, (windowsColour >> 16) & 0xff);
}

const ColorScheme kScheme;
// The breaks' own colour, apart from the scheme's reds, and the scene changes' ticks.
const QColor kBreakColour(255, 200, 0);
const QColor kSceneColour(0, 170, 255);
constexpr int kSceneTickRows = 6;
constexpr int kLeastBreakWidth = 3;

} // namespace

TimelineStrip::TimelineStrip(TimelineBand &band, Kind kind)
    : QWidget(&band)
    , m_band(band)
    , m_kind(kind)
{
    if (kind == Kind::Thumbnails) {
        setObjectName(QStringLiteral("picThumbnails"));
        setAccessibleName(tr("Thumbnails"));
        setAccessibleDescription(tr("Pictures of the keyframes along the video"));
    } else {
        setObjectName(QStringLiteral("picWaveform"));
        setAccessibleName(tr("Waveform"));
        // The description follows the sound: the band sets it.
    }
}

void TimelineStrip::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    if (m_kind == Kind::Thumbnails)
        m_band.paintThumbnails(painter, *this);
    else
        painter.drawImage(QPoint(0, 0), m_band.waveformImage(size(), painter.device()->devicePixelRatioF()));
    m_band.paintOverlay(painter, *this);
}

TimelineMarkers::TimelineMarkers(TimelineBand &band)
    : QWidget(&band)
    , m_band(band)
{
    setObjectName(QStringLiteral("lstBreaks"));
    setAccessibleName(tr("Breaks"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

QStringList TimelineMarkers::markerTexts() const
{
    QStringList texts;
    for (const FrameSpan &span : m_band.breaks())
        texts.append(tr("Break at %1, %2 s").arg(cutTimeText(span.start, true),
                                                 QLocale().toString(span.end - span.start, 'f', 1)));
    return texts;
}

QVariantList TimelineMarkers::markerRects() const
{
    QVariantList rects;
    for (const FrameSpan &span : m_band.breaks())
        rects.append(m_band.breakRect(span, *this));
    return rects;
}

void TimelineMarkers::setCurrentMarker(int index)
{
    m_current = index;
    if (index >= 0) {
        QAccessibleEvent event(this, QAccessible::Selection);
        event.setChild(index);
        QAccessible::updateAccessibility(&event);
    }
}

void TimelineMarkers::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    m_band.paintMarkers(painter, *this);
}

TimelineBand::TimelineBand(const Slider &slider, QWidget *parent)
    : QWidget(parent)
    , m_slider(slider)
    , m_thumbStrip(new TimelineStrip(*this, TimelineStrip::Kind::Thumbnails))
    , m_waveStrip(new TimelineStrip(*this, TimelineStrip::Kind::Waveform))
{
    setObjectName(QStringLiteral("picTimeline"));
    setAccessibleName(tr("Timeline"));
    m_markers = new TimelineMarkers(*this);
    connect(&slider, &Slider::Change, this, [this] {
        update();
        m_thumbStrip->update();
        m_markers->update();
        m_waveStrip->update();
        // A new range moves every slot.
        if (m_started && m_slider.Max() != m_askedMax)
            askForThumbnails();
    });
    layoutStrips();
    updateToolTips();
}

void TimelineBand::clear()
{
    m_started = false;
    m_keyframes.clear();
    m_thumbnails.clear();
    m_askedHeight = m_askedSlots = 0;
    m_askedMax = -1;
    m_peaks.clear();
    m_waveComplete = false;
    m_hasSound = true;
    m_waveImage = {};
    setBreaks({}, {});
    updateToolTips();
    update();
    m_thumbStrip->update();
    m_waveStrip->update();
}

void TimelineBand::setBreaks(const std::vector<FrameSpan> &breaks, const std::vector<double> &sceneChanges)
{
    m_breaks = breaks;
    m_scenes = sceneChanges;
    m_markers->setCurrentMarker(-1);
    m_markers->setAccessibleDescription(
        m_breaks.empty() && m_scenes.empty()
            ? QString()
            : tr("%1 breaks, %2 scene changes. Alt+Right and Alt+Left go to the next and previous break, "
                 "Alt+Shift+Right and Alt+Shift+Left to the next and previous scene change")
                  .arg(m_breaks.size())
                  .arg(m_scenes.size()));
    QAccessibleEvent changed(m_markers, QAccessible::ObjectReorder);
    QAccessible::updateAccessibility(&changed);
    m_markers->update();
}

void TimelineBand::showCurrentBreak(double seconds)
{
    for (size_t i = 0; i < m_breaks.size(); ++i) {
        if (std::abs(m_breaks[i].end - seconds) < 0.0005) {
            m_markers->setCurrentMarker(int(i));
            return;
        }
    }
}

QRect TimelineBand::breakRect(const FrameSpan &span, const QWidget &strip) const
{
    const int dx = strip.x();
    int left = int(std::floor(xOf(span.start))) - dx;
    int right = int(std::ceil(xOf(span.end))) - dx;
    // A break of a fraction of a second on an hour's band is still seen.
    if (right - left < kLeastBreakWidth) {
        const int middle = (left + right) / 2;
        left = middle - kLeastBreakWidth / 2;
        right = left + kLeastBreakWidth;
    }
    return QRect(left, 0, right - left, strip.height());
}

void TimelineBand::paintMarkers(QPainter &painter, const QWidget &strip) const
{
    if (!m_started)
        return;
    int lastColumn = INT_MIN;
    for (const double seconds : m_scenes) {
        const int column = int(std::floor(xOf(seconds))) - strip.x();
        if (column == lastColumn)
            continue;
        lastColumn = column;
        painter.fillRect(QRect(column, strip.height() - kSceneTickRows, 1, kSceneTickRows), kSceneColour);
    }
    QColor fill = kBreakColour;
    fill.setAlpha(170);
    for (const FrameSpan &span : m_breaks) {
        const QRect marker = breakRect(span, strip);
        painter.fillRect(marker, fill);
        painter.fillRect(QRect(marker.left(), 0, marker.width(), 2), kBreakColour);
        painter.fillRect(QRect(marker.left(), strip.height() - 2, marker.width(), 2), kBreakColour);
    }
}

void TimelineBand::start()
{
    m_started = true;
    askForThumbnails(true);
    if (!m_waveComplete)
        emit waveformWanted();
}

void TimelineBand::setKeyframes(const std::vector<double> &keyframes)
{
    m_keyframes = keyframes;
    update();
}

QString TimelineBand::keyframeDescription() const
{
    const int count = int(m_keyframes.size());
    if (count >= 3) {
        std::vector<double> gaps;
        for (int i = 1; i < count; ++i)
            gaps.push_back(m_keyframes[size_t(i)] - m_keyframes[size_t(i - 1)]);
        // The last group may be cut short by the end: it does not make the spacing uneven.
        const auto [least, most] = std::minmax_element(gaps.begin(), gaps.end() - 1);
        if (*most - *least <= 0.05 * *most + 0.01)
            return tr("Keyframes every %1 s").arg(QLocale().toString(*most, 'g', 3));
    }
    // English has no translation file to pick the plural form from.
    return count == 1 ? tr("1 keyframe") : tr("%n keyframes", nullptr, count);
}

void TimelineBand::setThumbnail(int slot, const QImage &image)
{
    if (slot < 0 || slot >= int(m_thumbnails.size()))
        return;
    if (!image.isNull() && image.height() > 0) {
        const double aspect = double(image.width()) / image.height();
        // Slots were laid out for another shape: lay them out anew for this one.
        if (std::abs(aspect - m_aspect) > 0.02 * m_aspect) {
            m_aspect = aspect;
            askForThumbnails(true);
            return;
        }
    }
    m_thumbnails[size_t(slot)] = image;
    m_thumbStrip->update();
}

int TimelineBand::thumbnailsShown() const
{
    return int(std::count_if(m_thumbnails.begin(), m_thumbnails.end(), [](const QImage &i) { return !i.isNull(); }));
}

void TimelineBand::addWaveform(const WaveformPiece &piece)
{
    if (piece.bucketsPerSecond <= 0 || piece.first < 0)
        return;
    m_bucketsPerSecond = piece.bucketsPerSecond;
    if (piece.first + piece.peaks.size() > m_peaks.size())
        m_peaks.resize(piece.first + piece.peaks.size(), '\0');
    std::copy(piece.peaks.begin(), piece.peaks.end(), m_peaks.begin() + piece.first);
    m_waveComplete = piece.complete;
    m_hasSound = piece.hasSound;
    m_waveImage = {};
    updateToolTips();
    m_waveStrip->update();
}

double TimelineBand::xOf(double seconds) const
{
    // The handle's centre for a value, between the slider's first and last place.
    const int min = m_slider.Min(), max = m_slider.Max();
    const double half = m_slider.skin().metrics().hw / 2.0;
    const double first = m_slider.ValueToPixel(min) + half, last = m_slider.ValueToPixel(max) + half;
    const double offset = m_slider.x() - x();
    if (max <= min)
        return offset + first;
    const double t = std::clamp((seconds - min) / (double(max) - min), 0.0, 1.0);
    return offset + first + t * (last - first);
}

double TimelineBand::secondsAt(double x) const
{
    const double first = xOf(m_slider.Min()), last = xOf(m_slider.Max());
    if (last <= first)
        return m_slider.Min();
    return m_slider.Min() + std::clamp((x - first) / (last - first), 0.0, 1.0) * (double(m_slider.Max()) - m_slider.Min());
}

qint32 TimelineBand::valueAt(double x) const
{
    return qint32(std::clamp<double>(std::lround(secondsAt(x)), m_slider.Min(), m_slider.Max()));
}

void TimelineBand::layoutStrips()
{
    m_thumbStrip->setGeometry(0, kThumbTop, width(), kThumbHeight);
    m_markers->setGeometry(0, kThumbTop, width(), kThumbHeight);
    m_waveStrip->setGeometry(0, kWaveTop, width(), std::max(1, height() - kWaveTop));
}

void TimelineBand::resizeEvent(QResizeEvent *)
{
    layoutStrips();
    m_waveImage = {};
    if (m_started)
        askForThumbnails();
}

void TimelineBand::askForThumbnails(bool always)
{
    const double first = xOf(m_slider.Min()), last = xOf(m_slider.Max());
    const double span = last - first;
    const qreal dpr = devicePixelRatioF();
    const int height = int(std::lround(kThumbHeight * dpr));
    // Enough to leave no gap: each picture is cut to its slot, by less than its width.
    const int count = std::max(1, int(std::ceil(span / (kThumbHeight * m_aspect) - 0.05)));
    if (!always && count == m_askedSlots && height == m_askedHeight && m_slider.Max() == m_askedMax)
        return;
    m_askedSlots = count;
    m_askedHeight = height;
    m_askedMax = m_slider.Max();
    m_thumbnails.assign(size_t(count), QImage());
    std::vector<double> times;
    for (int i = 0; i < count; ++i)
        times.push_back(secondsAt(first + (i + 0.5) * span / count));
    m_thumbStrip->update();
    emit thumbnailsWanted(times, height);
}

void TimelineBand::paintThumbnails(QPainter &painter, const QWidget &strip)
{
    painter.fillRect(strip.rect(), colour(kScheme.Darkest));
    const qreal dpr = painter.device()->devicePixelRatioF();
    // Asked for at another scale (the window moved to another screen): ask again.
    if (m_started && int(std::lround(kThumbHeight * dpr)) != m_askedHeight && strip.devicePixelRatioF() == dpr)
        QMetaObject::invokeMethod(this, [this] { askForThumbnails(); }, Qt::QueuedConnection);
    const double first = xOf(m_slider.Min()), span = xOf(m_slider.Max()) - first;
    const int count = int(m_thumbnails.size());
    for (int i = 0; i < count; ++i) {
        QImage image = m_thumbnails[size_t(i)];
        if (image.isNull())
            continue;
        const int left = int(std::lround(first + i * span / count));
        const int right = int(std::lround(first + (i + 1) * span / count));
        const QRect slot(left, 0, right - left, strip.height());
        // At its own pixels, centred in its slot: a picture made for this scale is not scaled.
        image.setDevicePixelRatio(dpr);
        const QSizeF shown = image.deviceIndependentSize();
        painter.save();
        painter.setClipRect(slot.adjusted(0, 0, -1, 0));
        painter.drawImage(QPointF(slot.center().x() + 0.5 - shown.width() / 2, (strip.height() - shown.height()) / 2),
                          image);
        painter.restore();
    }
}

QImage TimelineBand::waveformImage(QSize size, qreal dpr) const
{
    if (!m_waveImage.isNull() && m_waveImage.size() == (QSizeF(size) * dpr).toSize()
        && m_waveImage.devicePixelRatio() == dpr)
        return m_waveImage;
    const QSize pixels = (QSizeF(size) * dpr).toSize();
    QImage image(pixels, QImage::Format_RGB32);
    image.fill(colour(kScheme.Light));
    image.setDevicePixelRatio(dpr);
    if (pixels.isEmpty() || m_peaks.isEmpty()) {
        m_waveImage = image;
        return image;
    }
    const QRgb bar = colour(kScheme.Dark).rgb();
    const int middle = pixels.height() / 2;
    const int reach = std::max(0, std::min(middle, pixels.height() - 1 - middle));
    const double first = xOf(m_slider.Min()) * dpr, last = xOf(m_slider.Max()) * dpr;
    const double secondsPerPixel = (double(m_slider.Max()) - m_slider.Min()) / std::max(1.0, last - first);
    const auto *peaks = reinterpret_cast<const quint8 *>(m_peaks.constData());
    const qsizetype buckets = m_peaks.size();
    for (int column = std::max(0, int(std::floor(first))); column < std::min(pixels.width(), int(std::ceil(last)) + 1);
         ++column) {
        const double from = m_slider.Min() + (column - first) * secondsPerPixel;
        const qsizetype b0 = std::max<qsizetype>(0, qsizetype(std::floor(from * m_bucketsPerSecond)));
        const qsizetype b1 = std::max(b0 + 1, qsizetype(std::ceil((from + secondsPerPixel) * m_bucketsPerSecond)));
        if (b0 >= buckets)
            break; // not read yet
        int loudest = 0;
        for (qsizetype b = b0; b < std::min(b1, buckets); ++b)
            loudest = std::max<int>(loudest, peaks[b]);
        const int half = (loudest * reach + 127) / 255;
        for (int y = middle - half; y <= middle + half; ++y)
            reinterpret_cast<QRgb *>(image.scanLine(y))[column] = bar;
    }
    m_waveImage = image;
    return image;
}

void TimelineBand::paintOverlay(QPainter &painter, const QWidget &strip) const
{
    if (!m_started)
        return;
    const int dx = strip.x();
    const int start = m_slider.SelectStart(), end = m_slider.SelectEnd();
    if (end > start) {
        const QRectF marked(QPointF(xOf(start) - dx, 0), QPointF(xOf(end) - dx, strip.height()));
        painter.fillRect(marked, QColor(255, 255, 255, 70));
        painter.fillRect(QRectF(marked.left(), 0, 1, strip.height()), colour(kScheme.Medium));
        painter.fillRect(QRectF(marked.right() - 1, 0, 1, strip.height()), colour(kScheme.Medium));
    }
    const double handle = std::floor(xOf(m_slider.Value())) - dx;
    painter.fillRect(QRectF(handle, 0, 1, strip.height()), Qt::white);
}

void TimelineBand::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), colour(kScheme.Light));
    if (!m_started)
        return;
    // A tick at each keyframe; where they crowd closer than two pixels, one per pixel column.
    painter.setPen(Qt::NoPen);
    const QColor tick = colour(kScheme.Darkest);
    int lastColumn = INT_MIN;
    for (const double seconds : m_keyframes) {
        const int column = int(std::floor(xOf(seconds)));
        if (column == lastColumn)
            continue;
        lastColumn = column;
        painter.fillRect(QRect(column, 0, 1, kTickRows), tick);
    }
}

void TimelineBand::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || !m_started || !m_slider.Enabled()) {
        QWidget::mousePressEvent(event);
        return;
    }
    m_dragging = true;
    emit seekRequested(valueAt(event->position().x()));
}

void TimelineBand::mouseMoveEvent(QMouseEvent *event)
{
    if (m_dragging)
        emit seekRequested(valueAt(event->position().x()));
}

void TimelineBand::mouseReleaseEvent(QMouseEvent *)
{
    m_dragging = false;
}

void TimelineBand::updateToolTips()
{
    m_thumbStrip->setToolTip(tr("Pictures of the keyframes. Click or drag to seek"));
    m_waveStrip->setToolTip(m_hasSound ? tr("The sound's loudness. Click or drag to seek")
                                       : tr("This video has no sound: there is no waveform"));
    m_waveStrip->setAccessibleDescription(m_hasSound ? tr("The loudness of the first sound track along the video")
                                                     : tr("This video has no sound"));
}
