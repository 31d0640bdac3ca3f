#pragma once

#include "catalogue.h"
#include "encoderoptions.h"

#include <QStringList>

#include <optional>

// The format panel's rules, free of widgets: what the cascading preset lists
// hold, the fixed custom lists, the checks before the panel closes, and the
// one-line summary.

// The distinct labels of the presets in category sCat, in catalogue order.
QStringList LabelsForCategory(const QList<PresetEntry> &Presets, qint32 PresetCount, const QString &sCat);

// The distinct extensions of the presets with category sCat and, when given,
// label sLabel, in catalogue order.
QStringList ExtensionsFor(const QList<PresetEntry> &Presets, qint32 PresetCount, const QString &sCat,
                          const std::optional<QString> &sLabel = std::nullopt);

// The fixed lists of the custom sub-panel, in their order.
const QStringList &CustomContainers();
const QStringList &CustomVideoSizes();
const QStringList &CustomAspects();
const QStringList &CustomSampleRates();

// The first empty one of the four custom text fields, checked in the order
// channels, frame rate, audio bitrate, video bitrate (in both modes), as the
// warning to show; nothing when all four hold text.
std::optional<QString> EmptyCustomFieldMessage(const FormatPanelSnapshot &panel);

// The summary for lblFormat: Category:<cat>, Codec:"<label>", Container:"<ext>"
// in preset mode; Container:<container>, Video Codec:"<v>", Audio Codec:"<a>"
// in custom mode.
QString FormatDescription(const FormatPanelSnapshot &panel);
