#include "formatpanel.h"

#include "controls.h"
#include "encodercommand.h"
#include "formatchoice.h"
#include "keyfilters.h"
#include "messagesink.h"
#include "smartcutplan.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QAbstractItemView>
#include <QSignalBlocker>

namespace {

void fill(QComboBox *list, const QStringList &items)
{
    const QSignalBlocker block(list);
    list->clear();
    list->addItems(items);
    list->setCurrentIndex(-1);
    // Long codec descriptions are cut in the box; the open list shows them whole.
    list->view()->setMinimumWidth(list->view()->sizeHintForColumn(0) + 2 * list->view()->frameWidth());
}

} // namespace

FormatPanel::Controls FormatPanel::findIn(const QWidget &window)
{
    const auto find = [&window]<typename T>(T *&control, const char *name) {
        control = window.findChild<T *>(QString::fromLatin1(name));
        Q_ASSERT_X(control, "FormatPanel", name);
    };
    Controls f;
    find(f.optFormat[0], "optFormat(0)");
    find(f.optFormat[1], "optFormat(1)");
    find(f.frFormat[0], "frFormat(0)");
    find(f.frFormat[1], "frFormat(1)");
    find(f.cmbCategory, "cmbCategory");
    find(f.cmbOutVCodec, "cmbOutVCodec");
    find(f.cmbOutFormat, "cmbOutFormat");
    find(f.cmbCustContainer, "cmbCustContainer");
    find(f.cmbCVCodec, "cmbCVCodec");
    find(f.cmbCVSize, "cmbCVSize");
    find(f.cmbCVAspect, "cmbCVAspect");
    find(f.cmbCACodec, "cmbCACodec");
    find(f.cmbCASmapleRate, "cmbCASmapleRate");
    find(f.txtCVBitrate, "txtCVBitrate");
    find(f.txtFrameRate, "txtFrameRate");
    find(f.txtCABirate, "txtCABirate");
    find(f.txtChannels, "txtChannels");
    find(f.lblFormat, "lblFormat");
    find(f.chkFastSeek, "chkFastSeek");
    return f;
}

FormatPanel::FormatPanel(const Controls &controls, const PresetsLoad &presets, const CodecsLoad &codecs,
                         MessageSink &messages, QObject *parent)
    : QObject(parent)
    , m_c(controls)
    , m_presets(presets)
    , m_codecs(codecs)
    , m_messages(messages)
{
    fill(m_c.cmbCustContainer, CustomContainers());
    fill(m_c.cmbCVSize, CustomVideoSizes());
    fill(m_c.cmbCVAspect, CustomAspects());
    fill(m_c.cmbCASmapleRate, CustomSampleRates());

    // Only a user's pick goes through activated; the program's own
    // selections run the handler through selectIndex.
    for (QComboBox *list : {m_c.cmbCategory, m_c.cmbOutVCodec, m_c.cmbOutFormat, m_c.cmbCustContainer,
                            m_c.cmbCVCodec, m_c.cmbCVSize, m_c.cmbCVAspect, m_c.cmbCACodec,
                            m_c.cmbCASmapleRate}) {
        list->setEditable(false);
        connect(list, &QComboBox::activated, this, [this, list] { onSelected(list); });
    }
    // Any way of ticking an option switches the panel: a click, the arrow
    // keys inside the group, an accessibility action, the program itself.
    for (int n = 0; n < 2; ++n) {
        connect(m_c.optFormat[n], &QAbstractButton::toggled, this, [this, n](bool checked) {
            if (checked)
                showMode(n);
        });
    }

    InstallKeyFilter(m_c.txtCABirate, KeyFilterBox::txtCABirate);
    InstallKeyFilter(m_c.txtCVBitrate, KeyFilterBox::txtCVBitrate);
    InstallKeyFilter(m_c.txtChannels, KeyFilterBox::txtChannels);
    InstallKeyFilter(m_c.txtFrameRate, KeyFilterBox::txtFrameRate);
}

void FormatPanel::fillCategories()
{
    if (!m_presets.categoryItems)
        return;
    fill(m_c.cmbCategory, *m_presets.categoryItems);
    if (m_c.cmbCategory->count() > 0)
        selectIndex(m_c.cmbCategory, 0);
}

void FormatPanel::fillCodecs()
{
    if (m_codecs.videoItems)
        fill(m_c.cmbCVCodec, *m_codecs.videoItems);
    if (m_codecs.audioItems)
        fill(m_c.cmbCACodec, *m_codecs.audioItems);
    if (m_c.cmbCVCodec->count() > 0)
        selectIndex(m_c.cmbCVCodec, 0);
    if (m_c.cmbCACodec->count() > 0)
        selectIndex(m_c.cmbCACodec, 0);
}

void FormatPanel::SetCategory(const QString &sCat)
{
    fill(m_c.cmbOutVCodec, LabelsForCategory(m_presets.Presets, m_presets.PresetCount, sCat));
    fill(m_c.cmbOutFormat, ExtensionsFor(m_presets.Presets, m_presets.PresetCount, sCat));
    if (m_c.cmbOutVCodec->count() > 0)
        selectIndex(m_c.cmbOutVCodec, 0);
    if (m_c.cmbOutFormat->count() > 0)
        selectIndex(m_c.cmbOutFormat, 0);
}

void FormatPanel::SetVideoCodec(const QString &sCodec)
{
    fill(m_c.cmbOutFormat,
         ExtensionsFor(m_presets.Presets, m_presets.PresetCount, m_c.cmbCategory->currentText(), sCodec));
    if (m_c.cmbOutFormat->count() > 0)
        selectIndex(m_c.cmbOutFormat, 0);
}

void FormatPanel::selectIndex(QComboBox *list, int index)
{
    {
        const QSignalBlocker block(list);
        list->setCurrentIndex(index);
    }
    onSelected(list);
}

void FormatPanel::onSelected(QComboBox *list)
{
    // Long codec descriptions may not fit the box; the tip shows them whole.
    list->setToolTip(list->currentText());
    if (list == m_c.cmbCategory)
        SetCategory(list->currentText());
    else if (list == m_c.cmbOutVCodec)
        SetVideoCodec(list->currentText());
}

bool FormatPanel::presetMode() const
{
    return m_c.optFormat[0]->Value();
}

void FormatPanel::selectMode(int n)
{
    m_c.optFormat[n]->setValue(true);
}

void FormatPanel::showMode(int n)
{
    m_c.frFormat[n]->raise();
    m_c.frFormat[n]->show();
    m_c.frFormat[1 - n]->hide();
}

bool FormatPanel::checkBeforeClose()
{
    if (const auto message = EmptyCustomFieldMessage(snapshot())) {
        m_messages.showMessage(*message, MessageIcon::Warning, kAppTitle);
        return false;
    }
    return true;
}

void FormatPanel::UpdateFormatDescription()
{
    const FormatPanelSnapshot panel = snapshot();
    m_c.lblFormat->setText(FormatDescription(panel));
    // A copy of the video starts at a keyframe, so exact marks cannot hold;
    // the smart cut re-encodes the ends and keeps them.
    const auto options = AssembleParamaters(panel, m_presets.Presets, m_presets.PresetCount, m_codecs.Codecs,
                                            m_codecs.CodecCount, 0, 1);
    const bool copies = std::holds_alternative<QString>(options)
                        && EncoderCommand::copiesVideoStream(std::get<QString>(options))
                        && !SmartCut::IsSmartCutPreset(std::get<QString>(options));
    m_c.lblFormat->setToolTip(m_exactMarks && copies ? tr(kCopyCutsAtKeyframes) : QString());
}

void FormatPanel::setExactMarks(bool exact)
{
    m_exactMarks = exact;
    UpdateFormatDescription();
}

FormatPanelSnapshot FormatPanel::snapshot() const
{
    FormatPanelSnapshot s;
    s.presetMode = presetMode();
    s.cmbCategory = m_c.cmbCategory->currentText();
    s.cmbOutVCodec = m_c.cmbOutVCodec->currentText();
    s.cmbOutFormat = m_c.cmbOutFormat->currentText();
    s.cmbCustContainer = m_c.cmbCustContainer->currentText();
    s.cmbCVCodec = m_c.cmbCVCodec->currentText();
    s.txtCVBitrate = m_c.txtCVBitrate->text();
    s.cmbCVSize = m_c.cmbCVSize->currentText();
    s.cmbCVAspect = m_c.cmbCVAspect->currentText();
    s.txtFrameRate = m_c.txtFrameRate->text();
    s.cmbCACodec = m_c.cmbCACodec->currentText();
    s.txtCABirate = m_c.txtCABirate->text();
    s.cmbCASmapleRate = m_c.cmbCASmapleRate->currentText();
    s.txtChannels = m_c.txtChannels->text();
    return s;
}

bool FormatPanel::fastSeek() const
{
    return m_c.chkFastSeek && m_c.chkFastSeek->Value() == 1;
}
