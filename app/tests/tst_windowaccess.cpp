// What a user gets from the window through the mouse, the keyboard and a
// screen reader: spoken texts that follow the screen, one seek per release to
// where the handle ends, format options that switch however they are ticked,
// a length from the encoder where the preview has none, and the position of
// the frame shown, and the slider, the progress bar and the picture heard
// by their roles, their values read and the position set by a screen reader.
// The preview is the fake engine; the encoder is real.

#include "controls.h"
#include "cutjob.h"
#include "cutworkflow.h"
#include "fakeservices.h"
#include "formatpanel.h"
#include "slider.h"
#include "windowdriver.h"
#include "windowlayout.h"

#include <QAccessible>
#include <QAccessibleValueInterface>
#include <QApplication>
#include <QLabel>
#include <QTest>
#include <QTextDocument>

using namespace Qt::StringLiterals;
using namespace WindowDriver;

namespace {

// The text a control shows: a label's plain text, a button's caption.
QString visibleText(QWidget *widget)
{
    if (auto *label = qobject_cast<QLabel *>(widget)) {
        QTextDocument doc;
        doc.setHtml(label->text());
        return Qt::mightBeRichText(label->text()) ? doc.toPlainText() : label->text();
    }
    // "&&" shows one ampersand; a single one marks the shortcut key.
    return static_cast<QAbstractButton *>(widget)->text().replace(u"&&"_s, u"\x01"_s).remove(u'&').replace(
        u'\x01', u'&');
}

// Every label and button of the layout whose screen-reader name is not what
// it shows (or, for the glyph buttons, not its fixed name), as "name: heard
// 'x', shows 'y'".
QStringList misheard(QWidget &window)
{
    QStringList wrong;
    for (const ControlSpec &spec : windowLayout()) {
        const bool glyph = spec.kind == ControlKind::Button && QString::fromUtf8(spec.caption).size() == 1;
        if (!speaksItsText(spec) && !glyph)
            continue;
        QWidget *widget = child(window, QString::fromLatin1(spec.name));
        QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(widget);
        const QString heard = iface ? iface->text(QAccessible::Name) : QString();
        const QString expected = glyph ? QString::fromUtf8(spec.toolTip) : visibleText(widget);
        if (heard != expected)
            wrong << u"%1: heard '%2', shows '%3'"_s.arg(QLatin1StringView(spec.name), heard, expected);
        const QString role = accessibleRoleOf(spec);
        if (speaksItsText(spec) && !role.isEmpty() && iface->text(QAccessible::Description) != role)
            wrong << u"%1: lost its role"_s.arg(QLatin1StringView(spec.name));
        if (speaksItsText(spec) && iface->text(QAccessible::Description) == heard && spec.toolTip)
            wrong << u"%1: says its name twice instead of its tool tip"_s.arg(QLatin1StringView(spec.name));
    }
    return wrong;
}

// Where on the slider a pointer must be for value v.
QPoint sliderPoint(Slider &slider, int v)
{
    const int track = slider.width() - 2 * 8;
    return QPoint(8 + track * v / std::max(1, slider.Max()), slider.height() / 2);
}

} // namespace

class TestWindowAccess final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void spokenTexts_data();
    void spokenTexts();
    void releaseSeeksOnceToTheHandle_data();
    void releaseSeeksOnceToTheHandle();
    void formatModeFollowsTheOption_data();
    void formatModeFollowsTheOption();
    void previewQuirks_data();
    void previewQuirks();
    void previewKeys_data();
    void previewKeys();
    void exactMarks_data();
    void exactMarks();
    void rolesAndValues_data();
    void rolesAndValues();

private:
    QTemporaryDir m_dir;
    QString m_clip;
};

void TestWindowAccess::initTestCase()
{
    m_clip = m_dir.filePath(u"clip.mp4"_s);
    QVERIFY(TestSupport::makeClip(m_clip, 8.0));
}

void TestWindowAccess::spokenTexts_data()
{
    QTest::addColumn<int>("stage");
    QTest::newRow("start-up") << 0;
    QTest::newRow("loaded") << 1;
    QTest::newRow("marked") << 2;
    QTest::newRow("paused") << 3;
    QTest::newRow("task running, then stopped") << 4;
}

void TestWindowAccess::spokenTexts()
{
    QFETCH(int, stage);
    FakeServices fakes;
    // A task that runs until stopped, so its texts can be heard.
    QTemporaryDir program;
    for (const QString &name : {u"presets.xml"_s, u"codecs.xml"_s})
        QVERIFY(QFile::copy(TestSupport::programDir() + u'/' + name, program.filePath(name)));
    TestSupport::writeFakeEncoder(program.path(), R"(
if [ "$#" -le 2 ]; then echo "  Duration: 00:00:08.00"; exit 1; fi
for last; do :; done; : > "$last"; echo "Press [q] to stop"
while true; do echo "frame=1 time=00:00:01.00 b"; sleep 0.05; done)");
    fakes.services.programDir = program.path();
    auto window = fakes.makeWindow();
    if (stage >= 1)
        load(*window, fakes, m_clip);
    if (stage >= 2)
        markAndSelectFastPreset(*window, 2, 5);
    if (stage >= 3)
        press(*window, "cmdPlay");
    QStringList heard;
    if (stage >= 4) {
        duringTask(window.get(), [&] {
            heard = misheard(*window);
            if (child<QAbstractButton>(*window, u"cmdConvert"_s)->text() != u"Stop"_s)
                heard << u"cmdConvert does not read Stop"_s;
            press(*window, "cmdConvert");
            return true;
        });
        press(*window, "cmdConvert");
    }
    heard += misheard(*window);
    QVERIFY2(heard.isEmpty(), qPrintable(heard.join(u'\n')));
}

void TestWindowAccess::releaseSeeksOnceToTheHandle_data()
{
    QTest::addColumn<bool>("drag");
    QTest::addColumn<int>("target");
    QTest::newRow("click on the track") << false << 6;
    QTest::newRow("drag to the same place") << true << 6;
    QTest::newRow("click back near the start") << false << 2;
}

void TestWindowAccess::releaseSeeksOnceToTheHandle()
{
    QFETCH(bool, drag);
    QFETCH(int, target);
    FakeServices fakes;
    auto window = fakes.makeWindow();
    window->show();
    load(*window, fakes, m_clip);
    press(*window, "cmdPlay"); // pause
    auto *slider = child<Slider>(*window, u"Slider"_s);
    slider->SetValue(1);
    fakes.previewScript.seeks.clear();

    const QPoint to = sliderPoint(*slider, target);
    const auto moveTo = [slider](QPoint at, Qt::MouseButtons held) {
        QMouseEvent move(QEvent::MouseMove, at, slider->mapToGlobal(at), Qt::NoButton, held, {});
        QCoreApplication::sendEvent(slider, &move);
    };
    if (drag) {
        moveTo(sliderPoint(*slider, 1), Qt::NoButton);
        QTest::mousePress(slider, Qt::LeftButton, {}, sliderPoint(*slider, 1));
        moveTo(to, Qt::LeftButton);
    } else {
        moveTo(to, Qt::NoButton); // the pointer comes to the track, then clicks
        QTest::mousePress(slider, Qt::LeftButton, {}, to);
    }
    QTest::mouseRelease(slider, Qt::LeftButton, {}, to);
    QTRY_COMPARE(fakes.previewScript.seeks.size(), 1);
    QCoreApplication::processEvents();
    QCOMPARE(fakes.previewScript.seeks, QList<double>{double(slider->Value())});
    QVERIFY2(qAbs(slider->Value() - target) <= 1, qPrintable(QString::number(slider->Value())));
    QCOMPARE(child<QLabel>(*window, u"lblTime"_s)->text(),
             u"00:00:%1/00:00:08"_s.arg(slider->Value(), 2, 10, QChar(u'0')));
}

void TestWindowAccess::formatModeFollowsTheOption_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("arrow key in the group") << u"key"_s;
    QTest::newRow("screen reader's press") << u"accessible"_s;
    QTest::newRow("the program") << u"code"_s;
}

void TestWindowAccess::formatModeFollowsTheOption()
{
    QFETCH(QString, how);
    FakeServices fakes;
    auto window = fakes.makeWindow();
    window->show();
    auto *presets = child<OptionButton>(*window, u"optFormat(0)"_s);
    auto *custom = child<OptionButton>(*window, u"optFormat(1)"_s);
    window->formatPanel().selectMode(0);
    QVERIFY(child(*window, u"frFormat(0)"_s)->isVisibleTo(window.get()));

    if (how == u"key") {
        QApplication::setActiveWindow(window.get());
        presets->setFocus();
        QTest::keyClick(presets, Qt::Key_Right);
    } else if (how == u"accessible") {
        QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(custom);
        QVERIFY(iface && iface->actionInterface());
        iface->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    } else {
        custom->setValue(true);
    }
    QTRY_VERIFY(custom->Value()); // a screen reader's press clicks a moment later
    QVERIFY(child(*window, u"frFormat(1)"_s)->isVisibleTo(window.get()));
    QVERIFY(!child(*window, u"frFormat(0)"_s)->isVisibleTo(window.get()));
}

void TestWindowAccess::previewQuirks_data()
{
    QTest::addColumn<bool>("noDuration");
    QTest::addColumn<double>("lateness");
    QTest::addColumn<int>("seekTo");
    QTest::addColumn<QString>("shown");
    QTest::newRow("no length from the preview: the encoder's") << true << 0.0 << 3 << u"00:00:03/00:00:08"_s;
    QTest::newRow("a late seek shows where it landed") << false << 0.9 << 3 << u"00:00:04/00:00:08"_s;
}

void TestWindowAccess::previewQuirks()
{
    QFETCH(bool, noDuration);
    QFETCH(double, lateness);
    QFETCH(int, seekTo);
    QFETCH(QString, shown);
    FakeServices fakes;
    fakes.previewScript.noDuration = noDuration;
    fakes.previewScript.seekLateness = lateness;
    auto window = fakes.makeWindow();
    load(*window, fakes, m_clip);
    QVERIFY2(fakes.messages.messages.isEmpty(), qPrintable(fakes.messages.messages.value(0).text));
    auto *slider = child<Slider>(*window, u"Slider"_s);
    QCOMPARE(slider->Max(), 8);
    press(*window, "cmdPlay"); // pause
    slider->SetValue(seekTo);
    emit slider->MouseUp(1, 0, 0, 0);
    QTRY_COMPARE(child<QLabel>(*window, u"lblTime"_s)->text(), shown);
    QCOMPARE(slider->Value(), shown.mid(6, 2).toInt()); // the handle too
}

void TestWindowAccess::previewKeys_data()
{
    QTest::addColumn<QList<int>>("keys");
    QTest::addColumn<bool>("playing");
    QTest::addColumn<bool>("panelUp");
    QTest::addColumn<double>("shown"); // the frame shown after the keys, 25 fps
    QTest::addColumn<QString>("label");
    const int comma = Qt::Key_Comma, period = Qt::Key_Period;
    QTest::newRow("right, right, left") << QList<int>{Qt::Key_Right, Qt::Key_Right, Qt::Key_Left} << false << false
                                        << 4.0 << u"00:00:04/00:00:08"_s;
    QTest::newRow("frames forward and back") << QList<int>{period, period, period, comma} << false << false << 3.08
                                             << u"00:00:03/00:00:08"_s;
    QTest::newRow("a step pauses a playing preview") << QList<int>{period} << true << false << 3.04
                                                     << u"00:00:03/00:00:08"_s;
    QTest::newRow("end: the last frame") << QList<int>{Qt::Key_End} << false << false << 7.96 << u"00:00:08/00:00:08"_s;
    QTest::newRow("home, then back a frame: still the first")
        << QList<int>{Qt::Key_Home, comma} << false << false << 0.0 << u"00:00:00/00:00:08"_s;
    QTest::newRow("nothing while a panel is up") << QList<int>{Qt::Key_Right, period} << false << true << 3.0
                                                 << u"00:00:03/00:00:08"_s;
}

void TestWindowAccess::previewKeys()
{
    QFETCH(QList<int>, keys);
    QFETCH(bool, playing);
    QFETCH(bool, panelUp);
    QFETCH(double, shown);
    QFETCH(QString, label);
    FakeServices fakes;
    auto window = fakes.makeWindow();
    window->show();
    load(*window, fakes, m_clip);
    auto *slider = child<Slider>(*window, u"Slider"_s);
    slider->SetValue(3);
    emit slider->MouseUp(1, 0, 0, 0);
    if (!playing)
        press(*window, "cmdPlay"); // pause
    QTRY_COMPARE(fakes.previewScript.seeks.value(fakes.previewScript.seeks.size() - 1), 3.0);
    if (panelUp)
        press(*window, "cmdChangeFormat");
    for (int key : keys)
        QTest::keyClick(window.get(), Qt::Key(key));
    QCOMPARE(fakes.preview->ShownFramePosition().value_or(-1), shown);
    QVERIFY(!fakes.preview->playing());
    QCOMPARE(child<QLabel>(*window, u"lblTime"_s)->text(), label);
    QCOMPARE(slider->Value(), label.mid(6, 2).toInt()); // the handle follows
}

void TestWindowAccess::exactMarks_data()
{
    QTest::addColumn<bool>("exact");
    QTest::addColumn<double>("lateness");
    QTest::addColumn<QString>("startLabel");
    QTest::addColumn<QString>("endLabel");
    QTest::addColumn<QString>("cut"); // what the options carry
    QTest::newRow("off: whole seconds of the slider") << false << 0.0 << u"00:00:02"_s << u"00:00:05"_s
                                                      << u"-ss 2 -t 3 "_s;
    QTest::newRow("on: the frames shown") << true << 0.0 << u"00:00:02.080"_s << u"00:00:05.040"_s
                                          << u"-ss 2.079 -t 2.959 "_s;
    QTest::newRow("on: late seeks mark where they landed") << true << 0.4 << u"00:00:02.480"_s << u"00:00:05.440"_s
                                                           << u"-ss 2.479 -t 2.959 "_s;
}

void TestWindowAccess::exactMarks()
{
    QFETCH(bool, exact);
    QFETCH(double, lateness);
    QFETCH(QString, startLabel);
    QFETCH(QString, endLabel);
    QFETCH(QString, cut);
    FakeServices fakes;
    fakes.previewScript.seekLateness = lateness;
    auto window = fakes.makeWindow();
    child<CheckBox>(*window, u"chkExactMarks"_s)->setValue(exact ? 1 : 0);
    load(*window, fakes, m_clip);
    press(*window, "cmdPlay"); // pause
    auto *slider = child<Slider>(*window, u"Slider"_s);
    const auto markAt = [&](int second, int frames, const char *button) {
        slider->SetValue(second);
        emit slider->MouseUp(1, 0, 0, 0);
        QTRY_COMPARE(fakes.previewScript.seeks.value(fakes.previewScript.seeks.size() - 1), double(second));
        for (int i = 0; i < frames; ++i)
            QTest::keyClick(window.get(), Qt::Key_Period);
        press(*window, button);
    };
    markAt(2, 2, "cmdStartSelect");
    markAt(5, 1, "cmdEndSelect");
    QCOMPARE(child<QLabel>(*window, u"lblStartSelect"_s)->text(), startLabel);
    QCOMPARE(child<QLabel>(*window, u"lblEndSelect"_s)->text(), endLabel);
    QCOMPARE(child<QLabel>(*window, u"lblTime"_s)->text().size(), exact ? 21 : 17);

    FormatPanel &format = window->formatPanel();
    format.selectIndex(format.controls().cmbCategory, 0);
    press(*window, "cmdConvert");
    QVERIFY2(fakes.messages.messages.isEmpty(), qPrintable(fakes.messages.messages.value(0).text));
    const QString command = window->workflow().cutJob()->BuildCommandLine();
    QVERIFY2(command.contains(cut), qPrintable(command));

    // A switch of the unit resets the marks.
    child<CheckBox>(*window, u"chkExactMarks"_s)->setValue(exact ? 0 : 1);
    QCOMPARE(child<QLabel>(*window, u"lblStartSelect"_s)->text(), u"00.00.00"_s);
    QCOMPARE(window->workflow().selectEnd(), 0.0);
}

void TestWindowAccess::rolesAndValues_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<int>("role");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("loaded");
    QTest::addColumn<int>("shown");        // the value the program sets first; -1: none
    QTest::addColumn<QVariant>("asked");   // then set by a screen reader; invalid: not
    QTest::addColumn<QList<int>>("value"); // min, max and current read back; empty: no value
    QTest::addColumn<QList<double>>("seeks");
    const auto slider = [](const char *row, bool loaded, int shown, QVariant asked, QList<int> value,
                           QList<double> seeks) {
        QTest::newRow(row) << u"Slider"_s << int(QAccessible::Slider) << u"Position"_s << loaded << shown << asked
                           << value << seeks;
    };
    slider("slider: set within the range", true, 3, 5, {0, 8, 5}, {5});
    slider("slider: a fraction rounds", true, 1, 2.6, {0, 8, 3}, {3});
    slider("slider: below Min is Min", true, 3, -4, {0, 8, 0}, {0});
    slider("slider: above Max is Max", true, 3, 99, {0, 8, 8}, {8});
    slider("slider: beyond 32 bits is Max", true, 3, 1e12, {0, 8, 8}, {8});
    slider("slider: the same value seeks again", true, 4, 4, {0, 8, 4}, {4});
    slider("slider before a video: placing refused", false, 3, 5, {0, 1000000, 3}, {});
    QTest::newRow("progress: read only") << u"progress"_s << int(QAccessible::ProgressBar) << u"Progress"_s << true
                                         << 37 << QVariant(80) << QList<int>{0, 100, 37} << QList<double>{};
    QTest::newRow("preview picture") << u"picVideoWindow"_s << int(QAccessible::Animation) << u"Preview"_s << true
                                     << -1 << QVariant() << QList<int>{} << QList<double>{};
    for (const auto &[strip, stripName] : {std::pair{u"picThumbnails"_s, u"Thumbnails"_s}, {u"picWaveform"_s, u"Waveform"_s}})
        QTest::newRow(qPrintable(u"timeline: "_s + stripName)) << strip << int(QAccessible::Graphic) << stripName << true
                                                              << -1 << QVariant() << QList<int>{} << QList<double>{};
}

void TestWindowAccess::rolesAndValues()
{
    QFETCH(QString, control);
    QFETCH(int, role);
    QFETCH(QString, name);
    QFETCH(bool, loaded);
    QFETCH(int, shown);
    QFETCH(QVariant, asked);
    QFETCH(QList<int>, value);
    QFETCH(QList<double>, seeks);
    FakeServices fakes;
    auto window = fakes.makeWindow();
    window->show();
    if (loaded) {
        load(*window, fakes, m_clip);
        press(*window, "cmdPlay"); // pause
    }
    QWidget *widget = child(*window, control);
    QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(widget);
    QVERIFY(iface);
    QCOMPARE(int(iface->role()), role);
    QCOMPARE(iface->text(QAccessible::Name), name);
    QVERIFY(role != QAccessible::Graphic || !iface->text(QAccessible::Description).isEmpty());

    fakes.previewScript.seeks.clear();
    if (auto *slider = qobject_cast<Slider *>(widget); slider && shown >= 0)
        slider->SetValue(shown);
    if (auto *bar = qobject_cast<ProgressBar *>(widget); bar && shown >= 0)
        bar->setValue(shown);
    QAccessibleValueInterface *valued = iface->valueInterface();
    QCOMPARE(valued != nullptr, !value.isEmpty());
    if (valued && asked.isValid())
        valued->setCurrentValue(asked);
    if (seeks.isEmpty())
        QTest::qWait(50); // the window's seek is queued: give it the chance to come wrongly
    else
        QTRY_COMPARE(fakes.previewScript.seeks, seeks);
    QCOMPARE(fakes.previewScript.seeks, seeks);
    if (valued) {
        const QList<int> read{valued->minimumValue().toInt(), valued->maximumValue().toInt(),
                              valued->currentValue().toInt()};
        QCOMPARE(read, value);
    }
}

QTEST_MAIN(TestWindowAccess)
#include "tst_windowaccess.moc"
