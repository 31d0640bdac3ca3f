#pragma once

#include <QString>

// The controls whose states are saved between runs, named as in the window.

// The output folder option pair.
enum class SettingsOption { optOtherFolder, optSameFolder };

// The text boxes: the output folder and the custom format's numbers.
enum class SettingsTextBox { txtOutPath, txtCABirate, txtChannels, txtCVBitrate, txtFrameRate };

// The pick-only lists of the format panel.
enum class SettingsList {
    cmbCategory,
    cmbOutVCodec,
    cmbOutFormat,
    cmbCustContainer,
    cmbCACodec,
    cmbCASmapleRate,
    cmbCVCodec,
    cmbCVSize,
    cmbCVAspect,
};

// The check boxes of the format panel.
enum class SettingsCheckBox { chkFastSeek, chkExactMarks, chkTimeline };

// The number of elements of the format mode option array optFormat
// (0 "Presets", 1 "Custom (Advanced)").
inline constexpr int kFormatModeCount = 2;

// What SavedSettings reads from and applies to the window's controls. The main
// window implements it; tests use a recording fake.
class SettingsControls
{
public:
    virtual ~SettingsControls() = default;

    // True when the option is selected. Setting an option behaves as the
    // program's own choice of it; the window's option group keeps exactly one
    // of the pair selected.
    virtual bool optionValue(SettingsOption option) const = 0;
    virtual void setOptionValue(SettingsOption option, bool value) = 0;

    virtual QString text(SettingsTextBox box) const = 0;
    virtual void setText(SettingsTextBox box, const QString &text) = 0;

    // The selected index, -1 for none; the number of items. Setting an index
    // (always from -1 to count - 1) runs the list's selection handler, as a
    // selection by the user does.
    virtual int selectedIndex(SettingsList list) const = 0;
    virtual int itemCount(SettingsList list) const = 0;
    virtual void setSelectedIndex(SettingsList list, int index) = 0;

    // optFormat: whether element 0 ("Presets") is selected; selecting element
    // n; showing format panel n of frFormat as a click on option n does.
    // n is always from 0 to kFormatModeCount - 1.
    virtual bool presetFormatSelected() const = 0;
    virtual void selectFormatOption(int n) = 0;
    virtual void showFormatPanel(int n) = 0;

    // Whether the check box is ticked; ticking or clearing it.
    virtual bool checkValue(SettingsCheckBox box) const = 0;
    virtual void setCheckValue(SettingsCheckBox box, bool value) = 0;

    // Enabled states of txtOutPath and cmdBrowse.
    virtual void setOutPathEnabled(bool enabled) = 0;
    virtual void setBrowseEnabled(bool enabled) = 0;

    // Rewrites the format summary lblFormat.
    virtual void UpdateFormatDescription() = 0;
};
