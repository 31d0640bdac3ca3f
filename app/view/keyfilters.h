#pragma once

#include "customfields.h"

#include <QChar>
#include <QString>

class QLineEdit;

// The four number boxes of the format panel that only take certain keys.
using KeyFilterBox = CustomField;

// Whether a typed key reaches the box: customFieldAcceptsKey (format/). A
// text longer than the box's length, which only a program can put there,
// counts as full, so it can only shrink.
bool KeyFilterAccepts(KeyFilterBox box, QChar key, const QString &textBefore);

// Makes edit follow KeyFilterAccepts for everything the user puts into it.
// Typed characters are checked one by one and swallowed silently; Backspace,
// Delete, cursor movement, selection, cut, copy and undo pass untouched. Text
// arriving in one piece (Ctrl+V or Shift+Insert, the middle button's
// selection paste, the context menu's Paste, a drop) first replaces the
// selection, then goes in one character at a time as if typed, so each
// character meets the rules against the text before it; refused characters
// are skipped and the rest still tried; the middle button's paste keeps the
// selection and goes in at the cursor, as it does everywhere else. Input
// methods are switched off for the box, and a commit that arrives anyway goes
// in as typed. Text set by the program is not checked.
//
// A QValidator does not fit: it judges the text a change would produce, while
// the rules judge the key against the text before it. A full box must refuse
// a digit even when the digit would only replace the selection; a validator
// would see a short, valid result and let it in.
void InstallKeyFilter(QLineEdit *edit, KeyFilterBox box);
