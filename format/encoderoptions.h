#pragma once

#include "catalogue.h"

#include <QList>
#include <QString>

#include <variant>

class MessageSink;

// What the format panel shows at the moment a task starts. Field names are the
// panel's control names; each holds that control's current text.
struct FormatPanelSnapshot
{
    bool presetMode = true; // optFormat(0) "Presets" selected

    // Preset sub-panel.
    QString cmbCategory;
    QString cmbOutVCodec;
    QString cmbOutFormat;

    // Custom sub-panel.
    QString cmbCustContainer;
    QString cmbCVCodec;
    QString txtCVBitrate;
    QString cmbCVSize;
    QString cmbCVAspect;
    QString txtFrameRate;
    QString cmbCACodec;
    QString txtCABirate;
    QString cmbCASmapleRate;
    QString txtChannels;
};

struct ParamatersFailure
{
    QString description;
};

// Translated when shown (context "EncoderOptions").
inline constexpr char kParamatersFailureMessage[] = QT_TRANSLATE_NOOP("EncoderOptions", "Error occured while getting paramters");
inline const QString kAsInput = QStringLiteral("[As Input]");

// The encoder name of the first codec (index 0 up to CodecCount - 1) whose
// description equals sDesc exactly, without surrounding spaces; empty when none.
QString GetCodecName(const QList<CodecEntry> &Codecs, qint32 CodecCount, const QString &sDesc);

// The encoder option string for the panel's choice and the selection
// SelectStart..SelectEnd (whole seconds). An empty string means no preset
// matched. The free-text boxes must hold what their key filters let through
// (bitrates digits only, channels one digit from 1 to 9, a frame rate digits
// with at most one "."); anything else is a failure, and so are a size without
// "(" and an overflow. A list with nothing selected (empty text) counts as
// "[As Input]" for size and aspect and as no choice for a codec.
std::variant<QString, ParamatersFailure> AssembleParamaters(const FormatPanelSnapshot &panel,
                                                           const QList<PresetEntry> &Presets, qint32 PresetCount,
                                                           const QList<CodecEntry> &Codecs, qint32 CodecCount,
                                                           qint32 SelectStart, qint32 SelectEnd);

// AssembleParamaters for the task start: a failure is shown through sink with
// the error icon and gives the empty string.
QString GetParamaters(const FormatPanelSnapshot &panel, const QList<PresetEntry> &Presets, qint32 PresetCount,
                      const QList<CodecEntry> &Codecs, qint32 CodecCount, qint32 SelectStart, qint32 SelectEnd,
                      MessageSink &sink);

// Exact marks: the presentation times of the cut's first frame and of the
// first frame after it, in seconds from the start of the file as the encoder
// counts it (its "start:" time), to the millisecond, as the preview gives them.
struct ExactSelection
{
    double start = 0.0;
    double end = 0.0;
};

// AssembleParamaters for exact marks: the options end with " -ss S -t L" to
// the millisecond, where S is the start less 1 ms (never below 0) and L the
// end less the start, less 1 ms: both marks a millisecond early. A frame lies
// within half a millisecond of its rounded mark and a whole frame from its
// neighbours' marks, so the cut holds the start mark's frame up to the end
// mark's, excluded, at any rate below about 300 frames a second; no frame rate
// is needed. At the marks themselves the start could miss its frame, and the
// end, which the encoder counts from the first frame it keeps, could take the
// end mark's frame too. (A frame bound, -frames:v, is no way out: the encoder
// ends the whole file when the video reaches it, the sound wherever it was.)
// Options that copy the video (EncoderCommand::copiesVideoStream) cannot be
// exact: a copy starts at the keyframe before S. A start that is not a
// number or negative, or an end not after the start, is a failure. Build the
// command with EncoderCommand::exactConversionCommandLine. A preset that keeps
// the source's frame rate gets OwnFrameTimes before the marks.
std::variant<QString, ParamatersFailure> AssembleParamaters(const FormatPanelSnapshot &panel,
                                                           const QList<PresetEntry> &Presets, qint32 PresetCount,
                                                           const QList<CodecEntry> &Codecs, qint32 CodecCount,
                                                           const ExactSelection &selection);

// " -fps_mode passthrough -enc_time_base:v -1" for options that encode the
// picture with an encoder taking any time base and set no rate of their own:
// the cut then keeps each frame at its own time, where the container's
// default would put frames on a fixed grid, repeating and dropping those of a
// source whose frame times vary. Empty otherwise.
QString OwnFrameTimes(const QString &sParameters);

// The exact AssembleParamaters for the task start, failures shown as
// GetParamaters shows them.
QString GetParamaters(const FormatPanelSnapshot &panel, const QList<PresetEntry> &Presets, qint32 PresetCount,
                      const QList<CodecEntry> &Codecs, qint32 CodecCount, const ExactSelection &selection,
                      MessageSink &sink);

// The output file's extension: cmbOutFormat in preset mode, cmbCustContainer
// in custom mode.
QString OutputExtension(const FormatPanelSnapshot &panel);

// The number at the start of a sampling-rate text such as "44.1 KHz" (spaces
// skipped, the first other character ends it; 0 when there is none).
double LeadingNumber(const QString &text);
