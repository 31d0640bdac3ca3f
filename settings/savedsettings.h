#pragma once

#include "breakmarks.h"
#include "cregister.h"
#include "settingscontrols.h"

#include <QString>
#include <QStringView>

#include <optional>

class SettingsStoreLocation;

// Where the saved settings live: one text value per control, named after it.
inline constexpr quint32 kSettingsRoot = kRegLocalMachine;
inline const QString kSettingsKeyPath = QStringLiteral("Software\\Tessaly Snipora\\Settings");

// The output folder until the user picks one: "C:\Cut Files" on Windows, a
// folder "Cut Files" in homeFolder elsewhere (native separators).
QString defaultOutputFolder(const QString &homeFolder);

// Stored texts as the controls take them; std::nullopt when the text cannot
// be applied. An option or a check box is "True" or "False" in any letter
// case. An index is a decimal 16-bit signed integer (surrounding blanks
// allowed); whether it fits the list is for the caller to judge.
std::optional<bool> parseOptionValue(QStringView text);
std::optional<int> parseIndex(QStringView text);

// Whether a stored text could have been typed into the box: the custom
// format's numbers go onto the encoder's command line, so a text that is not
// isCustomFieldText (format/customfields.h) is bad data and is not applied.
// Any text fits txtOutPath.
bool isApplicableText(SettingsTextBox box, QStringView text);

// Saves the window's settings at exit, restores them at start-up, and resets
// them to the built-in defaults for the restore-defaults button. The values
// are handled one by one in a fixed order: optOtherFolder, optSameFolder,
// txtOutPath, optFormat, the nine lists from cmbCategory to cmbCVAspect,
// txtCABirate, txtChannels, txtCVBitrate, txtFrameRate, chkFastSeek, chkExactMarks, chkTimeline.
class SavedSettings final
{
public:
    // The location must outlive the object. homeFolder is the user's home
    // folder, for the default output folder.
    SavedSettings(const SettingsStoreLocation &location, const QString &homeFolder);

    // Writes every value; a write that fails is passed over. True when all
    // were written.
    bool SaveSettings(const SettingsControls &controls) const;

    // Reads every value (a missing or empty one gives its default) and applies
    // it. A value that cannot be applied (not a number where an index is
    // needed, an index outside the list, a text the box would not take) leaves
    // its control as it was, and the next value follows. Ends with
    // UpdateFormatDescription().
    void LoadSettings(SettingsControls &controls) const;

    // The restore-defaults button (cmdDefaults): deletes the settings key, then
    // loads, which applies every default. The key comes back at the next save.
    void cmdDefaultsClicked(SettingsControls &controls) const;

    QString defaultOutPath() const { return m_defaultOutPath; }

    // The break finder's thresholds, kept in the same key but never shown in the window: a
    // missing value, one that is not a number or one out of its range gives the default.
    // SaveSettings writes them back as read, so that the file shows them for editing.
    BreakThresholds breakThresholds() const;

private:
    QString read(QStringView name, const QString &defaultText) const;
    bool write(QStringView name, const QString &text) const;

    CRegister m_register;
    QString m_defaultOutPath;
};
