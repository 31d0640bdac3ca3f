#pragma once

#include "catalogue.h"
#include "encoderoptions.h"

#include <QObject>

#include <array>

class CheckBox;
class FramePanel;
class MessageSink;
class OptionButton;
class QComboBox;
class QLabel;
class QLineEdit;

// The format panel's controls and handlers: the cascading preset lists, the
// fixed custom lists, the mode option pair, the checks before the panel
// closes and the summary on the main panel. The lists are pick-only, and
// every selection, by the user or by the program, runs the list's handler
// once.
class FormatPanel final : public QObject
{
    Q_OBJECT

public:
    struct Controls
    {
        std::array<OptionButton *, 2> optFormat{};
        std::array<FramePanel *, 2> frFormat{};
        QComboBox *cmbCategory = nullptr;
        QComboBox *cmbOutVCodec = nullptr;
        QComboBox *cmbOutFormat = nullptr;
        QComboBox *cmbCustContainer = nullptr;
        QComboBox *cmbCVCodec = nullptr;
        QComboBox *cmbCVSize = nullptr;
        QComboBox *cmbCVAspect = nullptr;
        QComboBox *cmbCACodec = nullptr;
        QComboBox *cmbCASmapleRate = nullptr;
        QLineEdit *txtCVBitrate = nullptr;
        QLineEdit *txtFrameRate = nullptr;
        QLineEdit *txtCABirate = nullptr;
        QLineEdit *txtChannels = nullptr;
        QLabel *lblFormat = nullptr;
        CheckBox *chkFastSeek = nullptr;
    };

    // The catalogues must outlive the panel.
    // The panel's controls, found by name in the built window.
    static Controls findIn(const QWidget &window);

    FormatPanel(const Controls &controls, const PresetsLoad &presets, const CodecsLoad &codecs,
                MessageSink &messages, QObject *parent = nullptr);

    const Controls &controls() const { return m_c; }

    // The window side of loading the catalogues: fill the lists and select
    // their first items.
    void fillCategories();
    void fillCodecs();

    void SetCategory(const QString &sCat);
    void SetVideoCodec(const QString &sCodec);

    // Selects an item (-1 for none) and runs the list's handler, as a
    // selection by the user does.
    void selectIndex(QComboBox *list, int index);

    bool presetMode() const;
    // Selects option n of optFormat; showMode(n) brings frFormat(n) to the front.
    void selectMode(int n);
    void showMode(int n);

    // The checks of "Save && Close": false (after a warning) when a custom
    // text field is empty.
    bool checkBeforeClose();
    // The summary; with exact marks on, its tool tip warns when the format
    // copies the video and so cuts at keyframes.
    void UpdateFormatDescription();
    void setExactMarks(bool exact);

    FormatPanelSnapshot snapshot() const;
    bool fastSeek() const;

private:
    void onSelected(QComboBox *list);

    Controls m_c;
    const PresetsLoad &m_presets;
    const CodecsLoad &m_codecs;
    MessageSink &m_messages;
    bool m_exactMarks = false;
};

// Translated when shown (context "FormatPanel").
inline constexpr char kCopyCutsAtKeyframes[] =
    QT_TRANSLATE_NOOP("FormatPanel", "This format copies the video, so the cut starts at the keyframe before the start mark, "
                                     "not on the marked frame. Choose a format that re-encodes for an exact cut.");
