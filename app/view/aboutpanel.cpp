#include "aboutpanel.h"

#include "controls.h"
#include "helpopener.h"
#include "panelslider.h"
#include "windowservices.h"

#include <QAbstractButton>
#include <QLabel>
#include <QVersionNumber>

using namespace Qt::StringLiterals;

namespace {

template<typename T>
T *child(const QWidget &window, const char *name)
{
    T *widget = window.findChild<T *>(QString::fromLatin1(name));
    Q_ASSERT_X(widget, "SetUpAboutPanel", name);
    return widget;
}

} // namespace

QString VersionLabel(int major, int minor, int revision)
{
    return u"%1.%2.0.%3"_s.arg(major).arg(minor).arg(revision);
}

void SetUpAboutPanel(QWidget &window, PanelSlider &panels, const WindowServices &services)
{
    const QVersionNumber version = QVersionNumber::fromString(QLatin1StringView(SNIPORA_VERSION));
    child<QLabel>(window, "lblVer")->setText(
        VersionLabel(version.majorVersion(), version.minorVersion(), version.microVersion()));
    FramePanel *about = child<FramePanel>(window, "frAbout");
    QObject::connect(child<QAbstractButton>(window, "cmdAbout"), &QAbstractButton::clicked, &panels,
                     [&panels, about] { panels.open(about); });
    QObject::connect(child<QAbstractButton>(window, "cmdCloseHelp"), &QAbstractButton::clicked, &panels,
                     &PanelSlider::close);
    // Copies: the services passed in may not outlive this call.
    const QString programDir = services.programDir;
    DesktopServices *desktop = services.desktop;
    QObject::connect(child<QAbstractButton>(window, "MyButton1"), &QAbstractButton::clicked, &window,
                     [programDir, desktop] { OpenHelp(programDir, *desktop); });
    QObject::connect(child<QLabel>(window, "lblFFmpeg"), &QLabel::linkActivated, &window,
                     [programDir, desktop] { OpenLink(programDir, kFFmpegHomePage, *desktop); });
    QObject::connect(child<QLabel>(window, "lblWebSite"), &QLabel::linkActivated, &window,
                     [programDir, desktop] { OpenLink(programDir, kMakerHomePage, *desktop); });
}
