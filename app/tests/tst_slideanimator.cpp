#include "slideanimator.h"

#include <QTest>

// The sliding panels' motion, stepped tick by tick without real time.
class tst_SlideAnimator : public QObject
{
    Q_OBJECT

private slots:
    void upwardSlide_data();
    void upwardSlide();
    void downwardSlide_data();
    void downwardSlide();
    void closerMidSlide();
    void secondSlideStartsAfresh();
    void commands_data();
    void commands();
};

namespace {

constexpr int kParkedTop = 8070;

struct Run
{
    QList<SlideAnimator::Tick> ticks;
    int top = 0;
};

// Ticks until the animator stops its timer (at most limit ticks), applying
// each new Top as the window would.
Run runSlide(SlideAnimator &animator, int top, int windowHeight, int limit = 200)
{
    Run run;
    run.top = top;
    while (animator.timerEnabled() && run.ticks.size() < limit) {
        const SlideAnimator::Tick tick = animator.OnTick(run.top, windowHeight);
        run.ticks.append(tick);
        run.top = tick.top;
    }
    return run;
}

} // namespace

void tst_SlideAnimator::upwardSlide_data()
{
    QTest::addColumn<int>("tick");     // 1-based
    QTest::addColumn<int>("interval"); // set at the start of the tick
    QTest::addColumn<int>("top");      // after the tick
    QTest::addColumn<bool>("running"); // timer still on after the tick

    for (int tick = 1; tick <= 17; ++tick)
        QTest::addRow("tick %d, full step", tick) << tick << 10 << kParkedTop - 300 * tick << true;
    QTest::newRow("tick 18, first halving") << 18 << 10 << 2820 << true;
    QTest::newRow("tick 19, second halving") << 19 << 20 << 2745 << true;
    QTest::newRow("tick 20, no halving below 100") << 20 << 40 << 2670 << true;
    QTest::newRow("tick 21, past the threshold") << 21 << 40 << 2595 << true;
    QTest::newRow("tick 22, settles at rest") << 22 << 40 << 2715 << false;
}

void tst_SlideAnimator::upwardSlide()
{
    QFETCH(int, tick);
    QFETCH(int, interval);
    QFETCH(int, top);
    QFETCH(bool, running);

    SlideAnimator animator;
    animator.AnimatePanel(QStringLiteral("EDIT_FRAME_UP"));
    const Run run = runSlide(animator, kParkedTop, kParkedTop);
    QCOMPARE(run.ticks.size(), 22);
    const SlideAnimator::Tick &t = run.ticks.at(tick - 1);
    QCOMPARE(t.interval, interval);
    QCOMPARE(t.top, top);
    QCOMPARE(t.timerEnabled, running);
    QVERIFY(!t.arrivedDown);
    QCOMPARE(run.top, SlideAnimator::kOpenTop);
}

void tst_SlideAnimator::downwardSlide_data()
{
    QTest::addColumn<int>("startTop");
    QTest::addColumn<int>("windowHeight");
    QTest::addColumn<int>("ticks");
    QTest::addColumn<int>("highestOvershoot"); // the Top before the last tick

    QTest::newRow("from open, layout height") << 2715 << 8070 << 12 << 8215;
    QTest::newRow("lands exactly on the height") << 3070 << 8070 << 11 << 8070;
    QTest::newRow("already parked") << 8070 << 8070 << 1 << 8070;
}

void tst_SlideAnimator::downwardSlide()
{
    QFETCH(int, startTop);
    QFETCH(int, windowHeight);
    QFETCH(int, ticks);
    QFETCH(int, highestOvershoot);

    SlideAnimator animator;
    animator.AnimatePanel(QStringLiteral("EDIT_FRAME_DOWN"));
    const Run run = runSlide(animator, startTop, windowHeight);
    QCOMPARE(run.ticks.size(), ticks);
    const int before = ticks > 1 ? run.ticks.at(ticks - 2).top : startTop;
    QCOMPARE(before, highestOvershoot);
    for (int i = 0; i < ticks - 1; ++i) {
        QCOMPARE(run.ticks.at(i).top, startTop + 500 * (i + 1));
        QCOMPARE(run.ticks.at(i).interval, 5);
        QVERIFY(!run.ticks.at(i).arrivedDown);
    }
    const SlideAnimator::Tick &last = run.ticks.constLast();
    QCOMPARE(last.top, windowHeight);
    QVERIFY(last.arrivedDown);
    QVERIFY(!last.timerEnabled);
    QVERIFY(!animator.timerEnabled());
}

void tst_SlideAnimator::closerMidSlide()
{
    // A closer during the deceleration turns the panel round where it is.
    SlideAnimator animator;
    animator.AnimatePanel(QStringLiteral("EDIT_FRAME_UP"));
    int top = kParkedTop;
    for (int i = 0; i < 19; ++i)
        top = animator.OnTick(top, kParkedTop).top;
    QCOMPARE(top, 2745);
    QCOMPARE(animator.interval(), 20);

    animator.AnimatePanel(QStringLiteral("EDIT_FRAME_DOWN"));
    QCOMPARE(animator.sAnimateMode(), SlideAnimator::kModeDown);
    QCOMPARE(animator.interval(), 20); // the first downward tick still waits the old interval
    const Run run = runSlide(animator, top, kParkedTop);
    QCOMPARE(run.ticks.first().top, 3245);
    QCOMPARE(run.ticks.first().interval, 5);
    QCOMPARE(run.ticks.size(), 12); // 2745 + 11 * 500 = 8245, then parked
    QCOMPARE(run.top, kParkedTop);
    QVERIFY(run.ticks.constLast().arrivedDown);
}

void tst_SlideAnimator::secondSlideStartsAfresh()
{
    SlideAnimator animator;
    QCOMPARE(animator.interval(), SlideAnimator::kInitialInterval);
    animator.AnimatePanel(QStringLiteral("EDIT_FRAME_UP"));
    runSlide(animator, kParkedTop, kParkedTop);
    QCOMPARE(animator.lAnimateStep(), 75);
    animator.AnimatePanel(QStringLiteral("EDIT_FRAME_DOWN"));
    runSlide(animator, SlideAnimator::kOpenTop, kParkedTop);

    animator.AnimatePanel(QStringLiteral("EDIT_FRAME_UP"));
    QCOMPARE(animator.lAnimateStep(), 300);
    QCOMPARE(animator.lAnimateInterval(), 10);
    QCOMPARE(animator.interval(), 5); // left over from the downward slide until the first tick
    const Run run = runSlide(animator, kParkedTop, kParkedTop);
    QCOMPARE(run.ticks.size(), 22);
    QCOMPARE(run.ticks.first().top, 7770);
    QCOMPARE(run.ticks.first().interval, 10);
    QCOMPARE(run.top, SlideAnimator::kOpenTop);
}

void tst_SlideAnimator::commands_data()
{
    QTest::addColumn<QStringList>("commands");
    QTest::addColumn<QString>("mode");
    QTest::addColumn<int>("step");
    QTest::addColumn<int>("animateInterval");
    QTest::addColumn<bool>("runsAfterOneTick");

    QTest::newRow("unknown keeps the previous mode")
        << QStringList{QStringLiteral("EDIT_FRAME_DOWN"), QStringLiteral("edit_frame_up")} << SlideAnimator::kModeDown
        << 500 << 5 << true;
    QTest::newRow("unknown first, nothing to move") << QStringList{QStringLiteral("EDIT_FRAME")} << QString() << 0
                                                    << 0 << false;
}

void tst_SlideAnimator::commands()
{
    QFETCH(QStringList, commands);
    QFETCH(QString, mode);
    QFETCH(int, step);
    QFETCH(int, animateInterval);
    QFETCH(bool, runsAfterOneTick);

    SlideAnimator animator;
    for (const QString &command : commands)
        animator.AnimatePanel(command);
    QVERIFY(animator.timerEnabled());
    QCOMPARE(animator.sAnimateMode(), mode);
    QCOMPARE(animator.lAnimateStep(), step);
    QCOMPARE(animator.lAnimateInterval(), animateInterval);
    QCOMPARE(animator.interval(), SlideAnimator::kInitialInterval);

    const SlideAnimator::Tick tick = animator.OnTick(5000, kParkedTop);
    QCOMPARE(tick.timerEnabled, runsAfterOneTick);
    QCOMPARE(animator.timerEnabled(), runsAfterOneTick);
    if (!runsAfterOneTick)
        QCOMPARE(tick.top, 5000);

    // A timeout already queued when the timer was switched off moves nothing.
    animator.setTimerEnabled(false);
    const SlideAnimator::Tick late = animator.OnTick(4000, kParkedTop);
    QCOMPARE(late.top, 4000);
    QVERIFY(!late.timerEnabled);
}

QTEST_APPLESS_MAIN(tst_SlideAnimator)
#include "tst_slideanimator.moc"
