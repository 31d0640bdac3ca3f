#include "windowsettings.h"

#include "controls.h"
#include "formatpanel.h"

#include <QComboBox>
#include <QLineEdit>

WindowSettings::WindowSettings(const Controls &controls, FormatPanel &format)
    : m_c(controls)
    , m_format(format)
{
}

OptionButton *WindowSettings::option(SettingsOption option) const
{
    return option == SettingsOption::optOtherFolder ? m_c.optOtherFolder : m_c.optSameFolder;
}

QLineEdit *WindowSettings::textBox(SettingsTextBox box) const
{
    const FormatPanel::Controls &f = m_format.controls();
    switch (box) {
    case SettingsTextBox::txtOutPath: return m_c.txtOutPath;
    case SettingsTextBox::txtCABirate: return f.txtCABirate;
    case SettingsTextBox::txtChannels: return f.txtChannels;
    case SettingsTextBox::txtCVBitrate: return f.txtCVBitrate;
    case SettingsTextBox::txtFrameRate: return f.txtFrameRate;
    }
    return m_c.txtOutPath;
}

QComboBox *WindowSettings::list(SettingsList list) const
{
    const FormatPanel::Controls &f = m_format.controls();
    switch (list) {
    case SettingsList::cmbCategory: return f.cmbCategory;
    case SettingsList::cmbOutVCodec: return f.cmbOutVCodec;
    case SettingsList::cmbOutFormat: return f.cmbOutFormat;
    case SettingsList::cmbCustContainer: return f.cmbCustContainer;
    case SettingsList::cmbCACodec: return f.cmbCACodec;
    case SettingsList::cmbCASmapleRate: return f.cmbCASmapleRate;
    case SettingsList::cmbCVCodec: return f.cmbCVCodec;
    case SettingsList::cmbCVSize: return f.cmbCVSize;
    case SettingsList::cmbCVAspect: return f.cmbCVAspect;
    }
    return f.cmbCategory;
}

bool WindowSettings::optionValue(SettingsOption opt) const
{
    return option(opt)->Value();
}

void WindowSettings::setOptionValue(SettingsOption opt, bool value)
{
    option(opt)->setValue(value);
}

QString WindowSettings::text(SettingsTextBox box) const
{
    return textBox(box)->text();
}

void WindowSettings::setText(SettingsTextBox box, const QString &text)
{
    textBox(box)->setText(text);
}

int WindowSettings::selectedIndex(SettingsList l) const
{
    return list(l)->currentIndex();
}

int WindowSettings::itemCount(SettingsList l) const
{
    return list(l)->count();
}

void WindowSettings::setSelectedIndex(SettingsList l, int index)
{
    m_format.selectIndex(list(l), index);
}

bool WindowSettings::presetFormatSelected() const
{
    return m_format.presetMode();
}

void WindowSettings::selectFormatOption(int n)
{
    m_format.selectMode(n);
}

void WindowSettings::showFormatPanel(int n)
{
    m_format.showMode(n);
}

void WindowSettings::setOutPathEnabled(bool enabled)
{
    m_c.txtOutPath->setEnabled(enabled);
}

void WindowSettings::setBrowseEnabled(bool enabled)
{
    m_c.cmdBrowse->setEnabled(enabled);
}

void WindowSettings::UpdateFormatDescription()
{
    m_format.UpdateFormatDescription();
}

bool WindowSettings::checkValue(SettingsCheckBox box) const
{
    return checkBox(box)->Value() == 1;
}

CheckBox *WindowSettings::checkBox(SettingsCheckBox box) const
{
    switch (box) {
    case SettingsCheckBox::chkFastSeek: return m_c.chkFastSeek;
    case SettingsCheckBox::chkExactMarks: return m_c.chkExactMarks;
    case SettingsCheckBox::chkTimeline: return m_c.chkTimeline;
    }
    Q_UNREACHABLE();
}

void WindowSettings::setCheckValue(SettingsCheckBox box, bool value)
{
    checkBox(box)->setValue(value ? 1 : 0);
}
