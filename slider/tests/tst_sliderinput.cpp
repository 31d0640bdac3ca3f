#include "eventlog.h"
#include "slider.h"

#include <QSignalSpy>
#include <QTest>

namespace {

constexpr float kMidY = 150; // twips: half way down a 20-pixel bar

void setUpExample(Slider &s, qint32 value = 500)
{
    s.resize(300, 20);
    QVERIFY(s.SetMax(1000) && s.SetMin(0));
    s.SetValue(value);
}

bool handleAt(const Slider &s, int x)
{
    const QImage &h = s.skin().PicHandle;
    return s.surface().copy(QRect(QPoint(x, 4), h.size())) == h.convertToFormat(s.surface().format());
}

void send(Slider &s, QEvent::Type type, Qt::MouseButton button, Qt::MouseButtons held, QPointF pos)
{
    QMouseEvent event(type, pos, s.mapToGlobal(pos), button, held, Qt::NoModifier);
    QCoreApplication::sendEvent(&s, &event);
}

} // namespace

class TestSliderInput final : public QObject
{
    Q_OBJECT

private slots:
    void gestures_data();
    void gestures();
    void handleFollowsPointerUnlessSnapped_data();
    void handleFollowsPointerUnlessSnapped();
    void qtEventsBecomeNotifications();
    void dblClickHandlerWritesValueBack_data();
    void dblClickHandlerWritesValueBack();
};

// One host notification on the worked example, with the events it raises.
// m: move (arg = buttons), c: click, d: double click, k: key (arg = key code).
// Clicks place at the last move, a hover at 1000 twips (value 186).
void TestSliderInput::gestures_data()
{
    QTest::addColumn<qint32>("style");
    QTest::addColumn<char>("gesture");
    QTest::addColumn<int>("arg");
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<qint32>("start");
    QTest::addColumn<qint32>("value");
    QTest::addColumn<QString>("events");
    const int left = Slider::kKeyLeft;
    const int right = Slider::kKeyRight;
    QTest::newRow("drag at 1000 twips gives 186") << 0 << 'm' << 1 << true << 500 << 186 << "Scroll Change";
    QTest::newRow("drag, vertical: 500 below Max") << 1 << 'm' << 1 << true << 0 << 500 << "Scroll Change";
    QTest::newRow("move with left and right records") << 0 << 'm' << 3 << true << 500 << 500 << "";
    QTest::newRow("drag while disabled records") << 0 << 'm' << 1 << false << 500 << 500 << "";
    QTest::newRow("click") << 0 << 'c' << 0 << true << 500 << 186 << "Click Scroll Change DblClick(186)";
    QTest::newRow("double click") << 0 << 'd' << 0 << true << 500 << 186 << "Scroll Change DblClick(186)";
    QTest::newRow("click while disabled") << 0 << 'c' << 0 << false << 500 << 500 << "Click DblClick(500)";
    QTest::newRow("double click while disabled") << 0 << 'd' << 0 << false << 500 << 500 << "DblClick(500)";
    QTest::newRow("left arrow") << 0 << 'k' << left << true << 500 << 499 << "Change Scroll";
    QTest::newRow("right arrow") << 0 << 'k' << right << true << 500 << 501 << "Change Scroll";
    QTest::newRow("right arrow at Max") << 0 << 'k' << right << true << 1000 << 1000 << "Change Scroll";
    QTest::newRow("other key") << 0 << 'k' << 65 << true << 500 << 500 << "Change Scroll";
    QTest::newRow("arrow while disabled") << 0 << 'k' << left << false << 500 << 499 << "Change Scroll";
}

void TestSliderInput::gestures()
{
    QFETCH(qint32, style);
    QFETCH(char, gesture);
    QFETCH(int, arg);
    QFETCH(bool, enabled);
    QFETCH(qint32, start);
    QFETCH(QString, events);
    Slider s;
    setUpExample(s, start);
    s.SetStyle(style);
    s.SetEnabled(enabled);
    // Vertical: (2205 / 15 - 19) / 256 is half of the track.
    const float pos = style ? 2205 : 1000;
    if (gesture != 'm')
        s.HostMouseMove(0, 0, style ? 150 : pos, style ? pos : kMidY);
    EventLog log(s);
    if (gesture == 'm')
        s.HostMouseMove(arg, 0, style ? 150 : pos, style ? pos : kMidY);
    else if (gesture == 'c')
        s.HostClick();
    else if (gesture == 'd')
        s.HostDblClick();
    else
        s.HostKeyDown(arg, 1); // shift is ignored
    QTEST(s.Value(), "value");
    QCOMPARE(log.events, events);
    QCOMPARE(s.Dragging(), events.contains(QLatin1String("Scroll Change")));
}

void TestSliderInput::handleFollowsPointerUnlessSnapped_data()
{
    QTest::addColumn<bool>("snap");
    QTest::addColumn<char>("then");
    QTest::addColumn<int>("during");
    QTest::addColumn<int>("after");
    // 1000 twips is 66.67 px; a free handle centres there (57.17 -> 57); the
    // value 186 itself maps to 58.
    QTest::newRow("free, then the owner sets Value") << false << 's' << 57 << 58;
    QTest::newRow("free, then a key") << false << 'k' << 57 << 58;
    QTest::newRow("free, stays after the release") << false << 'r' << 57 << 57;
    QTest::newRow("snapped") << true << 'r' << 58 << 58;
}

void TestSliderInput::handleFollowsPointerUnlessSnapped()
{
    QFETCH(bool, snap);
    QFETCH(char, then);
    QFETCH(int, during);
    QFETCH(int, after);
    Slider s;
    setUpExample(s, 0);
    s.SetSnap(snap);
    s.HostMouseMove(1, 0, 1000, kMidY);
    QVERIFY(handleAt(s, during));
    if (then == 's')
        s.SetValue(186);
    else if (then == 'k')
        s.HostKeyDown(0, 0);
    else
        s.HostMouseUp(1, 0, 1000, kMidY);
    QVERIFY(handleAt(s, after));
    QCOMPARE(s.Dragging(), then == 'r');
}

// Qt's press/release/double-click become the host's order: the release
// first, then the click it completes; the release after a double click, after
// a drag off the control or of another button is no click. Keys arrive too.
void TestSliderInput::qtEventsBecomeNotifications()
{
    QWidget window;
    auto *s = new Slider(&window);
    setUpExample(*s);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    EventLog log(*s);
    QSignalSpy up(s, &Slider::MouseUp);
    const QPointF at(1000.0 / 15, 10);
    const QPointF off(2000, 10);

    send(*s, QEvent::MouseMove, Qt::NoButton, Qt::NoButton, at);
    send(*s, QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton, at);
    send(*s, QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton, at);
    QCOMPARE(log.take(), QStringLiteral("MouseUp(1) Click Scroll Change DblClick(186)"));
    QCOMPARE(up.at(0).mid(2), QVariantList({1000.0f, 150.0f}));

    send(*s, QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton, at);
    send(*s, QEvent::MouseButtonDblClick, Qt::LeftButton, Qt::LeftButton, at);
    send(*s, QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton, at);
    QCOMPARE(log.take(), QStringLiteral("Scroll Change DblClick(186) MouseUp(1)"));

    send(*s, QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton, at);
    send(*s, QEvent::MouseMove, Qt::NoButton, Qt::LeftButton, off);
    send(*s, QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton, off);
    QCOMPARE(log.take(), QStringLiteral("Scroll Change MouseUp(1)"));
    QCOMPARE(s->Value(), 1000);

    s->SetEnabled(false);
    send(*s, QEvent::MouseButtonPress, Qt::RightButton, Qt::RightButton, at);
    send(*s, QEvent::MouseButtonRelease, Qt::RightButton, Qt::NoButton, at);
    QTest::keyClick(s, Qt::Key_Left);
    QTest::keyClick(s, Qt::Key_Home);
    QCOMPARE(log.take(), QStringLiteral("MouseUp(2) Change Scroll Change Scroll"));
    QCOMPARE(s->Value(), 999);
}

QTEST_MAIN(TestSliderInput)
#include "tst_sliderinput.moc"

void TestSliderInput::dblClickHandlerWritesValueBack_data()
{
    QTest::addColumn<bool>("viaSetter"); // the handler calls SetValue instead of writing the reference
    QTest::addColumn<qint32>("written");
    QTest::addColumn<qint32>("value");
    QTest::newRow("left alone") << false << 186 << 186;
    QTest::newRow("moved by the handler") << false << 1000 << 1000;
    QTest::newRow("beyond Max is kept at Max") << false << 5000 << 1000;
    QTest::newRow("below Min is kept at Min") << false << -7 << 0;
    QTest::newRow("SetValue from the handler stands") << true << 300 << 300;
}

void TestSliderInput::dblClickHandlerWritesValueBack()
{
    QFETCH(bool, viaSetter);
    QFETCH(qint32, written);
    Slider s;
    setUpExample(s);
    s.HostMouseMove(0, 0, 1000, kMidY);
    QObject::connect(&s, &Slider::DblClick, &s, [&](qint32 &value) {
        QCOMPARE(value, 186);
        if (viaSetter) {
            s.SetValue(written);
            QCOMPARE(value, written); // the reference is the control's own value
        } else {
            value = written;
        }
    });
    QSignalSpy changes(&s, &Slider::Change);
    s.HostDblClick();
    QTEST(s.Value(), "value");
    // From the placement (and the handler's own set): the write-back raises nothing.
    QCOMPARE(changes.count(), viaSetter ? 2 : 1);
    // Untouched, the free handle stays under the pointer (57); a written value
    // is drawn where that value belongs.
    QVERIFY(handleAt(s, written == 186 ? 57 : s.ValueToPixel(s.Value())));
}
