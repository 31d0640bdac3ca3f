#pragma once

#include <QLocale>
#include <QString>
#include <QTranslator>

// The program's texts in the user's language: Snipora's own translation from
// the program folder (snipora_<language>.qm) and Qt's (qtbase_<language>.qm),
// which the standard dialogs' buttons use. The first of the user's languages
// (LANGUAGE, then LC_ALL, LC_MESSAGES, LANG) that Snipora speaks wins;
// English, the source language, needs no file, and a language without a file
// stays English without a word. Installed while the object lives.
class UserLanguage final
{
public:
    UserLanguage(const QLocale &locale, const QString &programDir, const QString &qtTranslationsDir);
    ~UserLanguage();
    UserLanguage(const UserLanguage &) = delete;
    UserLanguage &operator=(const UserLanguage &) = delete;

    // The language loaded ("de", "fr"), empty for English.
    QString language() const { return m_language; }
    bool qtTranslationLoaded() const { return !m_qt.isEmpty(); }

private:
    QTranslator m_own;
    QTranslator m_qt;
    QString m_language;
};
