#include "windowlayout.h"

#include "timetext.h"

#include <QCoreApplication>

#include <array>

namespace {

using K = ControlKind;

// Rows the original design places are kept to the twip, except that the three
// time labels are wider about the same centre, so their text is not cut; the rest (the format
// summary, the folder options, the task row and both sliding panels' insides)
// follow the strip's three steps: load and mark, choose format and folder,
// start. Custom-format captions sit above their boxes because the captions are
// longer than a box beside them would leave room for.
constexpr std::array kLayout{
    // The main panel and its chrome.
    ControlSpec{"frMain", K::Panel, nullptr, 15, 15, 10920, 8070, "Snipora", nullptr, nullptr},
    ControlSpec{"cmdAbout", K::Button, "frMain", 9435, 90, 315, 315, "!", QT_TRANSLATE_NOOP("WindowLayout", "About"), QT_TRANSLATE_NOOP("WindowLayout", "About")},
    ControlSpec{"MyButton1", K::Button, "frMain", 9795, 90, 315, 315, "?", QT_TRANSLATE_NOOP("WindowLayout", "Help"), QT_TRANSLATE_NOOP("WindowLayout", "Help")},
    ControlSpec{"cmdMinimize", K::Button, "frMain", 10147, 90, 315, 315, "\u2013", QT_TRANSLATE_NOOP("WindowLayout", "Minimize"), QT_TRANSLATE_NOOP("WindowLayout", "Minimize")},
    ControlSpec{"cmdClose", K::Button, "frMain", 10500, 90, 315, 315, "X", QT_TRANSLATE_NOOP("WindowLayout", "Close"), QT_TRANSLATE_NOOP("WindowLayout", "Close")},
    ControlSpec{"MyFrame1", K::Panel, "frMain", 165, 540, 10515, 345, QT_TRANSLATE_NOOP("WindowLayout", "Three Easy Steps to cut your video files"),
                nullptr, nullptr},

    // Step 1: load, preview and mark.
    ControlSpec{"cmdAddVideoFile", K::Button, "frMain", 585, 1635, 1440, 525, QT_TRANSLATE_NOOP("WindowLayout", "Load Video File ..."),
                QT_TRANSLATE_NOOP("WindowLayout", "Load a video file (Ctrl+O)"), nullptr},
    ControlSpec{"cmdPlay", K::Button, "frMain", 585, 2505, 1440, 525, QT_TRANSLATE_NOOP("WindowLayout", "Play"), QT_TRANSLATE_NOOP("WindowLayout", "Play or pause the preview (Space)"),
                nullptr},
    ControlSpec{"cmdStop", K::Button, "frMain", 585, 3360, 1440, 525, QT_TRANSLATE_NOOP("WindowLayout", "Stop"), QT_TRANSLATE_NOOP("WindowLayout", "Stop the preview and rewind"), nullptr},
    ControlSpec{"MyFrame3", K::Panel, "frMain", 2715, 1260, 4965, 3315, nullptr, nullptr, QT_TRANSLATE_NOOP("WindowLayout", "Preview frame")},
    ControlSpec{"picVideoWindow", K::Video, "MyFrame3", 90, 60, 4770, 2835, nullptr, nullptr, QT_TRANSLATE_NOOP("WindowLayout", "Preview")},
    ControlSpec{"Slider", K::Slider, "MyFrame3", 90, 2940, 4710, 300, nullptr,
                QT_TRANSLATE_NOOP("WindowLayout", "Click or drag to seek. Left and Right: one second; Ctrl+Left and Ctrl+Right: the keyframe "
                "before and after; Alt+Right and Alt+Left: the next and previous break; Alt+Shift+Right and "
                "Alt+Shift+Left: the next and previous scene change; , and .: one frame; Home and End: the first "
                "and the last frame"),
                QT_TRANSLATE_NOOP("WindowLayout", "Position")},
    ControlSpec{"lblTime", K::Label, "frMain", 4155, 4635, 2040, 195, kStartupTimeText, nullptr,
                QT_TRANSLATE_NOOP("WindowLayout", "Position and length")},
    ControlSpec{"cmdStartSelect", K::Button, "frMain", 8190, 1635, 1440, 525, QT_TRANSLATE_NOOP("WindowLayout", "Start Selection"),
                QT_TRANSLATE_NOOP("WindowLayout", "Mark the start of the part to cut (I)"), nullptr},
    ControlSpec{"cmdEndSelect", K::Button, "frMain", 8190, 2505, 1440, 525, QT_TRANSLATE_NOOP("WindowLayout", "End Selection"),
                QT_TRANSLATE_NOOP("WindowLayout", "Mark the end of the part to cut (O)"), nullptr},
    ControlSpec{"cmdDeleteSelect", K::Button, "frMain", 8190, 3360, 1440, 525, QT_TRANSLATE_NOOP("WindowLayout", "Reset Selection"),
                QT_TRANSLATE_NOOP("WindowLayout", "Clear both marks"), nullptr},
    ControlSpec{"lblStartSelect", K::Label, "frMain", 9690, 1815, 1080, 195, kZeroMarkText, nullptr, QT_TRANSLATE_NOOP("WindowLayout", "Selection start")},
    ControlSpec{"lblEndSelect", K::Label, "frMain", 9690, 2685, 1080, 195, kZeroMarkText, nullptr, QT_TRANSLATE_NOOP("WindowLayout", "Selection end")},
    ControlSpec{"cmdAddToList", K::Button, "frMain", 9690, 3360, 1080, 525, QT_TRANSLATE_NOOP("WindowLayout", "Add to List"),
                QT_TRANSLATE_NOOP("WindowLayout", "Add the marked part, with the format and folder chosen now, to the cut list (A)"), nullptr},

    // Step 2: format and folder.
    ControlSpec{"chkExactMarks", K::Check, "frMain", 8190, 3990, 2600, 285, QT_TRANSLATE_NOOP("WindowLayout", "Exact marks"),
                QT_TRANSLATE_NOOP("WindowLayout", "Mark the frame shown, to the millisecond, and cut from that frame. "
                "Step frames with , and . (one second with Left and Right)"),
                QT_TRANSLATE_NOOP("WindowLayout", "Mark exact frames")},
    ControlSpec{"chkTimeline", K::Check, "frMain", 8190, 4290, 2600, 285, QT_TRANSLATE_NOOP("WindowLayout", "Show timeline"),
                QT_TRANSLATE_NOOP("WindowLayout", "Show keyframes, pictures and the sound under the slider. "
                "Ctrl+Left and Ctrl+Right go to the keyframe before and after"),
                nullptr},
    // Under the timeline's check box, and staying there when the band opens: the breaks found
    // in the video.
    ControlSpec{"cmdFindBreaks", K::Button, "frMain", 8190, 4570, 1800, 375, QT_TRANSLATE_NOOP("WindowLayout", "Find Breaks"),
                QT_TRANSLATE_NOOP("WindowLayout", "Find black and silent breaks and scene changes in the video. "
                "Alt+Right and Alt+Left go to the next and previous break, Alt+Shift+Right and Alt+Shift+Left "
                "to the next and previous scene change"),
                nullptr},
    ControlSpec{"lblFormatCaption", K::Label, "frMain", 585, 5010, 2500, 225, QT_TRANSLATE_NOOP("WindowLayout", "Output Format:"), nullptr, nullptr},
    ControlSpec{"lblFormat", K::Label, "frMain", 585, 5265, 7245, 450, "", nullptr, QT_TRANSLATE_NOOP("WindowLayout", "Output format")},
    ControlSpec{"cmdChangeFormat", K::Button, "frMain", 8190, 5055, 1440, 525, QT_TRANSLATE_NOOP("WindowLayout", "Change..."), QT_TRANSLATE_NOOP("WindowLayout", "Change output format"),
                nullptr},
    ControlSpec{"lblFolderCaption", K::Label, "frMain", 585, 5850, 2500, 225, QT_TRANSLATE_NOOP("WindowLayout", "Output Folder:"), nullptr, nullptr},
    ControlSpec{"optSameFolder", K::Option, "frMain", 585, 6090, 3300, 285, QT_TRANSLATE_NOOP("WindowLayout", "Same folder as input file"), nullptr,
                nullptr},
    ControlSpec{"optOtherFolder", K::Option, "frMain", 3990, 6090, 2000, 285, QT_TRANSLATE_NOOP("WindowLayout", "Other folder"), nullptr, nullptr},
    ControlSpec{"txtOutPath", K::TextBox, "frMain", 585, 6420, 7245, 330, nullptr, nullptr, QT_TRANSLATE_NOOP("WindowLayout", "Output folder")},
    ControlSpec{"cmdBrowse", K::Button, "frMain", 8190, 6330, 1440, 525, QT_TRANSLATE_NOOP("WindowLayout", "Browse..."), QT_TRANSLATE_NOOP("WindowLayout", "Choose the output folder"),
                nullptr},

    // Step 3: start.
    ControlSpec{"lblProgress", K::Label, "frMain", 585, 7035, 3500, 225, QT_TRANSLATE_NOOP("WindowLayout", "Task Progress:"), nullptr, QT_TRANSLATE_NOOP("WindowLayout", "Task progress")},
    ControlSpec{"progress", K::Progress, "frMain", 585, 7290, 7245, 285, nullptr, nullptr, QT_TRANSLATE_NOOP("WindowLayout", "Progress")},
    ControlSpec{"chkShutdown", K::Check, "frMain", 585, 7650, 4500, 285, QT_TRANSLATE_NOOP("WindowLayout", "Shutdown after task complete"),
                QT_TRANSLATE_NOOP("WindowLayout", "Power the computer off when the task has ended"), nullptr},
    ControlSpec{"cmdConvert", K::Button, "frMain", 8190, 7050, 1440, 600, QT_TRANSLATE_NOOP("WindowLayout", "Start"),
                QT_TRANSLATE_NOOP("WindowLayout", "Start or stop the cut (Ctrl+Return)"), QT_TRANSLATE_NOOP("WindowLayout", "Start")},
    ControlSpec{"cmdCutList", K::Button, "frMain", 9690, 7050, 1080, 600, QT_TRANSLATE_NOOP("WindowLayout", "Cut List..."),
                QT_TRANSLATE_NOOP("WindowLayout", "Show the cut list, to run its cuts in one go"), nullptr},

    // The About panel, parked below the window at start-up.
    ControlSpec{"frAbout", K::Panel, nullptr, 0, 8070, 7245, 3690, QT_TRANSLATE_NOOP("WindowLayout", "About"), nullptr, nullptr},
    ControlSpec{"imgAbout", K::Label, "frAbout", 300, 600, 960, 960, nullptr, nullptr, QT_TRANSLATE_NOOP("WindowLayout", "Snipora picture")},
    ControlSpec{"lblProduct", K::Label, "frAbout", 1500, 570, 3500, 435, "Snipora", nullptr, nullptr},
    ControlSpec{"lblMaker", K::Label, "frAbout", 1500, 1005, 3500, 255, "Tessaly", nullptr, nullptr},
    ControlSpec{"lblVer", K::Label, "frAbout", 1500, 1290, 2500, 255, "1.0.0.0", nullptr, QT_TRANSLATE_NOOP("WindowLayout", "Version")},
    ControlSpec{"lblAboutText", K::Label, "frAbout", 300, 1740, 6645, 480,
                QT_TRANSLATE_NOOP("WindowLayout", "Snipora is an easy to use tool to extract a part of your video files to various video formats."),
                nullptr, nullptr},
    ControlSpec{"lblUsing", K::Label, "frAbout", 300, 2370, 1500, 255, QT_TRANSLATE_NOOP("WindowLayout", "Snipora is using"), nullptr, nullptr},
    ControlSpec{"lblFFmpeg", K::Link, "frAbout", 1770, 2370, 1200, 255, "FFmpeg", QT_TRANSLATE_NOOP("WindowLayout", "Open the FFmpeg home page"),
                nullptr},
    ControlSpec{"lblWebSite", K::Link, "frAbout", 300, 2730, 4500, 255, "www.tessaly.example",
                QT_TRANSLATE_NOOP("WindowLayout", "About the maker"), nullptr},
    ControlSpec{"cmdCloseHelp", K::Button, "frAbout", 5505, 3030, 1440, 450, QT_TRANSLATE_NOOP("WindowLayout", "Close"), nullptr, nullptr},

    // The format panel, parked below the window at start-up.
    ControlSpec{"frFormats", K::Panel, nullptr, 0, 8070, 8280, 4350, QT_TRANSLATE_NOOP("WindowLayout", "Output Video Formats"), nullptr, nullptr},
    ControlSpec{"optFormat(0)", K::Option, "frFormats", 300, 540, 1800, 285, QT_TRANSLATE_NOOP("WindowLayout", "Presets"), nullptr, nullptr},
    ControlSpec{"optFormat(1)", K::Option, "frFormats", 2250, 540, 2700, 285, QT_TRANSLATE_NOOP("WindowLayout", "Custom (Advanced)"), nullptr, nullptr},

    ControlSpec{"frFormat(0)", K::Panel, "frFormats", 150, 900, 7980, 2790, nullptr, nullptr, QT_TRANSLATE_NOOP("WindowLayout", "Preset format")},
    ControlSpec{"lblCategoryCaption", K::Label, "frFormat(0)", 300, 390, 3000, 255, QT_TRANSLATE_NOOP("WindowLayout", "Output Category:"), nullptr,
                nullptr},
    ControlSpec{"cmbCategory", K::List, "frFormat(0)", 3450, 345, 4230, 330, nullptr, nullptr, QT_TRANSLATE_NOOP("WindowLayout", "Output Category")},
    ControlSpec{"lblOutVCodecCaption", K::Label, "frFormat(0)", 300, 1020, 3000, 255, QT_TRANSLATE_NOOP("WindowLayout", "Output Video Codec:"), nullptr,
                nullptr},
    ControlSpec{"cmbOutVCodec", K::List, "frFormat(0)", 3450, 975, 4230, 330, nullptr, nullptr, QT_TRANSLATE_NOOP("WindowLayout", "Output Video Codec")},
    ControlSpec{"lblOutFormatCaption", K::Label, "frFormat(0)", 300, 1650, 3000, 255,
                QT_TRANSLATE_NOOP("WindowLayout", "Output File Format (Container):"), nullptr, nullptr},
    ControlSpec{"cmbOutFormat", K::List, "frFormat(0)", 3450, 1605, 4230, 330, nullptr, nullptr,
                QT_TRANSLATE_NOOP("WindowLayout", "Output File Format (Container)")},

    ControlSpec{"frFormat(1)", K::Panel, "frFormats", 150, 900, 7980, 2790, nullptr, nullptr, QT_TRANSLATE_NOOP("WindowLayout", "Custom format")},
    ControlSpec{"lblVideoOptions", K::Label, "frFormat(1)", 150, 60, 5000, 255, QT_TRANSLATE_NOOP("WindowLayout", "Output Video Options"), nullptr,
                nullptr},
    ControlSpec{"lblCustContainerCaption", K::Label, "frFormat(1)", 150, 360, 2430, 225, QT_TRANSLATE_NOOP("WindowLayout", "Output Format(Container):"),
                nullptr, nullptr},
    ControlSpec{"cmbCustContainer", K::List, "frFormat(1)", 150, 600, 2430, 330, nullptr, nullptr,
                QT_TRANSLATE_NOOP("WindowLayout", "Output Format (Container)")},
    ControlSpec{"lblCVCodecCaption", K::Label, "frFormat(1)", 150, 960, 2430, 225, QT_TRANSLATE_NOOP("WindowLayout", "Output Video Codec:"), nullptr,
                nullptr},
    ControlSpec{"cmbCVCodec", K::List, "frFormat(1)", 150, 1200, 2430, 330, nullptr, nullptr, QT_TRANSLATE_NOOP("WindowLayout", "Output Video Codec")},
    ControlSpec{"lblCVSizeCaption", K::Label, "frFormat(1)", 150, 1560, 2430, 225, QT_TRANSLATE_NOOP("WindowLayout", "Video Size:"), nullptr, nullptr},
    ControlSpec{"cmbCVSize", K::List, "frFormat(1)", 150, 1800, 2430, 330, nullptr, nullptr, QT_TRANSLATE_NOOP("WindowLayout", "Video Size")},
    ControlSpec{"lblCVBitrateCaption", K::Label, "frFormat(1)", 2730, 360, 2430, 225, QT_TRANSLATE_NOOP("WindowLayout", "Bitrate:"), nullptr, nullptr},
    ControlSpec{"txtCVBitrate", K::TextBox, "frFormat(1)", 2730, 600, 1200, 330, "196", nullptr, QT_TRANSLATE_NOOP("WindowLayout", "Video Bitrate")},
    ControlSpec{"lblCVBitrateUnit", K::Label, "frFormat(1)", 3990, 645, 900, 255, QT_TRANSLATE_NOOP("WindowLayout", "kbps"), nullptr, nullptr},
    ControlSpec{"lblCVAspectCaption", K::Label, "frFormat(1)", 2730, 960, 2430, 225, QT_TRANSLATE_NOOP("WindowLayout", "Aspect Ratio:"), nullptr,
                nullptr},
    ControlSpec{"cmbCVAspect", K::List, "frFormat(1)", 2730, 1200, 2430, 330, nullptr, nullptr, QT_TRANSLATE_NOOP("WindowLayout", "Aspect Ratio")},
    ControlSpec{"lblFrameRateCaption", K::Label, "frFormat(1)", 2730, 1560, 2430, 225, QT_TRANSLATE_NOOP("WindowLayout", "Frame rate:"), nullptr,
                nullptr},
    ControlSpec{"txtFrameRate", K::TextBox, "frFormat(1)", 2730, 1800, 1200, 330, "25", nullptr, QT_TRANSLATE_NOOP("WindowLayout", "Frame rate")},
    ControlSpec{"lblFrameRateUnit", K::Label, "frFormat(1)", 3990, 1845, 900, 255, QT_TRANSLATE_NOOP("WindowLayout", "fps"), nullptr, nullptr},
    ControlSpec{"lblAudioOptions", K::Label, "frFormat(1)", 5370, 60, 2460, 255, QT_TRANSLATE_NOOP("WindowLayout", "Output Audio Options"), nullptr,
                nullptr},
    ControlSpec{"lblCACodecCaption", K::Label, "frFormat(1)", 5370, 360, 2460, 225, QT_TRANSLATE_NOOP("WindowLayout", "Output Audio Codec:"), nullptr,
                nullptr},
    ControlSpec{"cmbCACodec", K::List, "frFormat(1)", 5370, 600, 2460, 330, nullptr, nullptr, QT_TRANSLATE_NOOP("WindowLayout", "Output Audio Codec")},
    ControlSpec{"lblCABirateCaption", K::Label, "frFormat(1)", 5370, 960, 2460, 225, QT_TRANSLATE_NOOP("WindowLayout", "Bitrate:"), nullptr, nullptr},
    ControlSpec{"txtCABirate", K::TextBox, "frFormat(1)", 5370, 1200, 1200, 330, "64", nullptr, QT_TRANSLATE_NOOP("WindowLayout", "Audio Bitrate")},
    ControlSpec{"lblCABirateUnit", K::Label, "frFormat(1)", 6630, 1245, 900, 255, QT_TRANSLATE_NOOP("WindowLayout", "kbps"), nullptr, nullptr},
    ControlSpec{"lblCASmapleRateCaption", K::Label, "frFormat(1)", 5370, 1560, 2460, 225, QT_TRANSLATE_NOOP("WindowLayout", "Sampling Rate:"), nullptr,
                nullptr},
    ControlSpec{"cmbCASmapleRate", K::List, "frFormat(1)", 5370, 1800, 2460, 330, nullptr, nullptr, QT_TRANSLATE_NOOP("WindowLayout", "Sampling Rate")},
    ControlSpec{"lblChannelsCaption", K::Label, "frFormat(1)", 5370, 2160, 2460, 225, QT_TRANSLATE_NOOP("WindowLayout", "Channels:"), nullptr, nullptr},
    ControlSpec{"txtChannels", K::TextBox, "frFormat(1)", 5370, 2400, 1200, 330, "2", nullptr, QT_TRANSLATE_NOOP("WindowLayout", "Channels")},

    ControlSpec{"chkFastSeek", K::Check, "frFormats", 300, 3825, 3000, 285, QT_TRANSLATE_NOOP("WindowLayout", "Fast seek"),
                QT_TRANSLATE_NOOP("WindowLayout", "Seek before reading the input: much faster for cuts late in long files. Cuts that copy the "
                "streams always do this, so they keep their opening."),
                nullptr},
    ControlSpec{"cmdDefaults", K::Button, "frFormats", 4290, 3765, 1800, 435, QT_TRANSLATE_NOOP("WindowLayout", "Restore Defaults"),
                QT_TRANSLATE_NOOP("WindowLayout", "Put every format setting back to its default"), nullptr},
    ControlSpec{"cmdHide", K::Button, "frFormats", 6240, 3765, 1800, 435, QT_TRANSLATE_NOOP("WindowLayout", "Save && Close"),
                QT_TRANSLATE_NOOP("WindowLayout", "Check the custom fields and close this panel"), QT_TRANSLATE_NOOP("WindowLayout", "Save & Close")},

    // The cut list panel, parked below the window at start-up; the list
    // itself fills its left part (CutListPanel).
    ControlSpec{"frList", K::Panel, nullptr, 1320, 8070, 8280, 4350, QT_TRANSLATE_NOOP("WindowLayout", "Cut List"), nullptr, nullptr},
    ControlSpec{"cmdMoveCutUp", K::Button, "frList", 6450, 450, 1680, 435, QT_TRANSLATE_NOOP("WindowLayout", "Move Up"), QT_TRANSLATE_NOOP("WindowLayout", "Move the cut up the list"),
                nullptr},
    ControlSpec{"cmdMoveCutDown", K::Button, "frList", 6450, 945, 1680, 435, QT_TRANSLATE_NOOP("WindowLayout", "Move Down"),
                QT_TRANSLATE_NOOP("WindowLayout", "Move the cut down the list"), nullptr},
    ControlSpec{"cmdRemoveCut", K::Button, "frList", 6450, 1560, 1680, 435, QT_TRANSLATE_NOOP("WindowLayout", "Remove"), QT_TRANSLATE_NOOP("WindowLayout", "Remove the selected cuts"),
                nullptr},
    ControlSpec{"cmdClearList", K::Button, "frList", 6450, 2055, 1680, 435, QT_TRANSLATE_NOOP("WindowLayout", "Clear"), QT_TRANSLATE_NOOP("WindowLayout", "Remove every cut"), nullptr},
    ControlSpec{"cmdCutErrors", K::Button, "frList", 6450, 2670, 1680, 435, QT_TRANSLATE_NOOP("WindowLayout", "Errors..."),
                QT_TRANSLATE_NOOP("WindowLayout", "Show why the selected cut failed"), nullptr},
    // The parts between the breaks found, for Remove Listed Parts to take out.
    ControlSpec{"cmdAddBreaks", K::Button, "frList", 6450, 3210, 1680, 435, QT_TRANSLATE_NOOP("WindowLayout", "Add Breaks to List"),
                QT_TRANSLATE_NOOP("WindowLayout", "Choose parts between the breaks found and add them to the cut list"),
                nullptr},
    ControlSpec{"cmdJoinList", K::Button, "frList", 150, 3765, 1980, 435, QT_TRANSLATE_NOOP("WindowLayout", "Join into One File"),
                QT_TRANSLATE_NOOP("WindowLayout", "Join the waiting cuts, in list order, into one file"), nullptr},
    ControlSpec{"cmdRemoveParts", K::Button, "frList", 2220, 3765, 1980, 435, QT_TRANSLATE_NOOP("WindowLayout", "Remove Listed Parts"),
                QT_TRANSLATE_NOOP("WindowLayout", "Make one file of the video without the waiting cuts"), nullptr},
    ControlSpec{"cmdRunList", K::Button, "frList", 4290, 3765, 1800, 435, QT_TRANSLATE_NOOP("WindowLayout", "Run List"),
                QT_TRANSLATE_NOOP("WindowLayout", "Run the waiting cuts one after another"), nullptr},
    ControlSpec{"cmdCloseList", K::Button, "frList", 6240, 3765, 1800, 435, QT_TRANSLATE_NOOP("WindowLayout", "Close"), nullptr, nullptr},
};

} // namespace

std::span<const ControlSpec> windowLayout()
{
    return kLayout;
}

const ControlSpec *findControlSpec(QStringView name)
{
    for (const ControlSpec &spec : kLayout) {
        if (name == QLatin1StringView(spec.name))
            return &spec;
    }
    return nullptr;
}

QString layoutText(const char *text)
{
    return text ? QCoreApplication::translate("WindowLayout", text) : QString();
}

bool speaksItsText(const ControlSpec &spec)
{
    switch (spec.kind) {
    case ControlKind::Label:
    case ControlKind::Link:
    case ControlKind::Option:
    case ControlKind::Check: return spec.caption != nullptr;
    case ControlKind::Button: return spec.caption && QString::fromUtf8(spec.caption).size() != 1;
    default: return false;
    }
}

QString accessibleRoleOf(const ControlSpec &spec)
{
    if (!spec.accessible)
        return {};
    const QString role = layoutText(spec.accessible);
    QString caption = layoutText(spec.caption);
    caption.replace(QStringLiteral("&&"), QStringLiteral("&"));
    return role == caption ? QString() : role;
}

QString accessibleNameOf(const ControlSpec &spec)
{
    if (spec.accessible)
        return layoutText(spec.accessible);
    QString name = layoutText(spec.caption);
    name.replace(QStringLiteral("&&"), QStringLiteral("&"));
    if (name.endsWith(u':'))
        name.chop(1);
    return name.trimmed(); // French sets a no-break space before the colon
}
