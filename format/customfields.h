#pragma once

#include <QChar>
#include <QStringView>

// The custom format's free-text boxes, by control name. Their texts go onto
// the encoder's command line as typed, so one set of rules decides what they
// may hold: the box's key filter, the settings file's values and the option
// string all follow the functions below.
enum class CustomField { txtCABirate, txtCVBitrate, txtChannels, txtFrameRate };

// The most characters the box takes from the keyboard: 4 for the bitrates, 1
// for txtChannels, 9 for txtFrameRate.
int customFieldLength(CustomField field);

// Whether a typed key goes into the box. key is the typed character (8 for
// Backspace, 13 for Enter); textBefore is the box's whole text before the key
// takes effect, whatever part of it is selected. Three rules, in order:
//  1. only Enter, Backspace and the digits 0-9 pass; txtChannels refuses "0",
//     txtFrameRate also takes ".";
//  2. a box holding customFieldLength characters or more takes nothing but
//     Backspace;
//  3. once txtFrameRate holds a ".", neither "0" nor "." passes.
// Digits are the ASCII ones only.
bool customFieldAcceptsKey(CustomField field, QChar key, QStringView textBefore);

// Whether text is a value the option string can carry as it stands, whatever
// its length: the bitrates are ASCII digits; txtChannels is one digit from 1
// to 9; txtFrameRate is ASCII digits with at most one ".", and at least one
// digit. Anything else could add an option to the command line, or take the
// next option as its value.
bool isCustomFieldValue(CustomField field, QStringView text);

// A value (isCustomFieldValue) no longer than customFieldLength: what the box
// can hold after typing, and so what a settings file may put back into it.
bool isCustomFieldText(CustomField field, QStringView text);
