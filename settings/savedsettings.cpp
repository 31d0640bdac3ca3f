#include "savedsettings.h"

#include "customfields.h"
#include "outputpath.h"

#include <QDir>

#include <array>

using namespace Qt::StringLiterals;

namespace {

// The settings keys, in the order of writing and of reading, with their
// defaults. txtOutPath's default depends on the platform and the home folder.
struct OptionSetting
{
    SettingsOption option;
    QStringView name;
    QStringView defaultText;
};
constexpr std::array kOptions{
    OptionSetting{SettingsOption::optOtherFolder, u"optOtherFolder", u"True"},
    OptionSetting{SettingsOption::optSameFolder, u"optSameFolder", u"False"},
};

constexpr QStringView kOutPathName = u"txtOutPath";
constexpr QStringView kFormatName = u"optFormat";
constexpr QStringView kFormatDefault = u"0";

struct ListSetting
{
    SettingsList list;
    QStringView name;
    QStringView defaultText;
};
constexpr std::array kLists{
    ListSetting{SettingsList::cmbCategory, u"cmbCategory", u"1"},
    ListSetting{SettingsList::cmbOutVCodec, u"cmbOutVCodec", u"1"},
    ListSetting{SettingsList::cmbOutFormat, u"cmbOutFormat", u"1"},
    ListSetting{SettingsList::cmbCustContainer, u"cmbCustContainer", u"2"},
    ListSetting{SettingsList::cmbCACodec, u"cmbCACodec", u"1"},
    ListSetting{SettingsList::cmbCASmapleRate, u"cmbCASmapleRate", u"4"},
    ListSetting{SettingsList::cmbCVCodec, u"cmbCVCodec", u"1"},
    ListSetting{SettingsList::cmbCVSize, u"cmbCVSize", u"0"},
    ListSetting{SettingsList::cmbCVAspect, u"cmbCVAspect", u"0"},
};

struct TextSetting
{
    SettingsTextBox box;
    QStringView name;
    QStringView defaultText;
};
constexpr std::array kCustomTexts{
    TextSetting{SettingsTextBox::txtCABirate, u"txtCABirate", u"64"},
    TextSetting{SettingsTextBox::txtChannels, u"txtChannels", u"2"},
    TextSetting{SettingsTextBox::txtCVBitrate, u"txtCVBitrate", u"320"},
    TextSetting{SettingsTextBox::txtFrameRate, u"txtFrameRate", u"25"},
};

struct CheckBoxSetting
{
    SettingsCheckBox box;
    QStringView name;
    QStringView defaultText;
};
constexpr std::array kCheckBoxes{
    CheckBoxSetting{SettingsCheckBox::chkFastSeek, u"chkFastSeek", u"False"},
    CheckBoxSetting{SettingsCheckBox::chkExactMarks, u"chkExactMarks", u"False"},
    CheckBoxSetting{SettingsCheckBox::chkTimeline, u"chkTimeline", u"True"},
};

// Value name, member, and the range a stored value must lie in.
struct ThresholdSetting
{
    QStringView name;
    double BreakThresholds::*member;
    double least;
    double most;
};
const std::array kThresholds{
    ThresholdSetting{u"BreakBlackSeconds", &BreakThresholds::blackSeconds, 0.02, 60.0},
    ThresholdSetting{u"BreakBlackPixel", &BreakThresholds::blackPixel, 0.0, 1.0},
    ThresholdSetting{u"BreakBlackPicture", &BreakThresholds::blackPicture, 0.5, 1.0},
    ThresholdSetting{u"BreakSilenceDb", &BreakThresholds::silenceDb, -120.0, 0.0},
    ThresholdSetting{u"BreakSilenceSeconds", &BreakThresholds::silenceSeconds, 0.02, 60.0},
    ThresholdSetting{u"BreakSceneChange", &BreakThresholds::sceneChange, 0.01, 1.0},
};

} // namespace

QString defaultOutputFolder(const QString &homeFolder)
{
#ifdef Q_OS_WIN
    Q_UNUSED(homeFolder);
    return u"C:\\Cut Files"_s;
#else
    return QDir::toNativeSeparators(QDir(homeFolder).filePath(u"Cut Files"_s));
#endif
}

std::optional<bool> parseOptionValue(QStringView text)
{
    const QStringView word = text.trimmed();
    if (word.compare(u"True", Qt::CaseInsensitive) == 0)
        return true;
    if (word.compare(u"False", Qt::CaseInsensitive) == 0)
        return false;
    return std::nullopt;
}

std::optional<int> parseIndex(QStringView text)
{
    bool ok = false;
    const short index = text.trimmed().toShort(&ok, 10);
    if (!ok)
        return std::nullopt;
    return index;
}

bool isApplicableText(SettingsTextBox box, QStringView text)
{
    switch (box) {
    case SettingsTextBox::txtOutPath:
        return true;
    case SettingsTextBox::txtCABirate:
        return isCustomFieldText(CustomField::txtCABirate, text);
    case SettingsTextBox::txtCVBitrate:
        return isCustomFieldText(CustomField::txtCVBitrate, text);
    case SettingsTextBox::txtChannels:
        return isCustomFieldText(CustomField::txtChannels, text);
    case SettingsTextBox::txtFrameRate:
        return isCustomFieldText(CustomField::txtFrameRate, text);
    }
    return false;
}

SavedSettings::SavedSettings(const SettingsStoreLocation &location, const QString &homeFolder)
    : m_register(location), m_defaultOutPath(defaultOutputFolder(homeFolder))
{
}

QString SavedSettings::read(QStringView name, const QString &defaultText) const
{
    return m_register.REGGetSetting(kSettingsRoot, kSettingsKeyPath, name.toString(), defaultText);
}

bool SavedSettings::write(QStringView name, const QString &text) const
{
    return m_register.REGSaveSetting(kSettingsRoot, kSettingsKeyPath, name.toString(), text);
}

bool SavedSettings::SaveSettings(const SettingsControls &controls) const
{
    bool allWritten = true;
    const auto save = [&](QStringView name, const QString &text) { allWritten = write(name, text) && allWritten; };

    for (const OptionSetting &setting : kOptions)
        save(setting.name, controls.optionValue(setting.option) ? u"True"_s : u"False"_s);
    save(kOutPathName, controls.text(SettingsTextBox::txtOutPath));
    save(kFormatName, controls.presetFormatSelected() ? u"0"_s : u"1"_s);
    for (const ListSetting &setting : kLists)
        save(setting.name, QString::number(controls.selectedIndex(setting.list)));
    for (const TextSetting &setting : kCustomTexts)
        save(setting.name, controls.text(setting.box));
    for (const CheckBoxSetting &setting : kCheckBoxes)
        save(setting.name, controls.checkValue(setting.box) ? u"True"_s : u"False"_s);
    const BreakThresholds thresholds = breakThresholds();
    for (const ThresholdSetting &setting : kThresholds)
        save(setting.name, QString::number(thresholds.*setting.member));
    return allWritten;
}

void SavedSettings::LoadSettings(SettingsControls &controls) const
{
    for (const OptionSetting &setting : kOptions) {
        if (const std::optional<bool> value = parseOptionValue(read(setting.name, setting.defaultText.toString())))
            controls.setOptionValue(setting.option, *value);
    }

    const QString outPath = read(kOutPathName, m_defaultOutPath);
    if (isApplicableText(SettingsTextBox::txtOutPath, outPath))
        controls.setText(SettingsTextBox::txtOutPath, outPath);

    // The folder box and its button follow the folder mode both ways: leaving
    // them as they were would keep them disabled in other-folder mode after
    // the defaults are restored from same-folder mode. Settings load while no
    // task runs.
    const FolderControlState folder =
        folderControlState(!controls.optionValue(SettingsOption::optSameFolder), false);
    controls.setOutPathEnabled(folder.outPathEnabled);
    controls.setBrowseEnabled(folder.browseEnabled);

    const auto formatMode = [&]() -> std::optional<int> {
        const std::optional<int> n = parseIndex(read(kFormatName, kFormatDefault.toString()));
        if (n && *n >= 0 && *n < kFormatModeCount)
            return n;
        return std::nullopt;
    };
    if (const std::optional<int> n = formatMode())
        controls.selectFormatOption(*n);
    if (const std::optional<int> n = formatMode())
        controls.showFormatPanel(*n);

    for (const ListSetting &setting : kLists) {
        const std::optional<int> index = parseIndex(read(setting.name, setting.defaultText.toString()));
        if (index && *index >= -1 && *index < controls.itemCount(setting.list))
            controls.setSelectedIndex(setting.list, *index);
    }

    for (const TextSetting &setting : kCustomTexts) {
        const QString text = read(setting.name, setting.defaultText.toString());
        if (isApplicableText(setting.box, text))
            controls.setText(setting.box, text);
    }

    for (const CheckBoxSetting &setting : kCheckBoxes) {
        if (const std::optional<bool> value = parseOptionValue(read(setting.name, setting.defaultText.toString())))
            controls.setCheckValue(setting.box, *value);
    }

    controls.UpdateFormatDescription();
}

BreakThresholds SavedSettings::breakThresholds() const
{
    BreakThresholds thresholds;
    for (const ThresholdSetting &setting : kThresholds) {
        bool ok = false;
        const double value = read(setting.name, QString()).trimmed().toDouble(&ok);
        if (ok && value >= setting.least && value <= setting.most)
            thresholds.*setting.member = value;
    }
    return thresholds;
}

void SavedSettings::cmdDefaultsClicked(SettingsControls &controls) const
{
    m_register.REGDeleteSetting(kSettingsRoot, kSettingsKeyPath, QString());
    LoadSettings(controls);
}
