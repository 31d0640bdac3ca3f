#pragma once

#include "settingscontrols.h"

class CheckBox;
class FormatPanel;
class OptionButton;
class QLineEdit;
class QWidget;

// The saved settings' view of the main window: reads and applies the states
// of the folder options, the output folder and the whole format panel.
class WindowSettings final : public SettingsControls
{
public:
    struct Controls
    {
        OptionButton *optOtherFolder = nullptr;
        OptionButton *optSameFolder = nullptr;
        QLineEdit *txtOutPath = nullptr;
        QWidget *cmdBrowse = nullptr;
        CheckBox *chkFastSeek = nullptr;
        CheckBox *chkExactMarks = nullptr;
        CheckBox *chkTimeline = nullptr;
    };

    WindowSettings(const Controls &controls, FormatPanel &format);

    bool optionValue(SettingsOption option) const override;
    void setOptionValue(SettingsOption option, bool value) override;
    QString text(SettingsTextBox box) const override;
    void setText(SettingsTextBox box, const QString &text) override;
    int selectedIndex(SettingsList list) const override;
    int itemCount(SettingsList list) const override;
    void setSelectedIndex(SettingsList list, int index) override;
    bool presetFormatSelected() const override;
    void selectFormatOption(int n) override;
    void showFormatPanel(int n) override;
    void setOutPathEnabled(bool enabled) override;
    void setBrowseEnabled(bool enabled) override;
    void UpdateFormatDescription() override;
    bool checkValue(SettingsCheckBox box) const override;
    void setCheckValue(SettingsCheckBox box, bool value) override;

private:
    OptionButton *option(SettingsOption option) const;
    QLineEdit *textBox(SettingsTextBox box) const;
    class QComboBox *list(SettingsList list) const;
    CheckBox *checkBox(SettingsCheckBox box) const;

    Controls m_c;
    FormatPanel &m_format;
};
