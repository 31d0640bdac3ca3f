#include "language.h"

#include <QCoreApplication>
#include <QFileInfo>

using namespace Qt::StringLiterals;

UserLanguage::UserLanguage(const QLocale &locale, const QString &programDir, const QString &qtTranslationsDir)
{
    // The user's languages in order of preference, as "de-DE", "de", ...
    // QTranslator::load(QLocale) would skip an English one for want of a file
    // and take the next, so the choice is made here.
    for (QString tag : locale.uiLanguages()) {
        tag.replace(u'-', u'_');
        const QString language = tag.section(u'_', 0, 0).toLower();
        if (language == u"en"_s || language == u"c"_s)
            break;
        const QString file = programDir + u"/snipora_"_s + language + u".qm"_s;
        if (!QFileInfo::exists(file) || !m_own.load(file))
            continue;
        m_language = language;
        QCoreApplication::installTranslator(&m_own);
        // Qt's own texts: the country's variant where Qt has one.
        if (m_qt.load(u"qtbase_"_s + tag, qtTranslationsDir))
            QCoreApplication::installTranslator(&m_qt);
        break;
    }
}

UserLanguage::~UserLanguage()
{
    QCoreApplication::removeTranslator(&m_qt);
    QCoreApplication::removeTranslator(&m_own);
}
