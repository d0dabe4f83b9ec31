#pragma once
// The window thread's longest stall while work() runs the event loop: the
// longest gap, in milliseconds, between the ticks of a 1 ms timer.

#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>

namespace pix::bench {

template <typename Work>
qint64 LongestStall(Work work)
{
    QElapsedTimer clock;
    qint64 last = 0, longest = 0;
    QTimer ticker;
    ticker.setInterval(1);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        longest = std::max(longest, clock.elapsed() - last);
        last = clock.elapsed();
    });
    clock.start();
    ticker.start();
    work();
    return std::max(longest, clock.elapsed() - last);
}

}  // namespace pix::bench
