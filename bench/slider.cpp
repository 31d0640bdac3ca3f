// Slider drawing and dragging costs, measured side by side in one run.
// Run headless: QT_QPA_PLATFORM=offscreen build/bench/bench_slider

#include "slider.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int kRounds = 7;

template<typename Work>
double medianMicros(int count, Work work)
{
    std::vector<double> rounds;
    for (int r = 0; r < kRounds; ++r) {
        QElapsedTimer timer;
        timer.start();
        work(count);
        rounds.push_back(double(timer.nsecsElapsed()) / 1000.0 / count);
    }
    std::sort(rounds.begin(), rounds.end());
    return rounds[rounds.size() / 2];
}

void prepare(Slider &s, QSize size, qint32 style)
{
    s.resize(size);
    s.SetMax(3600);
    s.SetMin(0);
    s.SetValue(1200);
    s.SetSelectStart(600);
    s.SetSelectEnd(2400);
    s.SetStyle(style);
    s.resize(size);
}

double redrawMicros(QSize size, qint32 style)
{
    Slider s;
    prepare(s, size, style);
    return medianMicros(2000, [&](int n) {
        for (int i = 0; i < n; ++i)
            s.Redraw();
    });
}

// Moves across the whole bar and back, as a user sweeping the handle would.
float sweepX(int i, int width)
{
    const int span = width * 2;
    const int p = i % span;
    return float((p < width ? p : span - p) * kTwipsPerPixel);
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);

    std::printf("Slider benchmark (median of %d rounds)\n\n", kRounds);
    const double small = redrawMicros(QSize(314, 20), 0);
    const double wide = redrawMicros(QSize(2000, 20), 0);
    const double vertical = redrawMicros(QSize(20, 314), 1);
    std::printf("Redraw, horizontal 314 x 20:   %8.2f us\n", small);
    std::printf("Redraw, horizontal 2000 x 20:  %8.2f us  (%.2f x the 314-pixel bar)\n", wide, wide / small);
    std::printf("Redraw, vertical 20 x 314:     %8.2f us\n\n", vertical);

    constexpr int kMoves = 1000;
    {
        Slider s;
        prepare(s, QSize(314, 20), 0);
        const double perMove = medianMicros(kMoves, [&](int n) {
            for (int i = 0; i < n; ++i)
                s.HostMouseMove(1, 0, sweepX(i, 314), 150);
        });
        std::printf("1000 drag moves, notification only:        %8.2f ms  (%.2f us a move)\n",
                    perMove * kMoves / 1000.0, perMove);
    }

    double perEventMove = 0;
    {
        // Through Qt: a mouse event per move, then one pass of the event loop
        // so the widget paints what Redraw produced, as a running window would.
        QWidget window;
        auto *s = new Slider(&window);
        window.resize(340, 40);
        window.show();
        prepare(*s, QSize(314, 20), 0);
        QApplication::processEvents();
        perEventMove = medianMicros(kMoves, [&](int n) {
            for (int i = 0; i < n; ++i) {
                const QPointF pos(sweepX(i, 314) / kTwipsPerPixel, 10);
                QMouseEvent move(QEvent::MouseMove, pos, s->mapToGlobal(pos), Qt::NoButton,
                                 Qt::LeftButton, Qt::NoModifier);
                QApplication::sendEvent(s, &move);
                QApplication::processEvents();
            }
        });
        std::printf("1000 drag moves, Qt events + paint pass:   %8.2f ms  (%.2f us a move)\n",
                    perEventMove * kMoves / 1000.0, perEventMove);
    }
    std::printf("\nA 1000 Hz mouse allows 1000 us a move: the slider uses %.1f %% of it (%.0f x headroom).\n",
                perEventMove / 10.0, 1000.0 / perEventMove);
    return 0;
}
