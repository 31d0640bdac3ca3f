#pragma once

// The window's own control kit: framed panels, picture buttons, option
// buttons, a check box, a progress bar and a separator line, painted in the
// window's colour scheme. Colours are Windows colour values (0x00BBGGRR) held
// in properties that the colour scheme sets by name; changing one repaints.

#include <QAbstractButton>
#include <QCheckBox>
#include <QFrame>
#include <QRadioButton>
#include <QWidget>

#include <optional>
#include <utility>

class QTimer;

// A panel with a gradient body, a rounded border and, when it has a caption,
// a header strip that shows it. Its geometry is kept in twips; Left() and
// Top() read back exactly what was set, so the slide arithmetic stays exact
// whatever the pixel rounding. A move or resize by other means (a layout)
// updates the twips from the new pixels.
class FramePanel : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(QString Caption READ Caption WRITE setCaption)
    Q_PROPERTY(qint32 BodyColorBottomLeft MEMBER m_bodyColorBottomLeft NOTIFY colorsChanged)
    Q_PROPERTY(qint32 BodyColorBottomRight MEMBER m_bodyColorBottomRight NOTIFY colorsChanged)
    Q_PROPERTY(qint32 BodyColorTopLeft MEMBER m_bodyColorTopLeft NOTIFY colorsChanged)
    Q_PROPERTY(qint32 BorderColor MEMBER m_borderColor NOTIFY colorsChanged)
    Q_PROPERTY(qint32 ForeColor MEMBER m_foreColor NOTIFY colorsChanged)
    Q_PROPERTY(qint32 HeaderColorBottomLeft MEMBER m_headerColorBottomLeft NOTIFY colorsChanged)
    Q_PROPERTY(qint32 HeaderColorTopLeft MEMBER m_headerColorTopLeft NOTIFY colorsChanged)

public:
    explicit FramePanel(QWidget *parent = nullptr);

    QString Caption() const { return m_caption; }
    void setCaption(const QString &caption);

    int Left() const { return m_left; }
    int Top() const { return m_top; }
    int Width() const { return m_width; }
    int Height() const { return m_height; }
    void setLeft(int twips);
    void setTop(int twips);
    void setTwipsGeometry(int left, int top, int width, int height);

    // Height of the header strip in pixels; 0 without a caption.
    int headerHeight() const;

    QSize sizeHint() const override;

signals:
    // A mouse button went down on the panel itself, not on one of its
    // controls. Button: 1 left, 2 right, 4 middle; Shift: 1 Shift, 2 Ctrl,
    // 4 Alt; X and Y in twips from the panel's top left corner.
    void MouseDown(int Button, int Shift, float X, float Y);
    void colorsChanged();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void moveEvent(QMoveEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void placeFromTwips();

    QString m_caption;
    int m_left = 0;
    int m_top = 0;
    int m_width = 0;
    int m_height = 0;
    qint32 m_bodyColorBottomLeft = 12632319;
    qint32 m_bodyColorBottomRight = 8421631;
    qint32 m_bodyColorTopLeft = 12632319;
    qint32 m_borderColor = 128;
    qint32 m_foreColor = 64;
    qint32 m_headerColorBottomLeft = 128;
    qint32 m_headerColorTopLeft = 8421631;
};

// A push button with its own look. The caption may carry "&" before an
// access key; "&&" shows a single "&". Space and Enter press it when it has
// the focus.
class PictureButton : public QAbstractButton
{
    Q_OBJECT
    Q_PROPERTY(QString Caption READ Caption WRITE setCaption)
    Q_PROPERTY(qint32 BackColor MEMBER m_backColor NOTIFY colorsChanged)
    Q_PROPERTY(qint32 BackColorDisabled MEMBER m_backColorDisabled NOTIFY colorsChanged)
    Q_PROPERTY(qint32 BackColorFocus MEMBER m_backColorFocus NOTIFY colorsChanged)
    Q_PROPERTY(qint32 BorderColor MEMBER m_borderColor NOTIFY colorsChanged)
    Q_PROPERTY(qint32 ToolTipBackColor MEMBER m_toolTipBackColor NOTIFY colorsChanged)
    Q_PROPERTY(qint32 ForeColor MEMBER m_foreColor NOTIFY colorsChanged)

public:
    explicit PictureButton(QWidget *parent = nullptr);
    explicit PictureButton(const QString &caption, QWidget *parent = nullptr);

    QString Caption() const { return text(); }
    void setCaption(const QString &caption);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    // The colours its tool tip shows in.
    QPalette toolTipPalette() const;

signals:
    void colorsChanged();

protected:
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    qint32 m_backColor = 12632319;
    qint32 m_backColorDisabled = 12632319;
    qint32 m_backColorFocus = 12632319;
    qint32 m_borderColor = 12632319;
    qint32 m_toolTipBackColor = 12632319;
    qint32 m_foreColor = 64;
};

// An option button. Value() is whether it is selected; setValue does not
// emit clicked, only a user's click does.
class OptionButton : public QRadioButton
{
    Q_OBJECT
    Q_PROPERTY(bool Value READ Value WRITE setValue)
    Q_PROPERTY(qint32 ForeColor MEMBER m_foreColor NOTIFY colorsChanged)
    Q_PROPERTY(qint32 AccentColor MEMBER m_accentColor NOTIFY colorsChanged)

public:
    explicit OptionButton(QWidget *parent = nullptr);
    explicit OptionButton(const QString &caption, QWidget *parent = nullptr);

    bool Value() const { return isChecked(); }
    void setValue(bool value) { setChecked(value); }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

signals:
    void colorsChanged();

protected:
    void paintEvent(QPaintEvent *event) override;
    bool hitButton(const QPoint &pos) const override;

private:
    qint32 m_foreColor = 64;
    qint32 m_accentColor = 128;
};

// A check box. Value() is 1 when ticked, 0 otherwise; setValue ticks it for
// any non-zero value.
class CheckBox : public QCheckBox
{
    Q_OBJECT
    Q_PROPERTY(int Value READ Value WRITE setValue)
    Q_PROPERTY(qint32 ForeColor MEMBER m_foreColor NOTIFY colorsChanged)
    Q_PROPERTY(qint32 AccentColor MEMBER m_accentColor NOTIFY colorsChanged)

public:
    explicit CheckBox(QWidget *parent = nullptr);
    explicit CheckBox(const QString &caption, QWidget *parent = nullptr);

    int Value() const { return isChecked() ? 1 : 0; }
    void setValue(int value) { setChecked(value != 0); }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

signals:
    void colorsChanged();

protected:
    void paintEvent(QPaintEvent *event) override;
    bool hitButton(const QPoint &pos) const override;

private:
    qint32 m_foreColor = 64;
    qint32 m_accentColor = 128;
};

// Width in pixels of the filled part of a progress track trackWidth pixels
// wide: -1 and anything below 0 give none, anything above 100 the whole track,
// 0..100 proportionally (rounded to the nearest pixel, halves to even).
int progressFillWidth(int value, int trackWidth);

// Left edge in pixels of the moving block of a busy progress bar at frame
// phase, for a block blockWidth wide on a track trackWidth wide. The block
// travels from the left end to the right end and back; one round trip takes
// 2 * (trackWidth - blockWidth) frames, and phases repeat after that.
int busyBlockLeft(int phase, int blockWidth, int trackWidth);

// The task progress bar. setValue takes whatever the job reports and keeps it
// as it came; the bar shows it limited to 0..100. setBusy shows a block
// sliding to and fro instead, animated only while busy and visible; the next
// setValue ends the busy state.
class ProgressBar : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(int Value READ Value WRITE setValue)
    Q_PROPERTY(qint32 BackColor MEMBER m_backColor NOTIFY colorsChanged)
    Q_PROPERTY(qint32 BarColor MEMBER m_barColor NOTIFY colorsChanged)
    Q_PROPERTY(qint32 BorderColor MEMBER m_borderColor NOTIFY colorsChanged)

public:
    explicit ProgressBar(QWidget *parent = nullptr);

    int Value() const { return m_value; }
    void setValue(int value);
    bool isBusy() const { return m_busy; }
    void setBusy(bool busy);
    // Whether the busy animation's timer runs (busy and visible).
    bool isAnimating() const;

    QSize sizeHint() const override;

signals:
    void colorsChanged();

protected:
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void updateAnimation();
    void advance();

    int m_value = 0;
    bool m_busy = false;
    int m_phase = 0;
    QTimer *m_timer;
    qint32 m_backColor = 12632319;
    qint32 m_barColor = 128;
    qint32 m_borderColor = 64;
};

// A separator line, drawn along the longer side of the control.
class LineControl : public QFrame
{
    Q_OBJECT
    Q_PROPERTY(qint32 BorderColor MEMBER m_borderColor NOTIFY colorsChanged)

public:
    explicit LineControl(QWidget *parent = nullptr);

    QSize sizeHint() const override { return {16, 2}; }

signals:
    void colorsChanged();

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    qint32 m_borderColor = 64;
};
