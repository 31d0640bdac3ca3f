#include "windowbuilder.h"

#include "controls.h"
#include "slider.h"
#include "twips.h"
#include "videoarea.h"
#include "windowlayout.h"

#include <QComboBox>
#include <QDir>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>

using namespace Qt::StringLiterals;

// Outside any namespace, as Q_INIT_RESOURCE requires: the icon lives in a
// static library, whose resources are only linked in when referenced.
static void initAppResources()
{
    Q_INIT_RESOURCE(snipora);
}

namespace {

// The slider as the window's design data has it: whole seconds, nothing
// loaded yet, and no mouse placement until a video loads.
PropertyBag sliderDesignData()
{
    PropertyBag bag;
    bag.setRaw(u"Value"_s, 0);
    bag.setRaw(u"Min"_s, 0);
    bag.setRaw(u"Max"_s, 1000000);
    bag.setRaw(u"Enabled"_s, false);
    return bag;
}

QRect pixelRect(const ControlSpec &spec)
{
    return QRect(twipsToPixels(spec.left), twipsToPixels(spec.top), twipsToPixels(spec.width),
                 twipsToPixels(spec.height));
}

QWidget *makeControl(const ControlSpec &spec, QWidget *parent)
{
    const QString caption = layoutText(spec.caption);
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
    window.setObjectName(u"frmMain"_s);
    window.setWindowTitle(u"Aurelith"_s);
    initAppResources();
    // Read as PNG by name: QIcon::addFile would first probe every image
    // format plugin, a cost paid at each start-up.
    QIcon icon;
    for (const char *size : {"32", "64", "128"})
        icon.addPixmap(QPixmap(u":/snipora/icon-%1.png"_s.arg(QLatin1StringView(size)), "PNG"));
    window.setWindowIcon(icon);
    window.setAttribute(Qt::WA_QuitOnClose);
    QFont small = window.font();
    small.setPixelSize(11);
    window.setFont(small);

    for (const ControlSpec &spec : windowLayout()) {
        QWidget *parent = spec.container ? window.findChild<QWidget *>(QString::fromLatin1(spec.container)) : &window;
        QWidget *widget = makeControl(spec, parent);
        widget->setObjectName(QString::fromLatin1(spec.name));
        // What a control says is what a screen reader reads: a text of its
        // own speaks for itself (and follows every change), its role goes
        // into the description; only controls without a text get a name.
        if (speaksItsText(spec)) {
            if (const QString role = accessibleRoleOf(spec); !role.isEmpty())
                widget->setAccessibleDescription(role);
        } else {
            widget->setAccessibleName(accessibleNameOf(spec));
        }
        if (spec.toolTip)
            widget->setToolTip(layoutText(spec.toolTip));
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
    // A caption "lblXCaption" labels its box "cmbX" or "txtX": a screen reader
    // names a list by its caption, since it reads the list's value as its text.
    for (QLabel *caption : window.findChildren<QLabel *>()) {
        const QString name = caption->objectName();
        if (!name.startsWith(u"lbl"_s) || !name.endsWith(u"Caption"_s))
            continue;
        const QString stem = name.mid(3, name.size() - 10);
        for (const QString &prefix : {u"cmb"_s, u"txt"_s}) {
            if (auto *box = window.findChild<QWidget *>(prefix + stem))
                caption->setBuddy(box);
        }
    }
    emphasise("lblProduct", 22);
    for (const char *name : {"lblVideoOptions", "lblAudioOptions", "lblFormatCaption", "lblFolderCaption", "lblProgress"})
        emphasise(name, 0);
    for (const char *name : {"lblFormat", "lblAboutText"})
        label(name)->setWordWrap(true);
    for (const char *name : {"lblTime", "lblStartSelect", "lblEndSelect"})
        label(name)->setAlignment(Qt::AlignCenter);
    window.findChild<Slider *>(u"Slider"_s)->ReadProperties(sliderDesignData());
    label("imgAbout")->setPixmap(QIcon(QPixmap(u":/snipora/icon-128.png"_s, "PNG")).pixmap(twipsToPixels(960)));

    // The main panel fills the window; the About and format panels wait
    // below it, centred, for their slide up.
    auto *main = window.findChild<FramePanel *>(u"frMain"_s);
    main->setTwipsGeometry(0, 0, main->Width(), main->Height());
    window.setFixedSize(twipsToPixels(main->Width()), twipsToPixels(main->Height()));
    for (const char *name : {"frFormats", "frAbout"}) {
        auto *panel = window.findChild<FramePanel *>(QString::fromLatin1(name));
        panel->setTop(main->Height());
        panel->setLeft((main->Width() - panel->Width()) / 2);
    }
}

std::unique_ptr<QLockFile> MarkRunningInstance(const QString &folder)
{
    if (folder.isEmpty())
        return nullptr;
    // Only marks that a copy runs; a second copy starts all the same.
    auto marker = std::make_unique<QLockFile>(QDir(folder).filePath(u"Tessalysnipora"_s));
    marker->setStaleLockTime(0);
    marker->tryLock(0);
    return marker;
}
