#include "customfields.h"

#include <algorithm>

namespace {

constexpr char16_t kBackspace = 8;
constexpr char16_t kEnter = 13;

bool isAsciiDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// The characters a field's text is made of.
bool isFieldCharacter(CustomField field, QChar c)
{
    switch (field) {
    case CustomField::txtCABirate:
    case CustomField::txtCVBitrate:
        return isAsciiDigit(c);
    case CustomField::txtChannels:
        return isAsciiDigit(c) && c != u'0';
    case CustomField::txtFrameRate:
        return isAsciiDigit(c) || c == u'.';
    }
    return false;
}

} // namespace

int customFieldLength(CustomField field)
{
    switch (field) {
    case CustomField::txtCABirate:
    case CustomField::txtCVBitrate:
        return 4;
    case CustomField::txtChannels:
        return 1;
    case CustomField::txtFrameRate:
        return 9;
    }
    return 0;
}

bool customFieldAcceptsKey(CustomField field, QChar key, QStringView textBefore)
{
    if (key == QChar(kBackspace))
        return true;
    if (key != QChar(kEnter) && !isFieldCharacter(field, key))
        return false;
    if (textBefore.size() >= customFieldLength(field))
        return false;
    return !(field == CustomField::txtFrameRate && textBefore.contains(u'.') && (key == u'0' || key == u'.'));
}

bool isCustomFieldValue(CustomField field, QStringView text)
{
    const auto ofField = [field](QChar c) { return isFieldCharacter(field, c); };
    if (text.isEmpty() || !std::all_of(text.begin(), text.end(), ofField))
        return false;
    switch (field) {
    case CustomField::txtCABirate:
    case CustomField::txtCVBitrate:
        return true;
    case CustomField::txtChannels:
        return text.size() == 1;
    case CustomField::txtFrameRate:
        return text.count(u'.') <= 1 && std::any_of(text.begin(), text.end(), isAsciiDigit);
    }
    return false;
}

bool isCustomFieldText(CustomField field, QStringView text)
{
    return text.size() <= customFieldLength(field) && isCustomFieldValue(field, text);
}
