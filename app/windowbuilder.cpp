#include "windowbuilder.h"

#include "controls.h"
#include "slider.h"
#include "twips.h"
#include "videoarea.h"
#include "windowlayout.h"

#include <QComboBox>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>

using namespace Qt::StringLiterals;

namespace {

QRect pixelRect(const ControlSpec &spec)
{
    return QRect(twipsToPixels(spec.left), twipsToPixels(spec.top), twipsToPixels(spec.width),
                 twipsToPixels(spec.height));
}

QWidget *makeControl(const ControlSpec &spec, QWidget *parent)
{
    const QString caption = QString::fromUtf8(spec.caption ? spec.caption : "");
    switch (spec.kind) {
    case ControlKind::Panel: {
        auto *panel = new FramePanel(parent);
        panel->setCaption(caption);
        return panel;
    }
    case ControlKind::Button: {
        auto *button = new PictureButton(parent);
        button->setCaption(caption);
        return button;
    }
    case ControlKind::Option: return new OptionButton(caption, parent);
    case ControlKind::Check: return new CheckBox(caption, parent);
    case ControlKind::Label: return new QLabel(caption, parent);
    case ControlKind::Link: {
        auto *link = new QLabel(parent);
        link->setText(u"<a href=\"#\">%1</a>"_s.arg(caption.toHtmlEscaped()));
        link->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
        return link;
    }
    case ControlKind::TextBox: return new QLineEdit(caption, parent);
    case ControlKind::List: return new QComboBox(parent);
    case ControlKind::Progress: return new ProgressBar(parent);
    case ControlKind::Video: return new VideoArea(parent);
    case ControlKind::Slider: return new Slider(parent);
    }
    return nullptr;
}

} // namespace

void BuildWindowControls(QWidget &window)
{
    for (const ControlSpec &spec : windowLayout()) {
        QWidget *parent = spec.container ? window.findChild<QWidget *>(QString::fromLatin1(spec.container)) : &window;
        QWidget *widget = makeControl(spec, parent);
        widget->setObjectName(QString::fromLatin1(spec.name));
        // What a control says is what a screen reader reads: a text of its
        // own speaks for itself (and follows every change), its role goes
        // into the description; only controls without a text get a name.
        if (speaksItsText(spec)) {
            if (spec.accessible)
                widget->setAccessibleDescription(QString::fromUtf8(spec.accessible));
        } else {
            widget->setAccessibleName(accessibleNameOf(spec));
        }
        if (spec.toolTip)
            widget->setToolTip(QString::fromUtf8(spec.toolTip));
        if (auto *panel = qobject_cast<FramePanel *>(widget))
            panel->setTwipsGeometry(spec.left, spec.top, spec.width, spec.height);
        else
            widget->setGeometry(pixelRect(spec));
    }

    // Type that the table leaves to the window: headings, the product name,
    // texts that wrap.
    const auto label = [&window](const char *name) {
        return window.findChild<QLabel *>(QString::fromLatin1(name));
    };
    const auto emphasise = [&label](const char *name, int pixelSize) {
        QFont f = label(name)->font();
        f.setBold(true);
        if (pixelSize)
            f.setPixelSize(pixelSize);
        label(name)->setFont(f);
    };
    emphasise("lblProduct", 22);
    for (const char *name : {"lblVideoOptions", "lblAudioOptions", "lblFormatCaption", "lblFolderCaption", "lblProgress"})
        emphasise(name, 0);
    for (const char *name : {"lblFormat", "lblAboutText"})
        label(name)->setWordWrap(true);
    for (const char *name : {"lblTime", "lblStartSelect", "lblEndSelect"})
        label(name)->setAlignment(Qt::AlignCenter);
    label("imgAbout")->setPixmap(QIcon(u":/snipora/icon-128.png"_s).pixmap(twipsToPixels(960)));
}
