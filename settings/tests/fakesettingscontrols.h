#pragma once

#include "settingscontrols.h"

#include <QMap>
#include <QString>
#include <QStringList>

#include <utility>

// Window controls for tests: keeps their states, logs every change in order,
// and behaves like the window where it matters: the folder options are one
// group (selecting one clears the other; clearing the selected one is
// ignored), and a list only takes indices from -1 to its count - 1.
class FakeSettingsControls final : public SettingsControls
{
public:
    FakeSettingsControls()
    {
        for (const auto &[list, name] : listNames()) {
            counts[list] = 10;
            indices[list] = 0;
        }
        for (const auto &[box, name] : textNames())
            texts[box] = QStringLiteral("initial");
    }

    // The controls by their window names, in the order of the settings.
    static const QList<std::pair<SettingsOption, QString>> &optionNames()
    {
        static const QList<std::pair<SettingsOption, QString>> names{
            {SettingsOption::optOtherFolder, QStringLiteral("optOtherFolder")},
            {SettingsOption::optSameFolder, QStringLiteral("optSameFolder")}};
        return names;
    }
    static const QList<std::pair<SettingsList, QString>> &listNames()
    {
        static const QList<std::pair<SettingsList, QString>> names{
            {SettingsList::cmbCategory, QStringLiteral("cmbCategory")},
            {SettingsList::cmbOutVCodec, QStringLiteral("cmbOutVCodec")},
            {SettingsList::cmbOutFormat, QStringLiteral("cmbOutFormat")},
            {SettingsList::cmbCustContainer, QStringLiteral("cmbCustContainer")},
            {SettingsList::cmbCACodec, QStringLiteral("cmbCACodec")},
            {SettingsList::cmbCASmapleRate, QStringLiteral("cmbCASmapleRate")},
            {SettingsList::cmbCVCodec, QStringLiteral("cmbCVCodec")},
            {SettingsList::cmbCVSize, QStringLiteral("cmbCVSize")},
            {SettingsList::cmbCVAspect, QStringLiteral("cmbCVAspect")}};
        return names;
    }
    static const QList<std::pair<SettingsTextBox, QString>> &textNames()
    {
        static const QList<std::pair<SettingsTextBox, QString>> names{
            {SettingsTextBox::txtOutPath, QStringLiteral("txtOutPath")},
            {SettingsTextBox::txtCABirate, QStringLiteral("txtCABirate")},
            {SettingsTextBox::txtChannels, QStringLiteral("txtChannels")},
            {SettingsTextBox::txtCVBitrate, QStringLiteral("txtCVBitrate")},
            {SettingsTextBox::txtFrameRate, QStringLiteral("txtFrameRate")}};
        return names;
    }
    template <typename Enum>
    static QString nameOf(const QList<std::pair<Enum, QString>> &names, Enum value)
    {
        for (const auto &[candidate, name] : names) {
            if (candidate == value)
                return name;
        }
        return QStringLiteral("?");
    }

    bool optionValue(SettingsOption option) const override
    {
        return option == SettingsOption::optSameFolder ? sameFolder : !sameFolder;
    }
    void setOptionValue(SettingsOption option, bool value) override
    {
        calls += nameOf(optionNames(), option) + (value ? QStringLiteral("=True") : QStringLiteral("=False"));
        if (value)
            sameFolder = option == SettingsOption::optSameFolder;
    }

    QString text(SettingsTextBox box) const override { return texts.value(box); }
    void setText(SettingsTextBox box, const QString &text) override
    {
        calls += nameOf(textNames(), box) + QLatin1Char('=') + text;
        texts[box] = text;
    }

    int selectedIndex(SettingsList list) const override { return indices.value(list, -1); }
    int itemCount(SettingsList list) const override { return counts.value(list); }
    void setSelectedIndex(SettingsList list, int index) override
    {
        calls += nameOf(listNames(), list) + QLatin1Char('=') + QString::number(index);
        if (index < -1 || index >= counts.value(list))
            rejected += nameOf(listNames(), list);
        else
            indices[list] = index;
    }

    bool presetFormatSelected() const override { return formatOption == 0; }
    void selectFormatOption(int n) override
    {
        calls += QStringLiteral("optFormat=") + QString::number(n);
        formatOption = n;
    }
    void showFormatPanel(int n) override
    {
        calls += QStringLiteral("frFormat=") + QString::number(n);
        formatPanel = n;
    }

    void setOutPathEnabled(bool enabled) override
    {
        calls += QStringLiteral("txtOutPath.Enabled=") + (enabled ? QStringLiteral("True") : QStringLiteral("False"));
        outPathEnabled = enabled;
    }
    void setBrowseEnabled(bool enabled) override
    {
        calls += QStringLiteral("cmdBrowse.Enabled=") + (enabled ? QStringLiteral("True") : QStringLiteral("False"));
        browseEnabled = enabled;
    }

    void UpdateFormatDescription() override
    {
        calls += QStringLiteral("UpdateFormatDescription");
        ++descriptionUpdates;
    }

    // Every state by control name: options and enabled states as True/False,
    // lists as their index, optFormat as the selected element, frFormat as the
    // panel shown, texts as they are.
    QMap<QString, QString> states() const
    {
        QMap<QString, QString> result;
        const auto word = [](bool value) { return value ? QStringLiteral("True") : QStringLiteral("False"); };
        for (const auto &[option, name] : optionNames())
            result[name] = word(optionValue(option));
        for (const auto &[box, name] : textNames())
            result[name] = texts.value(box);
        for (const auto &[list, name] : listNames())
            result[name] = QString::number(indices.value(list));
        result[QStringLiteral("optFormat")] = QString::number(formatOption);
        result[QStringLiteral("frFormat")] = QString::number(formatPanel);
        result[QStringLiteral("txtOutPath.Enabled")] = word(outPathEnabled);
        result[QStringLiteral("cmdBrowse.Enabled")] = word(browseEnabled);
        return result;
    }

    bool sameFolder = false;
    QMap<SettingsTextBox, QString> texts;
    QMap<SettingsList, int> indices;
    QMap<SettingsList, int> counts;
    int formatOption = 0;
    int formatPanel = 0;
    bool outPathEnabled = true;
    bool browseEnabled = true;
    int descriptionUpdates = 0;
    QStringList calls;
    QStringList rejected; // lists given an index they could not take
};

// Two complete, different window states for round trips and for two program
// instances saving one after the other: 0 is preset mode with another folder,
// 1 custom mode with the source's folder.
inline void setExampleState(FakeSettingsControls &controls, int which)
{
    const bool second = which == 1;
    controls.sameFolder = second;
    controls.formatOption = second ? 1 : 0;
    controls.formatPanel = controls.formatOption;
    int index = second ? 7 : 2;
    for (const auto &[list, name] : FakeSettingsControls::listNames()) {
        controls.counts[list] = 12;
        controls.indices[list] = index;
        index = second ? index - 1 : index + 1;
    }
    controls.texts[SettingsTextBox::txtOutPath] = second ? QStringLiteral("/srv/cuts B") : QStringLiteral("/srv/cuts A");
    controls.texts[SettingsTextBox::txtCABirate] = second ? QStringLiteral("128") : QStringLiteral("96");
    controls.texts[SettingsTextBox::txtChannels] = second ? QStringLiteral("6") : QStringLiteral("1");
    controls.texts[SettingsTextBox::txtCVBitrate] = second ? QStringLiteral("2500") : QStringLiteral("500");
    controls.texts[SettingsTextBox::txtFrameRate] = second ? QStringLiteral("23.976") : QStringLiteral("29.97");
}
