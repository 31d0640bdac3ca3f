#include "colorscheme.h"

#include "controls.h"
#include "twips.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

namespace {

void setColor(QWidget *w, const char *name, qint32 value)
{
    w->setProperty(name, QVariant::fromValue<qint32>(value));
}

void setBackColor(QWidget *w, qint32 value)
{
    const QColor color = colorFromWin(value);
    QPalette palette = w->palette();
    palette.setColor(QPalette::Base, color);
    palette.setColor(QPalette::Button, color);
    w->setPalette(palette);
    setColor(w, "BackColor", value);
}

void setForeColor(QWidget *w, qint32 value)
{
    const QColor color = colorFromWin(value);
    QPalette palette = w->palette();
    palette.setColor(QPalette::Active, QPalette::WindowText, color);
    palette.setColor(QPalette::Inactive, QPalette::WindowText, color);
    // Disabled text stays recognisably the same colour, only paler.
    QColor faded = color;
    faded.setAlphaF(0.5f);
    palette.setColor(QPalette::Disabled, QPalette::WindowText, faded);
    w->setPalette(palette);
    setColor(w, "ForeColor", value);
}

void colorControl(QWidget *w, const ColorScheme &scheme)
{
    const QString name = w->objectName();
    if (qobject_cast<FramePanel *>(w)) {
        if (name == QLatin1String("MyFrame1"))
            return;
        setColor(w, "BodyColorBottomLeft", scheme.Light);
        setColor(w, "BodyColorBottomRight", scheme.Medium);
        setColor(w, "BodyColorTopLeft", scheme.Light);
        setColor(w, "BorderColor", scheme.Dark);
        setColor(w, "ForeColor", scheme.Darkest);
        setColor(w, "HeaderColorBottomLeft", scheme.Dark);
        setColor(w, "HeaderColorTopLeft", scheme.Medium);
    } else if (qobject_cast<PictureButton *>(w)) {
        setColor(w, "BackColor", scheme.Light);
        setColor(w, "BackColorDisabled", scheme.Light);
        setColor(w, "BackColorFocus", scheme.Light);
        setColor(w, "BorderColor", scheme.Light);
        setColor(w, "ToolTipBackColor", scheme.Light);
    } else if (qobject_cast<QLineEdit *>(w) || qobject_cast<QComboBox *>(w)) {
        setBackColor(w, scheme.Light);
    } else if (qobject_cast<QAbstractItemView *>(w)) {
        setBackColor(w, scheme.Light);
        QPalette palette = w->palette();
        palette.setColor(QPalette::Text, colorFromWin(scheme.Darkest));
        palette.setColor(QPalette::Highlight, colorFromWin(scheme.Dark));
        w->setPalette(palette);
    } else if (qobject_cast<QLabel *>(w)) {
        if (name == QLatin1String("lblWebSite") || name == QLatin1String("lblFFmpeg"))
            return;
        setForeColor(w, scheme.Darkest);
    } else if (qobject_cast<LineControl *>(w)) {
        setColor(w, "BorderColor", scheme.Darkest);
    }
}

} // namespace

void ApplyColors(QWidget *window, const ColorScheme &scheme)
{
    if (!window)
        return;
    // findChildren walks depth first in creation order: the control order.
    const auto controls = window->findChildren<QWidget *>();
    for (QWidget *w : controls)
        colorControl(w, scheme);
}
