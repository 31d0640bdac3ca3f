#pragma once

#include "settingscontrols.h"

#include <QMap>
#include <QStringList>

// Window controls for tests. States by control name: options, check boxes and
// enabled states "True"/"False", lists their index, texts as they are,
// optFormat the selected element, frFormat the panel shown. Every change is
// logged in order.
// Like the window, the folder options are one group, and a list takes only
// indices from -1 to its count - 1 (others are logged in rejected).
class FakeSettingsControls final : public SettingsControls
{
public:
    // In the order of the enumerations.
    static inline const QStringList kOptions{QStringLiteral("optOtherFolder"), QStringLiteral("optSameFolder")};
    static inline const QStringList kTexts{QStringLiteral("txtOutPath"), QStringLiteral("txtCABirate"),
                                           QStringLiteral("txtChannels"), QStringLiteral("txtCVBitrate"),
                                           QStringLiteral("txtFrameRate")};
    static inline const QStringList kCheckBoxes{QStringLiteral("chkFastSeek"), QStringLiteral("chkExactMarks"),
                                                QStringLiteral("chkTimeline")};
    static inline const QStringList kLists{
        QStringLiteral("cmbCategory"), QStringLiteral("cmbOutVCodec"),    QStringLiteral("cmbOutFormat"),
        QStringLiteral("cmbCustContainer"), QStringLiteral("cmbCACodec"), QStringLiteral("cmbCASmapleRate"),
        QStringLiteral("cmbCVCodec"), QStringLiteral("cmbCVSize"),        QStringLiteral("cmbCVAspect")};

    FakeSettingsControls()
    {
        state[QStringLiteral("optOtherFolder")] = QStringLiteral("True");
        state[QStringLiteral("optSameFolder")] = QStringLiteral("False");
        state[QStringLiteral("txtOutPath.Enabled")] = state[QStringLiteral("cmdBrowse.Enabled")] = QStringLiteral("True");
        state[QStringLiteral("optFormat")] = state[QStringLiteral("frFormat")] = QStringLiteral("0");
        for (const QString &name : kLists) {
            state[name] = QStringLiteral("0");
            counts[name] = 10;
        }
        for (const QString &name : kTexts)
            state[name] = QStringLiteral("initial");
        state[QStringLiteral("chkFastSeek")] = QStringLiteral("False");
        state[QStringLiteral("chkExactMarks")] = QStringLiteral("False");
        state[QStringLiteral("chkTimeline")] = QStringLiteral("True");
    }

    static QString word(bool value) { return value ? QStringLiteral("True") : QStringLiteral("False"); }

    bool optionValue(SettingsOption option) const override { return state.value(kOptions[int(option)]) == word(true); }
    void setOptionValue(SettingsOption option, bool value) override
    {
        calls += kOptions[int(option)] + u'=' + word(value);
        if (value) {
            state[kOptions[0]] = word(option == SettingsOption::optOtherFolder);
            state[kOptions[1]] = word(option == SettingsOption::optSameFolder);
        }
    }
    QString text(SettingsTextBox box) const override { return state.value(kTexts[int(box)]); }
    void setText(SettingsTextBox box, const QString &text) override { record(kTexts[int(box)], text); }
    int selectedIndex(SettingsList list) const override { return state.value(kLists[int(list)]).toInt(); }
    int itemCount(SettingsList list) const override { return counts.value(kLists[int(list)]); }
    void setSelectedIndex(SettingsList list, int index) override
    {
        const QString &name = kLists[int(list)];
        if (index < -1 || index >= counts.value(name))
            rejected += name;
        record(name, QString::number(index));
    }
    bool checkValue(SettingsCheckBox box) const override { return state.value(kCheckBoxes[int(box)]) == word(true); }
    void setCheckValue(SettingsCheckBox box, bool value) override { record(kCheckBoxes[int(box)], word(value)); }
    bool presetFormatSelected() const override { return state.value(QStringLiteral("optFormat")) == u'0'; }
    void selectFormatOption(int n) override { record(QStringLiteral("optFormat"), QString::number(n)); }
    void showFormatPanel(int n) override { record(QStringLiteral("frFormat"), QString::number(n)); }
    void setOutPathEnabled(bool enabled) override { record(QStringLiteral("txtOutPath.Enabled"), word(enabled)); }
    void setBrowseEnabled(bool enabled) override { record(QStringLiteral("cmdBrowse.Enabled"), word(enabled)); }
    void UpdateFormatDescription() override { calls += QStringLiteral("UpdateFormatDescription"); }

    QMap<QString, QString> state;
    QMap<QString, int> counts;
    QStringList calls;
    QStringList rejected;

private:
    void record(const QString &name, const QString &value)
    {
        calls += name + u'=' + value;
        state[name] = value;
    }
};

// Two complete, different states as the window has them after a load:
// 0 presets with another folder, 1 custom with the source's folder.
inline void setExampleState(FakeSettingsControls &controls, int which)
{
    const bool custom = which == 1;
    controls.state[QStringLiteral("optOtherFolder")] = FakeSettingsControls::word(!custom);
    controls.state[QStringLiteral("optSameFolder")] = FakeSettingsControls::word(custom);
    controls.state[QStringLiteral("txtOutPath.Enabled")] = controls.state[QStringLiteral("cmdBrowse.Enabled")] =
        FakeSettingsControls::word(!custom);
    controls.state[QStringLiteral("optFormat")] = controls.state[QStringLiteral("frFormat")] =
        QString::number(which);
    for (int i = 0; i < FakeSettingsControls::kLists.size(); ++i) {
        controls.counts[FakeSettingsControls::kLists[i]] = 12;
        controls.state[FakeSettingsControls::kLists[i]] = QString::number(custom ? 8 - i : i + 2);
    }
    const QStringList texts = custom ? QStringList{QStringLiteral("/srv/cuts B"), QStringLiteral("128"),
                                                   QStringLiteral("6"), QStringLiteral("2500"), QStringLiteral("23.976")}
                                     : QStringList{QStringLiteral("/srv/cuts A"), QStringLiteral("96"),
                                                   QStringLiteral("1"), QStringLiteral("500"), QStringLiteral("29.97")};
    for (int i = 0; i < texts.size(); ++i)
        controls.state[FakeSettingsControls::kTexts[i]] = texts[i];
    controls.state[QStringLiteral("chkFastSeek")] = FakeSettingsControls::word(custom);
    controls.state[QStringLiteral("chkExactMarks")] = FakeSettingsControls::word(!custom);
}
