#include "eventlog.h"
#include "slider.h"

#include <QSignalSpy>
#include <QTest>

namespace {

constexpr float kMidY = 150; // twips: half way down a 20-pixel bar

void setUpExample(Slider &s, qint32 value = 500)
{
    s.resize(300, 20);
    QVERIFY(s.SetMax(1000));
    QVERIFY(s.SetMin(0));
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
    void dragPlacesValue_data();
    void dragPlacesValue();
    void verticalDrag_data();
    void verticalDrag();
    void handleFollowsPointerUnlessSnapped_data();
    void handleFollowsPointerUnlessSnapped();
    void clickAndDoubleClick_data();
    void clickAndDoubleClick();
    void arrowKeys_data();
    void arrowKeys();
    void mouseUpPassesHostValues();
    void qtMouseEventsBecomeNotifications();
    void qtKeyEvents();
};

void TestSliderInput::dragPlacesValue_data()
{
    QTest::addColumn<int>("buttons");
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<float>("x");
    QTest::addColumn<qint32>("value");
    QTest::addColumn<QStringList>("events");
    const QStringList placed{QStringLiteral("Scroll"), QStringLiteral("Change")};
    QTest::newRow("left at 1000 twips gives 186") << 1 << true << 1000.0f << 186 << placed;
    QTest::newRow("far left gives Min") << 1 << true << -3000.0f << 0 << placed;
    QTest::newRow("beyond the right end gives Max") << 1 << true << 20000.0f << 1000 << placed;
    QTest::newRow("right button only records") << 2 << true << 1000.0f << 500 << QStringList();
    QTest::newRow("left and right together only record") << 3 << true << 1000.0f << 500 << QStringList();
    QTest::newRow("no button only records") << 0 << true << 1000.0f << 500 << QStringList();
    QTest::newRow("disabled only records") << 1 << false << 1000.0f << 500 << QStringList();
}

void TestSliderInput::dragPlacesValue()
{
    QFETCH(int, buttons);
    QFETCH(bool, enabled);
    QFETCH(float, x);
    QFETCH(qint32, value);
    QFETCH(QStringList, events);
    Slider s;
    setUpExample(s);
    s.SetEnabled(enabled);
    EventLog log(s);
    s.HostMouseMove(buttons, 0, x, kMidY);
    QCOMPARE(s.Value(), value);
    QCOMPARE(log.events, events);
    QCOMPARE(s.Dragging(), !events.isEmpty());
}

void TestSliderInput::verticalDrag_data()
{
    QTest::addColumn<float>("y");
    QTest::addColumn<qint32>("value");
    QTest::newRow("top gives Max") << 0.0f << 1000;
    QTest::newRow("bottom gives Min") << 4500.0f << 0;
    // (Y / 15 - 19) / 256 = 0.5 gives 500 below Max.
    QTest::newRow("middle of the track") << 2205.0f << 500;
}

void TestSliderInput::verticalDrag()
{
    QFETCH(float, y);
    QFETCH(qint32, value);
    Slider s;
    setUpExample(s, 123);
    s.SetStyle(1);
    QCOMPARE(s.size(), QSize(20, 300));
    QSignalSpy scroll(&s, &Slider::Scroll);
    s.HostMouseMove(1, 0, 150, y);
    QCOMPARE(s.Value(), value);
    QCOMPARE(scroll.count(), 1);
}

void TestSliderInput::handleFollowsPointerUnlessSnapped_data()
{
    QTest::addColumn<bool>("snap");
    QTest::addColumn<QString>("after");
    QTest::addColumn<int>("duringDrag");
    QTest::addColumn<int>("afterwards");
    // 1000 twips is 66.67 px; a free handle centres on it: 57.17 -> 57. The
    // value 186 itself maps to 58.
    QTest::newRow("free handle, then the owner sets Value") << false << QStringLiteral("set") << 57 << 58;
    QTest::newRow("free handle, then a key") << false << QStringLiteral("key") << 57 << 58;
    QTest::newRow("free handle stays after the release") << false << QStringLiteral("release") << 57 << 57;
    QTest::newRow("snapped handle") << true << QStringLiteral("release") << 58 << 58;
}

void TestSliderInput::handleFollowsPointerUnlessSnapped()
{
    QFETCH(bool, snap);
    QFETCH(QString, after);
    QFETCH(int, duringDrag);
    QFETCH(int, afterwards);
    Slider s;
    setUpExample(s, 0);
    s.SetSnap(snap);
    s.HostMouseMove(1, 0, 1000, kMidY);
    QCOMPARE(s.Value(), 186);
    QVERIFY(handleAt(s, duringDrag));
    if (after == QLatin1String("set"))
        s.SetValue(186);
    else if (after == QLatin1String("key"))
        s.HostKeyDown(0, 0);
    else
        s.HostMouseUp(1, 0, 1000, kMidY);
    QVERIFY(handleAt(s, afterwards));
    QCOMPARE(s.Dragging(), after == QLatin1String("release"));
}

void TestSliderInput::clickAndDoubleClick_data()
{
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<bool>("doubleClick");
    QTest::addColumn<qint32>("value");
    QTest::addColumn<QStringList>("events");
    QTest::newRow("click places where the pointer was last seen")
        << true << false << 186
        << QStringList{QStringLiteral("Click"), QStringLiteral("Scroll"), QStringLiteral("Change"),
                       QStringLiteral("DblClick(186)")};
    QTest::newRow("double click places too")
        << true << true << 186
        << QStringList{QStringLiteral("Scroll"), QStringLiteral("Change"), QStringLiteral("DblClick(186)")};
    QTest::newRow("disabled click only reports")
        << false << false << 500 << QStringList{QStringLiteral("Click"), QStringLiteral("DblClick(500)")};
    QTest::newRow("disabled double click only reports")
        << false << true << 500 << QStringList{QStringLiteral("DblClick(500)")};
}

void TestSliderInput::clickAndDoubleClick()
{
    QFETCH(bool, enabled);
    QFETCH(bool, doubleClick);
    QFETCH(qint32, value);
    QFETCH(QStringList, events);
    Slider s;
    setUpExample(s);
    s.SetEnabled(enabled);
    s.HostMouseMove(0, 0, 1000, kMidY); // a hover: recorded, nothing placed
    EventLog log(s);
    if (doubleClick)
        s.HostDblClick();
    else
        s.HostClick();
    QCOMPARE(log.events, events);
    QCOMPARE(s.Value(), value);
}

void TestSliderInput::arrowKeys_data()
{
    QTest::addColumn<qint32>("start");
    QTest::addColumn<int>("key");
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<qint32>("value");
    QTest::newRow("left steps down") << 500 << Slider::kKeyLeft << true << 499;
    QTest::newRow("right steps up") << 500 << Slider::kKeyRight << true << 501;
    QTest::newRow("other key leaves the value") << 500 << 65 << true << 500;
    QTest::newRow("right at Max stays") << 1000 << Slider::kKeyRight << true << 1000;
    QTest::newRow("left at Min stays") << 0 << Slider::kKeyLeft << true << 0;
    QTest::newRow("disabled still steps") << 500 << Slider::kKeyRight << false << 501;
}

void TestSliderInput::arrowKeys()
{
    QFETCH(qint32, start);
    QFETCH(int, key);
    QFETCH(bool, enabled);
    QFETCH(qint32, value);
    Slider s;
    setUpExample(s, start);
    s.SetEnabled(enabled);
    EventLog log(s);
    s.HostKeyDown(key, 1); // shift is ignored
    QCOMPARE(s.Value(), value);
    QCOMPARE(log.events, (QStringList{QStringLiteral("Change"), QStringLiteral("Scroll")}));
}

void TestSliderInput::mouseUpPassesHostValues()
{
    Slider s;
    setUpExample(s);
    s.SetEnabled(false);
    QSignalSpy up(&s, &Slider::MouseUp);
    s.HostMouseUp(4, 3, 123.5f, -7.0f);
    QCOMPARE(up.count(), 1);
    QCOMPARE(up.at(0).at(0).toInt(), 4);
    QCOMPARE(up.at(0).at(1).toInt(), 3);
    QCOMPARE(up.at(0).at(2).toFloat(), 123.5f);
    QCOMPARE(up.at(0).at(3).toFloat(), -7.0f);
    QCOMPARE(s.Value(), 500);
}

// The widget turns Qt's press/release/double-click into the host's order:
// release first, then the click it completes; the release after a double
// click is no click of its own.
void TestSliderInput::qtMouseEventsBecomeNotifications()
{
    QWidget window;
    auto *s = new Slider(&window);
    setUpExample(*s);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    EventLog log(*s);
    QSignalSpy up(s, &Slider::MouseUp);

    const QPointF at(1000.0 / 15, 10);
    send(*s, QEvent::MouseMove, Qt::NoButton, Qt::NoButton, at);
    send(*s, QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton, at);
    send(*s, QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton, at);
    QCOMPARE(log.take(), (QStringList{QStringLiteral("MouseUp(1)"), QStringLiteral("Click"),
                                      QStringLiteral("Scroll"), QStringLiteral("Change"),
                                      QStringLiteral("DblClick(186)")}));
    QCOMPARE(up.at(0).at(2).toFloat(), 1000.0f);
    QCOMPARE(up.at(0).at(3).toFloat(), 150.0f);

    send(*s, QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton, at);
    send(*s, QEvent::MouseButtonDblClick, Qt::LeftButton, Qt::LeftButton, at);
    send(*s, QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton, at);
    QCOMPARE(log.take(), (QStringList{QStringLiteral("Scroll"), QStringLiteral("Change"),
                                      QStringLiteral("DblClick(186)"), QStringLiteral("MouseUp(1)")}));

    // A drag with the left button; the release outside is no click.
    send(*s, QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton, at);
    send(*s, QEvent::MouseMove, Qt::NoButton, Qt::LeftButton, QPointF(2000, 10));
    QCOMPARE(s->Value(), 1000);
    send(*s, QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton, QPointF(2000, 10));
    QCOMPARE(log.take(),
             (QStringList{QStringLiteral("Scroll"), QStringLiteral("Change"), QStringLiteral("MouseUp(1)")}));

    // Right button: reported, never a click.
    send(*s, QEvent::MouseButtonPress, Qt::RightButton, Qt::RightButton, at);
    send(*s, QEvent::MouseButtonRelease, Qt::RightButton, Qt::NoButton, at);
    QCOMPARE(log.take(), QStringList{QStringLiteral("MouseUp(2)")});
}

void TestSliderInput::qtKeyEvents()
{
    Slider s;
    setUpExample(s);
    QTest::keyClick(&s, Qt::Key_Left);
    QCOMPARE(s.Value(), 499);
    QTest::keyClick(&s, Qt::Key_Right, Qt::ShiftModifier);
    QTest::keyClick(&s, Qt::Key_Right);
    QCOMPARE(s.Value(), 501);
    QSignalSpy change(&s, &Slider::Change);
    QTest::keyClick(&s, Qt::Key_Home);
    QCOMPARE(s.Value(), 501);
    QCOMPARE(change.count(), 1);
}

QTEST_MAIN(TestSliderInput)
#include "tst_sliderinput.moc"
