// The window in the user's language: every caption fits its control at the
// design's font in each language, a cut gives the encoder the same command
// whatever the language, and a language without its file stays English.

#include "controls.h"
#include "cutlist.h"
#include "cutlistpanel.h"
#include "cutnotices.h"
#include "fakeservices.h"
#include "formatpanel.h"
#include "language.h"
#include "windowdriver.h"
#include "windowlayout.h"

#include <QLabel>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QRegularExpression>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace WindowDriver;

namespace {

// Where a text does not fit its control as the control paints it, at the
// control's own font: what it needs against what it has, in pixels.
QString overflow(const ControlSpec &spec, QWidget &widget, const QString &text)
{
    const QFontMetrics metrics(widget.font());
    int needed = 0;
    int given = 0;
    switch (spec.kind) {
    case ControlKind::Button: // centred in the face less 4 pixels each side
        needed = metrics.size(Qt::TextShowMnemonic, text).width();
        given = widget.width() - 8;
        break;
    case ControlKind::Panel: { // bold in the header, 10 pixels in from each end
        QFont bold = widget.font();
        bold.setBold(true);
        needed = QFontMetrics(bold).horizontalAdvance(text);
        given = widget.width() - 20;
        break;
    }
    case ControlKind::Option:
    case ControlKind::Check: // the mark, the gap and the text
        needed = widget.sizeHint().width();
        given = widget.width();
        break;
    case ControlKind::Label:
    case ControlKind::Link:
        if (auto *label = qobject_cast<QLabel *>(&widget); label && label->wordWrap()) {
            needed = metrics.boundingRect(QRect(0, 0, widget.width(), 10000), Qt::TextWordWrap, text).height();
            given = widget.height();
        } else {
            needed = metrics.horizontalAdvance(text);
            given = widget.width();
        }
        break;
    default: return {};
    }
    if (needed <= given)
        return {};
    return u"%1 \"%2\": needs %3 px, has %4"_s.arg(QLatin1StringView(spec.name), text).arg(needed).arg(given);
}

QString shownText(const ControlSpec &spec, QWidget &widget)
{
    switch (spec.kind) {
    case ControlKind::Button: return static_cast<PictureButton &>(widget).Caption();
    case ControlKind::Panel: return static_cast<FramePanel &>(widget).Caption();
    case ControlKind::Option:
    case ControlKind::Check: return static_cast<QAbstractButton &>(widget).text();
    case ControlKind::Label: return static_cast<QLabel &>(widget).text();
    case ControlKind::Link: return layoutText(spec.caption); // the label holds it as a link
    default: return {};
    }
}

// A fake encoder that notes each conversion's arguments with the locale it
// runs in, and writes the output.
const QByteArray kArgumentsEncoder = R"(
if [ "$#" -le 2 ]; then echo "Input #0, mov,mp4, from '$2':"; echo "  Duration: 00:00:06.00"; exit 1; fi
for last; do :; done
echo "LC_ALL=$LC_ALL $*" >> "$(dirname "$0")/arguments.log"
echo "Press [q] to stop, [?] for help"
echo "frame=1 time=00:00:03.00 bitrate=1"; : > "$last"; exit 0
)";

} // namespace

class TestLanguage final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void captionsFit_data();
    void captionsFit();
    void cutCommandIsTheSameInGerman();
    void missingTranslationStaysEnglish_data();
    void missingTranslationStaysEnglish();
    void cutNoticesTranslated_data();
    void cutNoticesTranslated();

private:
    QTemporaryDir m_dir;
    QString m_clip;
};

void TestLanguage::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_clip = m_dir.filePath(u"clip.mp4"_s);
    QVERIFY(TestSupport::makeClip(m_clip, 6.0));
}

void TestLanguage::captionsFit_data()
{
    QTest::addColumn<QString>("language");
    QTest::newRow("English") << QString();
    QTest::newRow("German") << u"de"_s;
    QTest::newRow("French") << u"fr"_s;
}

void TestLanguage::captionsFit()
{
    QFETCH(QString, language);
    const UserLanguage loaded(QLocale(language.isEmpty() ? u"en_GB"_s : language), TestSupport::programDir(),
                              QLibraryInfo::path(QLibraryInfo::TranslationsPath));
    QCOMPARE(loaded.language(), language); // else this row would measure English again

    FakeServices fakes;
    auto window = fakes.makeWindow();
    window->show();
    QStringList problems;
    const auto check = [&](const char *name, const QString &text) {
        const ControlSpec *spec = findControlSpec(QString::fromLatin1(name));
        if (const QString problem = overflow(*spec, *child(*window, QString::fromLatin1(name)), text); !problem.isEmpty())
            problems << problem;
    };
    int checked = 0;
    for (const ControlSpec &spec : windowLayout()) {
        const QString text = shownText(spec, *child(*window, QString::fromLatin1(spec.name)));
        if (text.isEmpty())
            continue;
        check(spec.name, text);
        ++checked;
    }
    QVERIFY(checked > 60);
    // The texts a control takes on later: a running task, playing, a
    // running list, a stopped task and one cut of a list, the custom format.
    check("cmdConvert", taskControlsFor(TaskState::Running).convertCaption);
    check("cmdPlay", frmMain::tr("Pause"));
    check("cmdRunList", CutListPanel::tr("Stop List"));
    check("cmdJoinList", CutListPanel::tr("Stop"));
    check("cmdRemoveParts", CutListPanel::tr("Stop"));
    check("lblProgress", CutWorkflow::tr("Task Progress:[Stopped]"));
    check("lblProgress", cutProgressText(12, 12));
    check("lblProgress", cutJoinProgressText(12, 12));
    window->formatPanel().selectMode(1);
    window->formatPanel().UpdateFormatDescription();
    check("lblFormat", child<QLabel>(*window, u"lblFormat"_s)->text());
    // The design's own "Load Video File ..." is wider than its button in this
    // font, and the button has always drawn it a step smaller; only English
    // may lean on that.
    if (language.isEmpty())
        problems.removeIf([](const QString &problem) { return problem.startsWith(u"cmdAddVideoFile "_s); });
    QVERIFY2(problems.isEmpty(), qPrintable(u"\n"_s + problems.join(u'\n')));
}

void TestLanguage::cutCommandIsTheSameInGerman()
{
    QStringList commands;
    for (const QString &language : {u"en_GB"_s, u"de_DE"_s}) {
        const UserLanguage loaded(QLocale(language), TestSupport::programDir(),
                                  QLibraryInfo::path(QLibraryInfo::TranslationsPath));
        FakeServices fakes;
        QTemporaryDir program;
        for (const QString &name : {u"presets.xml"_s, u"codecs.xml"_s})
            QVERIFY(QFile::copy(TestSupport::programDir() + u'/' + name, program.filePath(name)));
        QVERIFY(!TestSupport::writeFakeEncoder(program.path(), kArgumentsEncoder).isEmpty());
        fakes.services.programDir = program.path();
        auto window = fakes.makeWindow();
        child<OptionButton>(*window, u"optOtherFolder"_s)->setValue(true);
        child<QLineEdit>(*window, u"txtOutPath"_s)->setText(program.filePath(u"out"_s));
        load(*window, fakes, m_clip);
        markAndSelectFastPreset(*window, 1, 4);
        press(*window, "cmdConvert"); // returns when the cut has ended

        QVERIFY2(fakes.messages.messages.isEmpty(), qPrintable(fakes.messages.messages.value(0).text));
        QFile log(program.filePath(u"arguments.log"_s));
        QVERIFY(log.open(QIODevice::ReadOnly));
        commands << QString::fromUtf8(log.readAll()).replace(program.path(), u"<program>"_s);
    }
    QVERIFY2(commands[0].startsWith(u"LC_ALL=C -"_s), qPrintable(commands[0]));
    QVERIFY(commands[0].contains(u" -ss 1 -t 3 "_s));
    QCOMPARE(commands[1], commands[0]);
}

void TestLanguage::missingTranslationStaysEnglish_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<bool>("withFiles");
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("caption");
    QTest::newRow("German with its file") << u"de_AT"_s << true << u"de"_s << u"Anfang setzen"_s;
    QTest::newRow("German, no file") << u"de_DE"_s << false << QString() << u"Start Selection"_s;
    QTest::newRow("Spanish, untranslated") << u"es_ES"_s << true << QString() << u"Start Selection"_s;
}

void TestLanguage::missingTranslationStaysEnglish()
{
    QFETCH(QString, locale);
    QFETCH(bool, withFiles);
    QFETCH(QString, language);
    QFETCH(QString, caption);
    QTest::failOnWarning(QRegularExpression(u".*"_s));
    QTemporaryDir empty;
    const UserLanguage loaded(QLocale(locale), withFiles ? TestSupport::programDir() : empty.path(),
                              withFiles ? QLibraryInfo::path(QLibraryInfo::TranslationsPath) : empty.path());
    QCOMPARE(loaded.language(), language);
    QCOMPARE(loaded.qtTranslationLoaded(), withFiles && !language.isEmpty());

    FakeServices fakes;
    auto window = fakes.makeWindow();
    QCOMPARE(child<PictureButton>(*window, u"cmdStartSelect"_s)->Caption(), caption);
    QVERIFY2(fakes.messages.messages.isEmpty(), qPrintable(fakes.messages.messages.value(0).text));
}

void TestLanguage::cutNoticesTranslated_data()
{
    QTest::addColumn<QString>("locale");
    QTest::newRow("German") << u"de_DE"_s;
    QTest::newRow("French") << u"fr_FR"_s;
}

void TestLanguage::cutNoticesTranslated()
{
    // Every reason the smart cut or the join can give reaches the user in
    // their language, its details kept; a reason added without a
    // translation stays English and fails here.
    QFETCH(QString, locale);
    using SmartCut::Obstacle;
    QList<SmartCut::Reason> reasons;
    for (int obstacle = int(Obstacle::UnreadableTimes); obstacle <= int(Obstacle::OtherCoding); ++obstacle)
        reasons.append({Obstacle(obstacle), u"flv"_s, obstacle % 2 ? 2 : 0});
    const QList<SmartCut::LeftOutTrack> tracks{{{}, u"subtitle"_s, 3, u"hdmv_pgs_subtitle"_s}, {u"a.mkv"_s, u"data"_s, 4, u"bin_data"_s}};
    QStringList english;
    for (const SmartCut::Reason &reason : std::as_const(reasons))
        english << CutNotices::reEncodingCut(reason) << CutNotices::reEncodingJoin(reason) << CutNotices::reason(reason);
    english << CutNotices::tracksLeftOut(u"MP4"_s, tracks) << CutNotices::tracksLeftOut({}, tracks)
            << CutNotices::metadataNotKept(u"Dolby Vision (profile 8.4)"_s, true)
            << CutNotices::metadataNotKept(u"Dolby Vision (profile 8.4)"_s, false);
    QCOMPARE(english.at(2), SmartCut::reasonText(reasons.at(0)));

    const UserLanguage loaded(QLocale(locale), TestSupport::programDir(), QLibraryInfo::path(QLibraryInfo::TranslationsPath));
    QStringList translated;
    for (const SmartCut::Reason &reason : std::as_const(reasons))
        translated << CutNotices::reEncodingCut(reason) << CutNotices::reEncodingJoin(reason) << CutNotices::reason(reason);
    translated << CutNotices::tracksLeftOut(u"MP4"_s, tracks) << CutNotices::tracksLeftOut({}, tracks)
               << CutNotices::metadataNotKept(u"Dolby Vision (profile 8.4)"_s, true)
               << CutNotices::metadataNotKept(u"Dolby Vision (profile 8.4)"_s, false);
    for (qsizetype i = 0; i < english.size(); ++i) {
        QVERIFY2(translated.at(i) != english.at(i), qPrintable(english.at(i)));
        for (const QString &kept : {u"flv"_s, u"hdmv_pgs_subtitle"_s, u"a.mkv"_s, u"profile 8.4"_s})
            QCOMPARE(translated.at(i).contains(kept), english.at(i).contains(kept));
    }
}

QTEST_MAIN(TestLanguage)
#include "tst_language.moc"
